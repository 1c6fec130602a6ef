#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/NetTypes.h"

namespace horavane {

// What an IP-address field holds: four parts of 0 to 255, each of which may be empty. The field
// is blank when all four are.
struct IpFieldValue {
    std::array<std::optional<std::uint8_t>, 4> parts{};

    [[nodiscard]] bool IsBlank() const { return FilledParts() == 0; }
    [[nodiscard]] int FilledParts() const;
    // Empty parts read as 0.
    [[nodiscard]] Ipv4Address Address() const;
    [[nodiscard]] static IpFieldValue From(Ipv4Address address);
    // The field as typed: four parts joined by dots, an empty part left empty; "" when blank.
    [[nodiscard]] std::string Text() const;
    // Up to four dot-separated parts, each 0..255 or empty ("10", "10..3.", "192.168.1.7").
    // nullopt for anything else.
    [[nodiscard]] static std::optional<IpFieldValue> Parse(std::string_view text);
    friend bool operator==(const IpFieldValue&, const IpFieldValue&) = default;
};

}  // namespace horavane
