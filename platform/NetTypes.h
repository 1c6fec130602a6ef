#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace horavane {

// An IPv4 address kept as it travels on the wire: the first number of the dotted form first.
struct Ipv4Address {
    std::array<std::uint8_t, 4> octets{};

    [[nodiscard]] bool IsZero() const { return octets == std::array<std::uint8_t, 4>{}; }
    // First octet in the highest byte, as the address checks compare them.
    [[nodiscard]] std::uint32_t ToUint32() const;
    [[nodiscard]] static Ipv4Address FromUint32(std::uint32_t value);
    // Dotted decimal without leading zeros, as inet_ntoa writes it.
    [[nodiscard]] std::string ToString() const;
    // Strict dotted quad: four decimal numbers 0..255, nothing else.
    [[nodiscard]] static std::optional<Ipv4Address> Parse(std::string_view text);

    friend bool operator==(const Ipv4Address&, const Ipv4Address&) = default;
    friend auto operator<=>(const Ipv4Address&, const Ipv4Address&) = default;
};

using MacAddress = std::array<std::uint8_t, 6>;

// "00-1A-2B-3C-4D-5E": six hexadecimal pairs in capitals, joined by hyphens.
[[nodiscard]] std::string MacText(const MacAddress& mac);

}  // namespace horavane
