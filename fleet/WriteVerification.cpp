#include "fleet/WriteVerification.h"

#include "fleet/FleetReadings.h"
#include "protocol/ClockCodec.h"

namespace horavane {

Json ExpectedDisplay(const ClockDatagram& written) {
    return WritableJson(ShownWindow(DecodeStatus(written)));
}

}  // namespace horavane
