#include "cli/WriteVerification.h"

#include "cli/OneClockDialog.h"
#include "dialog/ClockDisplay.h"
#include "protocol/ClockCodec.h"

namespace horavane::cli {

Json ExpectedDisplay(const ClockDatagram& written) {
    InMemoryControls controls = FreshWindow();
    ShowReply(controls, DecodeStatus(written));
    return WritableJson(controls);
}

}  // namespace horavane::cli
