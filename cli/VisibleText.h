#pragma once

#include <string>
#include <string_view>

namespace horavane::cli {

// Text that came from a clock, made safe to print on a terminal: control characters (C0, DEL and
// C1), the bidirectional controls and the line and paragraph separators (U+202A-U+202E,
// U+2066-U+2069, U+200E, U+200F, U+061C, U+2028, U+2029), and bytes that are not UTF-8 are shown
// as escapes (\n, \r, \t, \xHH, \u0085, \u202e), and a backslash as \\, so that a clock can
// neither send the terminal commands nor forge a line or reorder the output, and what is shown
// reads back unambiguously. Printable UTF-8 passes unchanged.
[[nodiscard]] std::string VisibleText(std::string_view text);

// Text from a clock as a field of a CSV file: made visible, a spreadsheet formula neutralised by a
// leading apostrophe (a field starting with = + - @, or with a tab or carriage return, which some
// spreadsheets skip before they look for one), quoted when it holds a comma, a quote or a line end,
// with quotes doubled.
[[nodiscard]] std::string CsvField(std::string_view text);

}  // namespace horavane::cli
