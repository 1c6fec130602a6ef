#pragma once

#include <string>
#include <string_view>

#include "fleet/ClockRows.h"

namespace horavane::cli {

// The output formats of a clock's read-out; the rows themselves are fleet/ClockRows.

// The read-out as an aligned block with the window's captions: plain `status`. Texts from the
// clock are shown through VisibleText.
[[nodiscard]] std::string StatusBlock(const ClockReadout& readout, std::string_view address);

// "2 Second Sun Mar - 3 Last Sun Oct", or "off" when daylight saving is not ticked, from a
// StatusJson or SettingsJson.
[[nodiscard]] std::string DaylightSavingText(const Json& settings);

}  // namespace horavane::cli
