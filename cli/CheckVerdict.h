#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/OutputText.h"
#include "fleet/DesiredSettings.h"
#include "fleet/FleetReadings.h"
#include "fleet/KnownClocks.h"

namespace horavane::cli {

// An answering clock that holds managed settings otherwise than desired, and which.
struct DriftedClock {
    Ipv4Address address;
    std::vector<Setting> settings;
    friend bool operator==(const DriftedClock&, const DriftedClock&) = default;
};

// The clocks of one check by what they said; each list in the order of the readings, then the
// silent in the order expected.
struct ClocksByState {
    std::vector<Ipv4Address> unsynchronised, silent, checksumErrors, unknown;
    // Of the answering clocks something is desired of: those that hold it all, and the others. A
    // clock that is silent or fails the checksum is neither: what it holds is not known.
    bool desired = false;  // a desired-settings file was in use
    int inLine = 0;
    std::vector<DriftedClock> drifted;
    int clocks = 0;  // every clock counted: those heard and the expected ones that kept silent
    int synchronised = 0;
    double slowestReply = 0;  // seconds, among the replies that passed the checksum
};

// What the operator allows before the check warns or goes critical.
struct CheckThresholds {
    int warnUnsynced = 0;
    int critSilent = 0;
    std::optional<int> warnUnknown;
    bool driftCritical = false;  // a drifted clock makes the check CRITICAL, not WARNING
};

// `expected`: the clocks that must answer (named, of a group, known inside a block), ascending.
// A reading of a clock the fleet file does not name counts as unknown, unless there is no fleet
// file at all. Each answering clock of the fleet file is compared with what `desired` says it
// should hold (nothing without desired settings).
[[nodiscard]] ClocksByState SortByState(const std::vector<ClockReading>& readings,
                                        const std::vector<Ipv4Address>& expected, const KnownClocks& known,
                                        const DesiredSettings& desired = DesiredSettings());

// The plugin's exit code (0 to 2) and its whole line, "CLOCKS OK - ... | performance data".
struct CheckVerdict {
    int code = 0;
    std::string line;
};
[[nodiscard]] CheckVerdict Judge(const ClocksByState& clocks, const CheckThresholds& thresholds,
                                 const KnownClocks& known);

// A reason in the line of an UNKNOWN verdict.
[[nodiscard]] std::string UnknownLine(const Message& reason);

}  // namespace horavane::cli
