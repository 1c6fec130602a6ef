#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/ClockCodec.h"
#include "settings/SettingsForm.h"

namespace horavane {

using Json = nlohmann::ordered_json;

// What every program prints or keeps about a clock, as JSON, from the read-out a window would show
// (settings/SettingsForm); these are the rows the journal, the verified write and several commands
// share.

// The full read-out: `status --json`. Blank address fields are "", lists and radio pairs without
// a selection are null.
[[nodiscard]] Json StatusJson(const ClockReadout& readout, std::string_view address);

// Keys of StatusJson that a write carries to the clock, in output order.
[[nodiscard]] const std::vector<std::string>& WritableKeys();
// Keys that only report on the clock (accepted in a settings file and ignored there).
[[nodiscard]] const std::vector<std::string>& ReadOnlyKeys();

// The writable keys alone: `export`, and the one form in which the journal keeps a clock's settings
// (its records' "before" and "written").
[[nodiscard]] Json SettingsJson(const SettingsForm& form);
[[nodiscard]] Json SettingsJson(const ClockSettings& settings);

// `text` without the line feeds and carriage returns at its end.
[[nodiscard]] std::string WithoutLineEnd(std::string text);

// The JSON text a program prints or keeps. A clock's serial number is whatever bytes it sends; any
// that are not UTF-8 are written as U+FFFD instead of ending the program.
[[nodiscard]] std::string JsonText(const Json& value, int indent = -1);

// Writable fields whose values differ, one "key: wrote X, clock shows Y" line each.
[[nodiscard]] std::vector<std::string> DifferingFields(const SettingsForm& written,
                                                       const SettingsForm& shown);

}  // namespace horavane
