#pragma once

#include <optional>
#include <vector>

#include "dialog/InMemoryControls.h"
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

// The main window in memory as a fresh query of this status would leave it: what every command
// prints about a clock is read off such a window, one clock at a time.
[[nodiscard]] InMemoryControls ShownWindow(const ClockStatus& status);

}  // namespace horavane
