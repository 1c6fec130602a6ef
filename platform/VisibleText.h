#pragma once

#include <string>
#include <string_view>

namespace horavane {

// Text this program did not write itself (a clock's serial number, the holder named in the port's
// lock file, a fleet file's row, a journal line, a state file, a command-line value), made safe to
// print on a terminal: control characters (C0, DEL and C1), the bidirectional controls and the line
// and paragraph separators (U+202A-U+202E, U+2066-U+2069, U+200E, U+200F, U+061C, U+2028, U+2029),
// and bytes that are not UTF-8 are shown as escapes (\n, \r, \t, \xHH, \u0085, \u202e), and a
// backslash as \\, so that such a text can neither send the terminal commands nor forge a line or
// reorder the output, and what is shown reads back unambiguously. Printable UTF-8 passes unchanged.
// Both horavanectl and horavane-sim print through it, so it sits below them both.
[[nodiscard]] std::string VisibleText(std::string_view text);

// The same text for a JSON string, whose own escapes already cover the control characters: a
// well-formed UTF-8 text passes unchanged; in one holding bytes that are not UTF-8, each such byte
// becomes \xHH and each backslash \\, as VisibleText shows them, so that the bytes stay
// distinguishable instead of all turning into U+FFFD.
[[nodiscard]] std::string JsonVisibleText(std::string_view text);

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or code points above U+10FFFF):
// nothing in it that VisibleText would show as \xHH.
[[nodiscard]] bool IsUtf8(std::string_view text);

}  // namespace horavane
