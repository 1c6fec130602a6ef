#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/DialogControls.h"

namespace horavane::cli {

using Json = nlohmann::ordered_json;

// Everything a command prints about a clock is read from the controls the one decoder filled,
// exactly as the operator would read it off the window.

// The full read-out: `status --json`. Blank address fields are "", lists and radio pairs without
// a selection are null.
[[nodiscard]] Json StatusJson(const DialogControls& controls, std::string_view address);

// Keys of StatusJson that a write carries to the clock, in output order.
[[nodiscard]] const std::vector<std::string>& WritableKeys();
// Keys that only report on the clock (accepted in a settings file and ignored there).
[[nodiscard]] const std::vector<std::string>& ReadOnlyKeys();

// StatusJson cut down to the writable keys: `export`.
[[nodiscard]] Json WritableJson(const DialogControls& controls);

// The read-out as an aligned block with the window's captions: plain `status`.
[[nodiscard]] std::string StatusBlock(const DialogControls& controls, std::string_view address);

// "2 Second Sun Mar - 3 Last Sun Oct", or "off" when daylight saving is not ticked.
[[nodiscard]] std::string DaylightSavingText(const DialogControls& controls);

// The JSON text a command prints. A clock's serial number is whatever bytes it sends; any that
// are not UTF-8 are printed as U+FFFD instead of ending the program.
[[nodiscard]] std::string JsonText(const Json& value, int indent = -1);

// Text that came from a clock, made safe to print: control characters, DEL and every byte above
// ASCII as \xHH escapes (\n, \r and \t as themselves), and a backslash as \\, so that a clock can
// neither send the terminal commands nor forge a line or a field of the output.
[[nodiscard]] std::string VisibleText(std::string_view text);

// Writable fields whose values differ, one "key: wrote X, clock shows Y" line each.
[[nodiscard]] std::vector<std::string> DifferingFields(const Json& written, const Json& shown);

}  // namespace horavane::cli
