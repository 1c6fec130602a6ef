#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Adapters.h"
#include "protocol/ClockDatagram.h"
#include "protocol/Exchange.h"
#include "settings/IpFieldValue.h"
#include "sim/ClockSimulator.h"

namespace horavane::test {

inline Ipv4Address Ip(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return {{a, b, c, d}};
}

inline IpFieldValue Field(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return IpFieldValue::From(Ip(a, b, c, d));
}

inline constexpr Ipv4Address kWorkstation{{127, 0, 0, 1}};
inline constexpr MacAddress kWorkstationMac{0x02, 0, 0, 0, 0, 0x01};

// A workstation with one adapter on loopback, so that tests never depend on this machine's
// adapters and nothing they send leaves the machine.
inline std::optional<std::vector<AdapterInfo>> LoopbackAdapter() {
    return std::vector<AdapterInfo>{AdapterInfo{"test0", kWorkstation, kWorkstationMac}};
}

// Exchange options for a simulator on `port` over real UDP, with short waits unless a test needs
// the real ones.
inline ExchangeOptions OptionsFor(std::uint16_t port,
                                  std::chrono::milliseconds wait = std::chrono::milliseconds(150)) {
    ExchangeOptions options;
    options.port = port;
    options.wait = wait;
    options.adapters = LoopbackAdapter;
    return options;
}

// Designated initialisers would leave the optional switches without an initialiser, which the
// warning flags refuse; a setter keeps each test's one fault readable.
template <typename Set>
sim::FaultSwitches Faults(Set set) {
    sim::FaultSwitches faults;
    set(faults);
    return faults;
}

}  // namespace horavane::test
