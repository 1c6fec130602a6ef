#pragma once

#include <chrono>
#include <cstdint>

#include "platform/Adapters.h"
#include "protocol/ClockDatagram.h"

namespace horavane {

// What an exchange with the clocks may be told from outside. The product always runs with the
// defaults; tests choose their own port, shorter waits and a stand-in adapter list.
struct ExchangeOptions {
    std::uint16_t port = ClockPort;  // local and remote port alike
    std::chrono::milliseconds wait{1000};
    AdapterLister adapters = ListSystemAdapters;
};

}  // namespace horavane
