#pragma once

#include <optional>
#include <string>

#include "fleet/ClockRows.h"
#include "settings/SettingsChange.h"

namespace horavane {

// The change a settings file in the shape of `status --json` / `export` makes: each key it holds,
// as the operator would set that field in the window. Keys that only report on a clock are ignored;
// unknown keys are an error, so that a typo is not silently skipped. nullopt with `error` set for
// malformed input or a text that none of the lists holds (the error then names the valid entries).
[[nodiscard]] std::optional<SettingsChange> ChangeFromJson(const Json& file, std::string& error);

}  // namespace horavane
