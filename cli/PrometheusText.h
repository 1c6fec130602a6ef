#pragma once

#include <string>
#include <vector>

#include "fleet/FleetReadings.h"

namespace horavane::cli {

// One round of a fleet query in the Prometheus text exposition format (0.0.4), for a node-exporter
// textfile collector: horavane_clock_up for every clock, and for each clock that answered
// horavane_clock_synchronised and horavane_clock_response_seconds; every sample labelled with the
// clock's address and serial number. A serial number is whatever bytes the clock sent: it is made
// visible first (control characters and other bytes as \xHH escapes) and then escaped as the format
// asks for label values, so that no clock can end a line or forge a sample.
[[nodiscard]] std::string PrometheusText(const std::vector<ClockReading>& readings);

}  // namespace horavane::cli
