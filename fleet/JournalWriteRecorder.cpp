#include "fleet/JournalWriteRecorder.h"

namespace horavane {

std::optional<std::string> JournalWriteRecorder::Record(Ipv4Address clock, const ClockStatus* before,
                                                        const ClockDatagram& request) {
    const JournalRecord record = NewRecord(kCommand, clock, before ? before->serialNumber : std::string(),
                                           before ? SettingsJson(before->settings) : Json::object(),
                                           SettingsJson(DecodeStatus(request).settings));
    std::string error;
    AppendedLines appended;
    last_.reset();
    if (!journal_.Append(JournalLine(record), error, &appended)) return error;
    last_ = std::move(appended);
    return std::nullopt;
}

std::optional<std::string> JournalWriteRecorder::Unsent() {
    if (!last_) return std::nullopt;
    std::string error;
    const bool withdrawn = journal_.Withdraw(*last_, error);
    last_.reset();
    if (withdrawn) return std::nullopt;
    return error;
}

}  // namespace horavane
