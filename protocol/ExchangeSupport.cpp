#include "protocol/ExchangeSupport.h"

#include "settings/ControlIds.h"

namespace horavane {

std::optional<UdpSocket> OpenExchangeSocket(std::uint16_t port) {
    auto socket = UdpSocket::Create();
    if (socket) socket->Bind(Ipv4Address{}, port);
    return socket;
}

bool BuildOwnRequest(ClockDatagram& datagram, Command command, const ExchangeOptions& options) {
    BeginRequest(datagram, command);
    const auto adapters = options.adapters ? options.adapters() : std::nullopt;
    if (!adapters || adapters->empty()) return false;
    const AdapterInfo& last = adapters->back();
    BuildAddressedRequest(datagram, command, last.address, last.mac);
    return true;
}

std::optional<Ipv4Address> SelectedClockAddress(const DialogControls& controls) {
    const int index = controls.ListSelectedIndex(ctl::ClockList);
    if (index < 0) return std::nullopt;
    return Ipv4Address::Parse(controls.ListText(ctl::ClockList, index));
}

}  // namespace horavane
