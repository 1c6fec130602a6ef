#pragma once

#include <string>
#include <string_view>

namespace horavane::cli {

// Text from outside the program (a clock's serial number, a fleet file's name) as a field of a CSV
// file, safe whichever separator a spreadsheet picks:
//  1. made visible (VisibleText), so that no control character or line break is left in it;
//  2. a formula neutralised by an apostrophe put before it: at the start of the field, and after
//     each ";" or "," inside it (where a spreadsheet splitting on ";" starts a cell), before any of
//     = + - @ tab and carriage return, and after such a separator before a quote as well;
//  3. quoted when it then holds a semicolon, a comma, a quote or a line break, with quotes doubled.
// The fleet file's reader undoes exactly these steps.
[[nodiscard]] std::string CsvField(std::string_view text);

}  // namespace horavane::cli
