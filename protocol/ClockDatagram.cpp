#include "protocol/ClockDatagram.h"

#include <algorithm>
#include <cstring>

namespace horavane {

ClockDatagram::ClockDatagram(std::span<const std::uint8_t> bytes) {
    std::copy_n(bytes.begin(), std::min(bytes.size(), kSize), bytes_.begin());
}

void ClockDatagram::SetMagic() {
    bytes_[0] = 'M';
    bytes_[1] = 'V';
}

void ClockDatagram::setDstStartWhen(std::uint8_t week, std::uint8_t day) {
    bytes_[kDstStartWhen] = static_cast<std::uint8_t>(((week & 0x0F) << 4) | (day & 0x0F));
}

void ClockDatagram::setDstEndWhen(std::uint8_t week, std::uint8_t day) {
    bytes_[kDstEndWhen] = static_cast<std::uint8_t>(((week & 0x0F) << 4) | (day & 0x0F));
}

Ipv4Address ClockDatagram::timeServer(std::size_t slot) const {
    return AddressAt(kTimeServers + 4 * std::min(slot, kTimeServerSlots - 1));
}

void ClockDatagram::setTimeServer(std::size_t slot, Ipv4Address a) {
    if (slot < kTimeServerSlots) SetAddressAt(kTimeServers + 4 * slot, a);
}

std::string ClockDatagram::serialNumber() const {
    const auto* first = bytes_.data() + kSerialNumber;
    const auto* end = std::find(first, first + kSerialNumberLength, std::uint8_t{0});
    return std::string(first, end);
}

void ClockDatagram::setSerialNumber(std::string_view text) {
    std::fill_n(bytes_.begin() + kSerialNumber, kSerialNumberLength, std::uint8_t{0});
    std::copy_n(text.begin(), std::min(text.size(), kSerialNumberLength), bytes_.begin() + kSerialNumber);
}

MacAddress ClockDatagram::mac() const {
    MacAddress mac{};
    std::copy_n(bytes_.begin() + kMac, mac.size(), mac.begin());
    return mac;
}

void ClockDatagram::setMac(const MacAddress& mac) {
    std::copy(mac.begin(), mac.end(), bytes_.begin() + kMac);
}

Ipv4Address ClockDatagram::AddressAt(std::size_t offset) const {
    Ipv4Address a;
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), 4, a.octets.begin());
    return a;
}

void ClockDatagram::SetAddressAt(std::size_t offset, Ipv4Address a) {
    std::copy(a.octets.begin(), a.octets.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

bool ApplyChecksum(ClockDatagram& datagram) {
    auto& b = datagram.bytes();
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < ClockDatagram::kChecksum; ++i) x = static_cast<std::uint8_t>(x ^ b[i]);
    if (b[ClockDatagram::kChecksum] == 0) b[ClockDatagram::kChecksum] = x;
    return b[ClockDatagram::kChecksum] == x;
}

bool AcceptAsReply(ClockDatagram& datagram) {
    return ApplyChecksum(datagram) && datagram.direction() == static_cast<std::uint8_t>(Direction::Reply);
}

void BeginRequest(ClockDatagram& datagram, Command command) {
    datagram.Clear();
    datagram.SetMagic();
    datagram.setDirection(Direction::Request);
    datagram.setCommand(command);
}

void BuildAddressedRequest(ClockDatagram& datagram, Command command, Ipv4Address ownAddress,
                           const MacAddress& ownMac) {
    BeginRequest(datagram, command);
    datagram.setSenderIp(ownAddress);
    datagram.setMac(ownMac);
    ApplyChecksum(datagram);
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace horavane
