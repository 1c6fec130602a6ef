#include "platform/VisibleText.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace horavane {
namespace {

void AppendHex(std::string& out, const char* format, unsigned value) {
    char escape[16];
    std::snprintf(escape, sizeof escape, format, value);
    out += escape;
}

// Length of the well-formed UTF-8 sequence at the start of `text` (overlong forms, surrogates and
// code points above U+10FFFF excluded), or 0.
std::size_t Utf8Length(std::string_view text, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(0);
    std::size_t length = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1FU;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0FU;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07U;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0U) != 0x80U) return 0;
        codePoint = (codePoint << 6U) | (byte(i) & 0x3FU);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < lowest || codePoint > 0x10FFFF || surrogate) return 0;
    return length;
}

// Code points that reorder or break the line around them without being C0 or C1 controls: the
// bidirectional embeddings, overrides, isolates and marks, and the line and paragraph separators.
// Passed through, a clock's text could show its characters in another order than they are sent
// (a serial number reading as another) or start a line of its own.
bool MovesText(char32_t codePoint) {
    return (codePoint >= 0x202A && codePoint <= 0x202E) || (codePoint >= 0x2066 && codePoint <= 0x2069) ||
           codePoint == 0x200E || codePoint == 0x200F || codePoint == 0x061C || codePoint == 0x2028 ||
           codePoint == 0x2029;
}

}  // namespace

std::string VisibleText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto c = static_cast<std::uint8_t>(text.front());
        if (c >= 0x80) {
            char32_t codePoint = 0;
            const std::size_t length = Utf8Length(text, codePoint);
            if (length == 0) {
                AppendHex(out, "\\x%02x", c);
                text.remove_prefix(1);
            } else {
                // C1 controls: CSI (U+009B) moves the cursor as ESC [ does.
                if (codePoint <= 0x9F || MovesText(codePoint))
                    AppendHex(out, "\\u%04x", static_cast<unsigned>(codePoint));
                else
                    out.append(text.substr(0, length));
                text.remove_prefix(length);
            }
            continue;
        }
        text.remove_prefix(1);
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (c < 0x20 || c == 0x7F)
                    AppendHex(out, "\\x%02x", c);
                else
                    out += static_cast<char>(c);
        }
    }
    return out;
}

bool IsUtf8(std::string_view text) {
    // Most texts are ASCII: those pass eight bytes at a time.
    while (text.size() >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data(), 8);
        if ((word & 0x8080808080808080U) != 0) break;
        text.remove_prefix(8);
    }
    while (!text.empty()) {
        char32_t codePoint = 0;
        const std::size_t length =
            static_cast<std::uint8_t>(text.front()) < 0x80 ? 1 : Utf8Length(text, codePoint);
        if (length == 0) return false;
        text.remove_prefix(length);
    }
    return true;
}

std::string JsonVisibleText(std::string_view text) {
    if (IsUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto c = static_cast<std::uint8_t>(text.front());
        char32_t codePoint = 0;
        const std::size_t length = c < 0x80 ? 1 : Utf8Length(text, codePoint);
        if (length == 0) {
            AppendHex(out, "\\x%02x", c);
            text.remove_prefix(1);
            continue;
        }
        if (c == '\\') out += '\\';
        out.append(text.substr(0, length));
        text.remove_prefix(length);
    }
    return out;
}

}  // namespace horavane
