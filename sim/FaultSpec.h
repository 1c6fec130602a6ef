#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/NetTypes.h"
#include "sim/ClockSimulator.h"

namespace horavane::sim {

// Longest delay a clock may be told to wait before replying; a longer one would look like a hang.
inline constexpr int kMaxDelayMs = 10000;

// One "--fault ADDRESS:KIND[=VALUE]" of the command line: which clock, and what to switch on.
struct FaultSpec {
    Ipv4Address address;
    std::string
        kind;  // silent, wrong-checksum, zero-checksum, short, duplicate, delay, direction, ignore-writes
    long value = 0;  // for the kinds that take one
};

// nullopt with a one-line reason in `error` when the text is not a valid fault.
[[nodiscard]] std::optional<FaultSpec> ParseFaultSpec(std::string_view text, std::string* error);

// Switches the fault on, on top of the clock's other faults.
void ApplyFault(const FaultSpec& fault, FaultSwitches& faults);

}  // namespace horavane::sim
