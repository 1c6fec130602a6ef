#include "fleet/FleetReadings.h"

#include <unordered_map>

namespace horavane {

std::optional<std::vector<ClockReading>> ReadClocks(const std::vector<Ipv4Address>& clocks,
                                                    const ExchangeOptions& options, bool keepSilent) {
    std::unordered_map<std::size_t, ClockStatus> replies;
    // A later reply is shown over an earlier one, as in the window.
    const auto outcomes = QueryFleet(clocks, options, [&](std::size_t clock, const ClockDatagram& reply) {
        replies.insert_or_assign(clock, DecodeStatus(reply));
    });
    if (!outcomes) return std::nullopt;
    std::vector<ClockReading> readings;
    for (std::size_t i = 0; i < outcomes->size(); ++i) {
        const FleetOutcome& outcome = (*outcomes)[i];
        if (!keepSilent && !outcome.Answered() && !outcome.checksumError) continue;
        const auto reply = replies.find(i);
        const bool shown = outcome.Answered() && reply != replies.end();
        readings.push_back(ClockReading{outcome, shown ? std::optional(reply->second) : std::nullopt});
    }
    return readings;
}

ClockState StateOf(const ClockReading& reading) {
    if (reading.outcome.checksumError) return ClockState::kChecksumError;
    if (!reading.status) return ClockState::kSilent;
    return reading.status->Synchronised() ? ClockState::kSynchronised : ClockState::kUnsynchronised;
}

bool UnknownTo(const KnownClocks& known, Ipv4Address clock) {
    return !known.empty() && known.Find(clock) == nullptr;
}

}  // namespace horavane
