#include "fleet/JournalWriteRecorder.h"

#include "fleet/FleetReadings.h"
#include "fleet/WriteVerification.h"

namespace horavane {

std::optional<std::string> JournalWriteRecorder::Record(Ipv4Address clock, const ClockStatus* before,
                                                        const ClockDatagram& request) {
    const JournalRecord record =
        NewRecord(kCommand, clock, before ? before->serialNumber : std::string(),
                  before ? WritableJson(ShownWindow(*before)) : Json::object(), ExpectedDisplay(request));
    std::string error;
    if (journal_.Append(JournalLine(record), error)) return std::nullopt;
    return error;
}

}  // namespace horavane
