#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "protocol/ClockDatagram.h"
#include "sim/ClockSimulator.h"

namespace horavane::sim {

// A simulated clock keeps everything it reports in a datagram laid out like its status reply:
// direction, command and checksum stay zero until a reply is built from it.

// Settings a freshly unpacked clock ships with, chosen so that an operator can pick the clock,
// change one setting and press Modify without any check refusing. `index` counts from 0.
[[nodiscard]] ClockDatagram DefaultClockState(int index);

// What a clock takes from a WriteSettings request: the daylight-saving rule, time zone, display,
// energy saving, time servers and addressing. Identity (serial, MAC) and sync state stay.
void TakeWrittenSettings(ClockDatagram& state, const ClockDatagram& write);

// Every field a status reply carries, identity and sync state included.
void TakeAllSettings(ClockDatagram& state, const ClockDatagram& source);

// The status reply to a request with `command`, checksum applied, before any fault is applied.
[[nodiscard]] ClockDatagram BuildStatusReply(const ClockDatagram& state, std::uint8_t command);

// The bytes that go out for that reply once the clock's faults have had their way. Counts the
// wrong-checksum fault down. nullopt for a silent clock: nothing is sent.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> ApplyFaults(ClockDatagram reply,
                                                                   FaultSwitches& faults);

}  // namespace horavane::sim
