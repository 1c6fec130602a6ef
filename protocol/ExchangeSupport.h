#pragma once

#include <cstdint>
#include <optional>

#include "platform/UdpSocket.h"
#include "protocol/ClockDatagram.h"
#include "protocol/ExchangeOptions.h"
#include "settings/DialogControls.h"

namespace horavane {

// The socket of one exchange, bound to every local address at `port`. A failed bind is not
// reported: the exchange sends all the same, from whatever port the system then picks.
[[nodiscard]] std::optional<UdpSocket> OpenExchangeSocket(std::uint16_t port);

// Builds a Search or QueryStatus request in `datagram` carrying the workstation's address and MAC,
// checksum applied; the last adapter listed wins. false, with no checksum applied, when the
// workstation has no adapter: such a request is never sent.
[[nodiscard]] bool BuildOwnRequest(ClockDatagram& datagram, Command command, const ExchangeOptions& options);

// The address of the entry selected in the clock list. nullopt without a selection, and for an
// entry that is not a dotted address: the list only holds what a search put there, and a
// malformed entry must not turn into a broadcast the way inet_addr's error value would.
[[nodiscard]] std::optional<Ipv4Address> SelectedClockAddress(const DialogControls& controls);

}  // namespace horavane
