#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/NetTypes.h"

namespace horavane {

// Addresses an operator names for a sweep, inclusive at both ends, first octet in the high byte.
struct AddressBlock {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

// The largest block one argument may name: a /16. A site larger than that is named block by block,
// so that a typo (a /8 for a /18) can never start a sweep of millions of addresses.
inline constexpr std::uint32_t kLargestBlock = 65536;

// Whether `text` names a block rather than one address: "A.B.C.D/N" or "A.B.C.D-E.F.G.H".
[[nodiscard]] bool IsBlockText(std::string_view text);

// A CIDR block from /16 to /30 that starts at its own network address, or a range FIRST-LAST of at
// most 65,536 addresses. Blocks touching 0.0.0.0/8 or 224.0.0.0 and above (multicast, reserved,
// broadcast) are refused: no clock lives there and a request there is never unicast. nullopt with
// a one-line reason in `error`.
[[nodiscard]] std::optional<AddressBlock> ParseAddressBlock(std::string_view text, std::string& error);

// The /24 of an address, as the window's search field names a subnet.
[[nodiscard]] AddressBlock SubnetBlock(Ipv4Address address);

// The /24 of a plain address `text` names for a sweep, refused as a block would be (0.x.x.x,
// 224.0.0.0 and above). nullopt with a one-line reason in `error`.
[[nodiscard]] std::optional<AddressBlock> SweptSubnet(Ipv4Address address, std::string_view text,
                                                      std::string& error);

// Whether an address may be named as one clock: never 0.x.x.x or 224.0.0.0 and above, as for
// blocks, and never host 0 or 255 of a /24, which is a subnet's own or its broadcast address. The
// one-line reason when it may not; nullopt when it may.
[[nodiscard]] std::optional<std::string> RefusedClockAddress(Ipv4Address address);

// The hosts the named blocks hold, each once, in ascending order, and never host 0 or 255 of a /24:
// the clocks' subnets are /24s, whose first and last addresses are no hosts.
[[nodiscard]] std::vector<Ipv4Address> HostsOf(std::vector<AddressBlock> blocks);

}  // namespace horavane
