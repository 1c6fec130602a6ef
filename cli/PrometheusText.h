#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "fleet/DesiredSettings.h"
#include "fleet/FleetReadings.h"
#include "fleet/KnownClocks.h"

namespace horavane::cli {

// When a round ran: its start and how long it took.
struct RoundTimes {
    std::chrono::system_clock::time_point started;
    std::chrono::duration<double> took{0};
};

// One round of a fleet query in the Prometheus text exposition format (0.0.4), for a textfile
// collector: horavane_clock_up for every clock asked, horavane_clock_synchronised and
// horavane_clock_response_seconds for each that answered, all labelled by the address alone so that
// a clock's series keep their identity when it falls silent; horavane_clock_info carries the
// serial number and MAC address the clock sent and the name, location and group the fleet file
// gives it; horavane_last_run_timestamp_seconds and horavane_last_run_duration_seconds say when the
// file was made. For each answering clock something is desired of, horavane_clock_in_line says
// whether it holds all of it and horavane_clock_drifted_settings how many settings differ; a silent
// clock has neither, for what it holds is not known (its horavane_clock_up says why). Label values are made
// visible first (control characters and other bytes as \xHH escapes) and then escaped as the format asks, so
// that no clock or name can end a line or forge a sample. Lines end in LF alone.
[[nodiscard]] std::string PrometheusText(const std::vector<ClockReading>& readings, const KnownClocks& known,
                                         const RoundTimes& times,
                                         const DesiredSettings& desired = DesiredSettings());

}  // namespace horavane::cli
