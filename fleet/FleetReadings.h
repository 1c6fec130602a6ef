#pragma once

#include <optional>
#include <vector>

#include "fleet/KnownClocks.h"
#include "protocol/ClockCodec.h"
#include "protocol/FleetExchange.h"

namespace horavane {

// One clock of a fleet query: what became of it and, when it answered, its last accepted reply.
struct ClockReading {
    FleetOutcome outcome;
    std::optional<ClockStatus> status;
};

// Queries the clocks at once (QueryFleet) and keeps each reply decoded, not as a window: a window
// per clock would cost tens of kilobytes each, and a site has thousands. With `keepSilent` false
// only the clocks that answered or kept failing the checksum are returned (the hosts of a sweep
// that no clock holds drop out). In the order of `clocks`; nullopt when nothing could be sent.
[[nodiscard]] std::optional<std::vector<ClockReading>> ReadClocks(const std::vector<Ipv4Address>& clocks,
                                                                  const ExchangeOptions& options,
                                                                  bool keepSilent = true);

// What a reading says of its clock, decided here for every command and the Prometheus text.
enum class ClockState {
    kSynchronised,    // answered, and synchronised with a time server
    kUnsynchronised,  // answered, not synchronised
    kChecksumError,   // its replies kept failing the checksum: "Error CheckSum"
    kSilent,          // no reply
};
[[nodiscard]] ClockState StateOf(const ClockReading& reading);
[[nodiscard]] inline bool Answering(ClockState state) {
    return state == ClockState::kSynchronised || state == ClockState::kUnsynchronised;
}

// A clock the fleet file does not name. Without a fleet file no clock is unknown: every one would
// be, which tells nothing.
[[nodiscard]] bool UnknownTo(const KnownClocks& known, Ipv4Address clock);

}  // namespace horavane
