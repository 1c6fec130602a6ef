#pragma once

#include <string>
#include <string_view>

#include "fleet/ClockRows.h"

namespace horavane::cli {

// The output formats of a clock's read-out; the rows themselves are fleet/ClockRows.

// The read-out as an aligned block with the window's captions: plain `status`. Texts from the
// clock are shown through VisibleText.
[[nodiscard]] std::string StatusBlock(const DialogControls& controls, std::string_view address);

// "2 Second Sun Mar - 3 Last Sun Oct", or "off" when daylight saving is not ticked.
[[nodiscard]] std::string DaylightSavingText(const DialogControls& controls);

}  // namespace horavane::cli
