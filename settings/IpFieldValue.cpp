#include "settings/IpFieldValue.h"

#include <algorithm>

namespace horavane {

int IpFieldValue::FilledParts() const {
    return static_cast<int>(
        std::count_if(parts.begin(), parts.end(), [](const auto& p) { return p.has_value(); }));
}

Ipv4Address IpFieldValue::Address() const {
    Ipv4Address address;
    for (std::size_t i = 0; i < 4; ++i) address.octets[i] = parts[i].value_or(0);
    return address;
}

std::string IpFieldValue::Text() const {
    if (IsBlank()) return "";
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += '.';
        if (parts[i]) text += std::to_string(*parts[i]);
    }
    return text;
}

IpFieldValue IpFieldValue::From(Ipv4Address address) {
    IpFieldValue value;
    for (std::size_t i = 0; i < 4; ++i) value.parts[i] = address.octets[i];
    return value;
}

std::optional<IpFieldValue> IpFieldValue::Parse(std::string_view text) {
    IpFieldValue value;
    std::size_t part = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string_view piece =
            text.substr(start, dot == std::string_view::npos ? text.npos : dot - start);
        if (part >= 4) return std::nullopt;
        if (!piece.empty()) {
            if (piece.size() > 3) return std::nullopt;
            unsigned number = 0;
            for (char c : piece) {
                if (c < '0' || c > '9') return std::nullopt;
                number = number * 10 + static_cast<unsigned>(c - '0');
            }
            if (number > 255) return std::nullopt;
            value.parts[part] = static_cast<std::uint8_t>(number);
        }
        ++part;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return value;
}

}  // namespace horavane
