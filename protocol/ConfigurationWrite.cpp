#include "protocol/ConfigurationWrite.h"

#include <vector>

#include "protocol/FleetExchange.h"

namespace horavane {

// The window's Modify goes out the way every command's write does: a fleet of one.
bool SendWrite(Ipv4Address clock, ClockDatagram& request, const ExchangeOptions& options,
               const std::function<bool()>& onceOpen) {
    std::vector<FleetWrite> writes{FleetWrite{clock, request}};
    // The caller's request takes its checksum before `onceOpen` looks at it.
    SendFleetWrites(writes, options, [&] {
        request = writes.front().request;
        return !onceOpen || onceOpen();
    });
    return writes.front().sent;
}

}  // namespace horavane
