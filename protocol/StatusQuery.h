#pragma once

#include "protocol/ClockDatagram.h"
#include "protocol/ExchangeOptions.h"
#include "settings/DialogControls.h"

namespace horavane {

struct QueryOutcome {
    bool sent = false;           // false when the query stopped before its first request
    int requestsSent = 0;        // 1..6
    int repliesShown = 0;        // accepted replies shown, a second one over the first
    bool checksumError = false;  // "Error CheckSum" was shown
};

// Blanks the read-outs, address fields and radio pairs before a request goes out.
void ClearClockInformation(DialogControls& controls);

// Shows one accepted status reply in the Clock Information group.
void ShowReply(DialogControls& controls, const ClockDatagram& reply);

// Asks the clock selected in the clock list for its status and shows the answer. Runs on the
// caller's thread and blocks for its waits. `buffer` is the window's datagram buffer: it holds the
// clock's reply afterwards (or the last request when nothing came).
QueryOutcome RunStatusQuery(DialogControls& controls, ClockDatagram& buffer, const ExchangeOptions& options);

}  // namespace horavane
