#pragma once

#include <chrono>
#include <cstdint>

#include "platform/Adapters.h"
#include "protocol/ExchangeOptions.h"

namespace horavane::test {

// A workstation with one adapter on loopback, so that tests never depend on this machine's
// adapters and nothing they send leaves the machine.
inline std::optional<std::vector<AdapterInfo>> LoopbackAdapter() {
    return std::vector<AdapterInfo>{
        AdapterInfo{"test0", Ipv4Address{{127, 0, 0, 1}}, {0x02, 0, 0, 0, 0, 0x01}}};
}

// Exchange options for a simulator on `port`, with short waits unless a test needs the real ones.
inline ExchangeOptions OptionsFor(std::uint16_t port,
                                  std::chrono::milliseconds wait = std::chrono::milliseconds(150)) {
    ExchangeOptions options;
    options.port = port;
    options.wait = wait;
    options.adapters = LoopbackAdapter;
    return options;
}

}  // namespace horavane::test
