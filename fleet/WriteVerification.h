#pragma once

#include "fleet/ClockRows.h"
#include "protocol/ClockDatagram.h"

namespace horavane {

// What the window would show for a clock that holds exactly the settings of `written`: the write
// request run through the one decoder on a fresh dialog, so that the comparison with the clock's
// later reply is made on what the operator sees (a time zone the list lacks reads as written,
// rule lists of a switched-off daylight saving are empty on both sides).
[[nodiscard]] Json ExpectedDisplay(const ClockDatagram& written);

}  // namespace horavane
