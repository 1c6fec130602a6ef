#include "platform/NetTypes.h"

#include <charconv>

namespace horavane {

std::uint32_t Ipv4Address::ToUint32() const {
    return (std::uint32_t{octets[0]} << 24) | (std::uint32_t{octets[1]} << 16) |
           (std::uint32_t{octets[2]} << 8) | std::uint32_t{octets[3]};
}

Ipv4Address Ipv4Address::FromUint32(std::uint32_t value) {
    return Ipv4Address{{static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)}};
}

std::string Ipv4Address::ToString() const {
    std::string text;
    for (std::size_t i = 0; i < octets.size(); ++i) {
        if (i != 0) text += '.';
        text += std::to_string(octets[i]);
    }
    return text;
}

std::optional<Ipv4Address> Ipv4Address::Parse(std::string_view text) {
    Ipv4Address address;
    for (std::size_t part = 0; part < 4; ++part) {
        if (part != 0) {
            if (text.empty() || text.front() != '.') return std::nullopt;
            text.remove_prefix(1);
        }
        std::size_t digits = 0;
        while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
        if (digits == 0 || digits > 3) return std::nullopt;
        unsigned value = 0;
        std::from_chars(text.data(), text.data() + digits, value);
        if (value > 255) return std::nullopt;
        address.octets[part] = static_cast<std::uint8_t>(value);
        text.remove_prefix(digits);
    }
    if (!text.empty()) return std::nullopt;
    return address;
}

std::string MacText(const MacAddress& mac) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        if (i != 0) text += '-';
        text += kDigits[mac[i] >> 4];
        text += kDigits[mac[i] & 0x0F];
    }
    return text;
}

}  // namespace horavane
