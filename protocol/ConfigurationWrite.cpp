#include "protocol/ConfigurationWrite.h"

namespace horavane {

bool SendWrite(Ipv4Address clock, ClockDatagram& request, const ExchangeOptions& options,
               const std::function<bool()>& onceOpen) {
    const auto port = OpenExchangePort(options, 1, 1);
    if (!port || !port->Allows(clock)) return false;
    ApplyChecksum(request);
    if (onceOpen && !onceOpen()) return false;
    return port->SendTo(clock, options.port, request.bytes());
}

}  // namespace horavane
