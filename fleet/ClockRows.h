#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/DialogControls.h"
#include "dialog/InMemoryControls.h"

namespace horavane {

using Json = nlohmann::ordered_json;

// What every program reads about a clock is read from the controls the one decoder filled, exactly
// as the operator would read it off the window; these are the rows that the journal, the verified
// write and several commands share.

// The main window in memory as it opens: every drop-down list filled, nothing selected.
[[nodiscard]] InMemoryControls FreshWindow();

// The full read-out: `status --json`. Blank address fields are "", lists and radio pairs without
// a selection are null.
[[nodiscard]] Json StatusJson(const DialogControls& controls, std::string_view address);

// Keys of StatusJson that a write carries to the clock, in output order.
[[nodiscard]] const std::vector<std::string>& WritableKeys();
// Keys that only report on the clock (accepted in a settings file and ignored there).
[[nodiscard]] const std::vector<std::string>& ReadOnlyKeys();

// StatusJson cut down to the writable keys: `export`, and what the journal keeps.
[[nodiscard]] Json WritableJson(const DialogControls& controls);

// The JSON text a program prints or keeps. A clock's serial number is whatever bytes it sends; any
// that are not UTF-8 are written as U+FFFD instead of ending the program.
[[nodiscard]] std::string JsonText(const Json& value, int indent = -1);

// Writable fields whose values differ, one "key: wrote X, clock shows Y" line each.
[[nodiscard]] std::vector<std::string> DifferingFields(const Json& written, const Json& shown);

}  // namespace horavane
