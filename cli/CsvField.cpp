#include "cli/CsvField.h"

#include "platform/VisibleText.h"

namespace horavane::cli {
namespace {

// What makes a spreadsheet take a cell for a formula; a tab or carriage return is skipped by some
// before they look (VisibleText leaves neither, the guard holds without it).
bool StartsFormula(char c) {
    return std::string_view("=+-@\t\r").find(c) != std::string_view::npos;
}

}  // namespace

std::string CsvField(std::string_view text) {
    const std::string visible = VisibleText(text);
    // A spreadsheet that splits on ";" (or ignores quotes) starts a cell after each separator inside
    // the field, where a quote would also be taken as the start of a quoted cell and dropped.
    std::string field;
    field.reserve(visible.size() + 2);
    // An apostrophe of the text's own where the guard would stand gets one too, so that a fleet file
    // saved from the inventory reads back exactly (UndoCsvField takes one off).
    const auto guarded = [&visible](std::size_t i) {
        const char c = visible[i];
        return StartsFormula(c) || (i > 0 && c == '"') ||
               (c == '\'' && i + 1 < visible.size() &&
                (StartsFormula(visible[i + 1]) || visible[i + 1] == '\'' ||
                 (i > 0 && visible[i + 1] == '"')));
    };
    for (std::size_t i = 0; i < visible.size(); ++i) {
        const bool cellStart = i == 0 || visible[i - 1] == ';' || visible[i - 1] == ',';
        if (cellStart && guarded(i)) field += '\'';
        field += visible[i];
    }
    if (field.find_first_of(";,\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (const char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace horavane::cli
