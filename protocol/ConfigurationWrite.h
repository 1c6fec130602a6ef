#pragma once

#include "protocol/ClockDatagram.h"
#include "protocol/ExchangeOptions.h"
#include "settings/DialogControls.h"

namespace horavane {

// Runs the checks and encodes the window's settings into a WriteSettings request in `buffer`,
// checksum not yet applied. false when a check refused; its message has been shown.
[[nodiscard]] bool BuildWriteSettings(DialogControls& controls, ClockDatagram& buffer);

// Sends `buffer` once to the clock selected in the clock list. Nothing is received and nothing is
// shown. Returns whether a datagram went out (false with no clock selected or a failed send).
bool SendToSelectedClock(const DialogControls& controls, ClockDatagram& buffer,
                         const ExchangeOptions& options);

}  // namespace horavane
