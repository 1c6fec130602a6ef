#include "protocol/ConfigurationWrite.h"

namespace horavane {

bool SendWrite(Ipv4Address clock, ClockDatagram& request, const ExchangeOptions& options) {
    const auto port = OpenExchangePort(options, 1, 1);
    if (!port) return false;
    ApplyChecksum(request);
    return port->SendTo(clock, options.port, request.bytes());
}

}  // namespace horavane
