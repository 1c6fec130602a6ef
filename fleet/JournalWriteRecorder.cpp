#include "fleet/JournalWriteRecorder.h"

namespace horavane {

std::optional<std::string> JournalWriteRecorder::Record(Ipv4Address clock, const ClockStatus* before,
                                                        const ClockDatagram& request) {
    const JournalRecord record = NewRecord(kCommand, clock, before ? before->serialNumber : std::string(),
                                           before ? SettingsJson(before->settings) : Json::object(),
                                           SettingsJson(DecodeStatus(request).settings));
    std::string error;
    if (journal_.Append(JournalLine(record), error)) return std::nullopt;
    return error;
}

}  // namespace horavane
