#include "fleet/FleetCsv.h"

#include <cstdint>

namespace horavane {
namespace {

constexpr int kEnd = std::char_traits<char>::eof();

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of the `digits` hexadecimal digits at the start of `text`, or -1.
long Hex(std::string_view text, std::size_t digits) {
    if (text.size() < digits) return -1;
    long value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6U));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12U));
        out += static_cast<char>(0x80 | ((codePoint >> 6U) & 0x3FU));
    }
    out += static_cast<char>(0x80 | (codePoint & 0x3FU));
}

}  // namespace

ViewBuffer::ViewBuffer(std::string_view text) {
    // The buffer is only ever read from.
    char* begin = const_cast<char*>(text.data());  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    setg(begin, begin, begin + text.size());
}

CsvReader::CsvReader(std::streambuf& in, std::size_t longestRecord) : in_(in), longest_(longestRecord) {
    // Spreadsheets write a byte-order mark.
    static constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (in_.sgetc() != static_cast<unsigned char>(kMark[0])) return;
    std::string start(3, '\0');
    const auto got = in_.sgetn(start.data(), 3);
    if (got == 3 && start == kMark) return;
    // Not a mark: the bytes read go back (a stream of a file or a string takes them).
    for (auto i = got; i > 0; --i) in_.sungetc();
}

bool CsvReader::Next(CsvRecord& record, std::string& error) {
    record.fields.clear();
    record.line = line_;
    if (in_.sgetc() == kEnd) return false;
    std::size_t length = 0;
    std::string field;
    bool quoted = false;     // inside quotes
    bool wasQuoted = false;  // the field began with a quote
    for (int next = in_.sbumpc(); next != kEnd; next = in_.sbumpc()) {
        if (++length > longest_) {
            error = "the row is longer than " + std::to_string(longest_) + " bytes";
            return false;
        }
        const char c = static_cast<char>(next);
        if (quoted) {
            if (c == '"' && in_.sgetc() == '"') {
                field += '"';
                in_.sbumpc();
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n') ++line_;
                field += c;
            }
            continue;
        }
        if (c == '"') {
            if (wasQuoted || !field.empty()) {
                error = "a quote inside a field that is not quoted as a whole";
                return false;
            }
            quoted = wasQuoted = true;
        } else if (c == ',') {
            record.fields.push_back(std::move(field));
            field.clear();
            wasQuoted = false;
        } else if (c == '\r' && in_.sgetc() == '\n') {
            continue;  // the LF ends the record
        } else if (c == '\n') {
            ++line_;
            break;
        } else if (wasQuoted) {
            error = "text after the closing quote of a field";
            return false;
        } else {
            field += c;
        }
    }
    if (quoted) {
        error = "a quoted field that never ends";
        return false;
    }
    record.fields.push_back(std::move(field));
    return true;
}

bool IsUtf8(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    std::size_t i = 0;
    while (i < text.size()) {
        const std::uint8_t lead = byte(i);
        std::size_t length = 1;
        char32_t codePoint = lead;
        char32_t lowest = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, codePoint = lead & 0x1FU, lowest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, codePoint = lead & 0x0FU, lowest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, codePoint = lead & 0x07U, lowest = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0U) != 0x80U) return false;
            codePoint = (codePoint << 6U) | (byte(i + k) & 0x3FU);
        }
        if (codePoint < lowest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string UndoCsvField(std::string_view field) {
    // The writer put an apostrophe before = + - @, a tab or a carriage return.
    if (field.size() >= 2 && field[0] == '\'' &&
        std::string_view("=+-@\t\r").find(field[1]) != std::string_view::npos)
        field.remove_prefix(1);
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c != '\\' || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const char kind = field[i + 1];
        const std::string_view rest = field.substr(i + 2);
        if (kind == '\\' || kind == 'n' || kind == 'r' || kind == 't') {
            out += kind == 'n' ? '\n' : kind == 'r' ? '\r' : kind == 't' ? '\t' : '\\';
            ++i;
        } else if (const long byte = kind == 'x' ? Hex(rest, 2) : -1; byte >= 0) {
            out += static_cast<char>(byte);
            i += 3;
        } else if (const long point = kind == 'u' ? Hex(rest, 4) : -1; point >= 0x80) {
            // The writer shows C1 controls and the code points that move text this way, never
            // anything below U+0080 or a surrogate.
            if (point >= 0xD800 && point <= 0xDFFF) {
                out += c;
                continue;
            }
            AppendUtf8(out, static_cast<char32_t>(point));
            i += 5;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace horavane
