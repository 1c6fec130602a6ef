#include "fleet/FleetCsv.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/VisibleText.h"

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

CsvReader::CsvReader(std::streambuf& in, std::size_t longestRecord)
    : in_(in), longest_(longestRecord), chunk_(kChunk) {
    // Spreadsheets write a byte-order mark.
    if (Fill() && std::string_view(at_, static_cast<std::size_t>(end_ - at_)).starts_with("\xEF\xBB\xBF"))
        at_ += 3;
}

bool CsvReader::Fill() {
    if (at_ != end_) return true;
    const auto got = in_.sgetn(chunk_.data(), static_cast<std::streamsize>(chunk_.size()));
    at_ = chunk_.data();
    end_ = at_ + (got > 0 ? got : 0);
    return at_ != end_;
}

int CsvReader::Peek() {
    return Fill() ? static_cast<unsigned char>(*at_) : kEnd;
}

bool CsvReader::Next(CsvRecord& record, std::string& error) {
    record.line = line_;
    auto& fields = record.fields;
    if (Peek() == kEnd) {
        fields.clear();
        return false;
    }
    // The strings of the record before are reused, so that a long file costs no allocation a row.
    std::size_t count = 0;
    const auto nextField = [&]() -> std::string& {
        if (count == fields.size())
            fields.emplace_back();
        else
            fields[count].clear();
        return fields[count++];
    };
    std::string* field = &nextField();
    std::size_t length = 0;
    bool quoted = false;     // inside quotes
    bool wasQuoted = false;  // the field began with a quote
    while (Fill()) {
        // The plain bytes up to the next one that means something go in at once.
        const char* plain = at_;
        while (plain != end_ &&
               !(quoted ? *plain == '"' || *plain == '\n'
                        : *plain == ',' || *plain == '"' || *plain == '\r' || *plain == '\n'))
            ++plain;
        const auto run = static_cast<std::size_t>(plain - at_);
        if ((length += run) > longest_) break;
        if (run != 0) {
            if (wasQuoted && !quoted) {
                error = "text after the closing quote of a field";
                return false;
            }
            field->append(at_, run);
            at_ = plain;
            continue;
        }
        if (++length > longest_) break;
        const char c = *at_++;
        if (quoted) {
            if (c == '"' && Peek() == '"') {
                *field += '"';
                ++at_;
                ++length;
            } else if (c == '"') {
                quoted = false;
            } else {
                ++line_;  // a line break inside the quotes
                *field += c;
            }
            continue;
        }
        if (c == '"') {
            if (wasQuoted || !field->empty()) {
                error = "a quote inside a field that is not quoted as a whole";
                return false;
            }
            quoted = wasQuoted = true;
        } else if (c == ',') {
            field = &nextField();
            wasQuoted = false;
        } else if (c == '\r' && Peek() == '\n') {
            continue;  // the LF ends the record
        } else if (c == '\n') {
            ++line_;
            fields.resize(count);
            return true;
        } else if (wasQuoted) {
            error = "text after the closing quote of a field";
            return false;
        } else {
            *field += c;  // a carriage return of its own
        }
    }
    if (length > longest_) {
        error = "the row is longer than " + std::to_string(longest_) + " bytes";
        return false;
    }
    if (quoted) {
        error = "a quoted field that never ends";
        return false;
    }
    fields.resize(count);
    return true;
}

bool BlankRecord(const CsvRecord& record) {
    return record.fields.size() == 1 && record.fields[0].empty();
}

std::optional<std::vector<std::size_t>> FindColumns(const std::vector<std::string>& header,
                                                    std::span<const char* const> names, std::string& why) {
    std::vector<std::size_t> columns;
    for (const char* name : names) {
        const auto found = std::find(header.begin(), header.end(), name);
        if (found == header.end()) {
            std::string needed;
            for (const char* each : names) needed += (needed.empty() ? "" : ",") + std::string(each);
            why = std::string("the header has no column \"") + name + "\" (it needs " + needed + ")";
            return std::nullopt;
        }
        columns.push_back(static_cast<std::size_t>(found - header.begin()));
    }
    return columns;
}

std::string RowTextFault(const CsvRecord& record, std::size_t fieldCount) {
    for (const std::string& field : record.fields)
        if (!IsUtf8(field)) return "the text is not UTF-8: save the file as UTF-8 (CSV UTF-8)";
    if (record.fields.size() != fieldCount)
        return "the row has " + std::to_string(record.fields.size()) + " fields, the header " +
               std::to_string(fieldCount);
    return "";
}

std::optional<std::ifstream> OpenCsvFile(const std::filesystem::path& file, const std::string& what,
                                         std::uintmax_t largest, std::string& error) {
    std::error_code failure;
    const std::string fileName = file.string();
    const auto status = std::filesystem::status(file, failure);
    if (!std::filesystem::is_regular_file(status)) {
        error = what + " " + fileName +
                (std::filesystem::exists(status) ? " is not a plain file" : " does not exist");
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, failure);
    if (!failure && size > largest) {
        error = what + " " + fileName + " is larger than " + std::to_string(largest >> 20U) + " MiB";
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (failure || !in) {
        error = what + " " + fileName + " cannot be read";
        return std::nullopt;
    }
    return in;
}

std::string UndoCsvField(std::string_view field) {
    // The writer put an apostrophe where a spreadsheet starts a cell (the field's start, and after
    // each ";" or "," in it, whichever separator it splits on) before = + - @, a tab, a carriage
    // return, an apostrophe, and inside also a quote.
    const auto guard = [field](std::size_t i) {
        if (field[i] != '\'' || i + 1 == field.size()) return false;
        if (i > 0 && field[i - 1] != ';' && field[i - 1] != ',') return false;
        const char next = field[i + 1];
        return std::string_view("=+-@\t\r'").find(next) != std::string_view::npos || (i > 0 && next == '"');
    };
    std::string unguarded;
    unguarded.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i)
        if (!guard(i)) unguarded += field[i];
    field = unguarded;
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
