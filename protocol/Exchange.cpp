#include "protocol/Exchange.h"

namespace horavane {

std::unique_ptr<DatagramPort> OpenExchangePort(const ExchangeOptions& options, int libraryMajor,
                                               int libraryMinor, int receiveBuffer) {
    if (!options.openPort) return nullptr;
    return options.openPort(
        PortRequest{options.port, libraryMajor, libraryMinor, receiveBuffer, options.lockWait});
}

std::optional<OwnAdapter> FindOwnAdapter(const ExchangeOptions& options) {
    if (!options.adapters) return std::nullopt;
    const auto adapters = options.adapters();
    if (!adapters || adapters->empty()) return std::nullopt;
    return OwnAdapter{adapters->back().address, adapters->back().mac};
}

ClockDatagram BuildOwnRequest(Command command, const OwnAdapter& own) {
    ClockDatagram request;
    BuildAddressedRequest(request, command, own.address, own.mac);
    return request;
}

}  // namespace horavane
