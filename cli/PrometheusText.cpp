#include "cli/PrometheusText.h"

#include <cstdio>

#include "cli/ClockReport.h"
#include "cli/VisibleText.h"

namespace horavane::cli {
namespace {

std::string LabelValue(std::string_view text) {
    std::string out;
    for (const char c : VisibleText(text)) {
        if (c == '\\' || c == '"') out += '\\';
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return out;
}

std::string Labels(const ClockReading& reading) {
    const std::string serial = reading.status ? reading.status->serialNumber : std::string();
    return "{address=\"" + reading.outcome.address.ToString() + "\",serial_number=\"" + LabelValue(serial) +
           "\"}";
}

void Family(std::string& out, const char* name, const char* help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
}

}  // namespace

std::string PrometheusText(const std::vector<ClockReading>& readings) {
    std::string out;
    Family(out, "horavane_clock_up", "1 when the clock answered its status query, 0 when it did not.");
    for (const ClockReading& r : readings)
        out += "horavane_clock_up" + Labels(r) + (r.status ? " 1\n" : " 0\n");
    Family(out, "horavane_clock_synchronised",
           "1 when the clock reports it is synchronised with a time server.");
    for (const ClockReading& r : readings)
        if (r.status)
            out += "horavane_clock_synchronised" + Labels(r) + (r.status->Synchronised() ? " 1\n" : " 0\n");
    Family(out, "horavane_clock_response_seconds",
           "Seconds from the first request to the clock's first reply.");
    for (const ClockReading& r : readings) {
        if (!r.status) continue;
        char value[32];
        std::snprintf(value, sizeof value, " %.6f\n",
                      std::chrono::duration<double>(r.outcome.responseTime).count());
        out += "horavane_clock_response_seconds" + Labels(r) + value;
    }
    return out;
}

}  // namespace horavane::cli
