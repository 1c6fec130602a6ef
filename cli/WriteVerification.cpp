#include "cli/WriteVerification.h"

#include "cli/FleetReadings.h"
#include "protocol/ClockCodec.h"

namespace horavane::cli {

Json ExpectedDisplay(const ClockDatagram& written) {
    return WritableJson(ShownWindow(DecodeStatus(written)));
}

}  // namespace horavane::cli
