#include "protocol/Exchange.h"

#include <utility>

#include "protocol/HostRanges.h"

namespace horavane {

GuardedPort::GuardedPort(std::unique_ptr<DatagramPort> port, DestinationRule rule)
    : port_(std::move(port)), rule_(rule) {}

bool GuardedPort::Allows(Ipv4Address destination) const {
    if (rule_ == DestinationRule::SweptHost) {
        const auto host = destination.octets[3];
        return host != 0 && host != 0xFF;
    }
    return !RefusedClockAddress(destination);
}

bool GuardedPort::SendTo(Ipv4Address destination, std::uint16_t port, std::span<const std::uint8_t> bytes) {
    return Allows(destination) && port_->SendTo(destination, port, bytes);
}
UdpSocket::Wait GuardedPort::WaitReadable(std::chrono::milliseconds limit) {
    return port_->WaitReadable(limit);
}
std::optional<ReceivedDatagram> GuardedPort::ReceiveInto(std::span<std::uint8_t> buffer) {
    return port_->ReceiveInto(buffer);
}
DatagramPort::Time GuardedPort::Now() const {
    return port_->Now();
}
void GuardedPort::SleepUntil(Time until) {
    port_->SleepUntil(until);
}

std::unique_ptr<GuardedPort> OpenExchangePort(const ExchangeOptions& options, int libraryMajor,
                                              int libraryMinor, int receiveBuffer, DestinationRule rule) {
    if (!options.openPort) return nullptr;
    auto port = options.openPort(
        PortRequest{options.port, libraryMajor, libraryMinor, receiveBuffer, options.lockWait});
    if (!port) return nullptr;
    return std::make_unique<GuardedPort>(std::move(port), rule);
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
