#include "cli/PrometheusText.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "cli/VisibleText.h"
#include "settings/SettingCodes.h"

namespace horavane::cli {
namespace {

std::string LabelValue(std::string_view text) {
    std::string out;
    for (const char c : VisibleText(text)) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;  // VisibleText leaves no line feed
    }
    return out;
}

std::string AddressLabel(const ClockReading& reading) {
    return "{address=\"" + reading.outcome.address.ToString() + "\"}";
}

// The window's MAC text ends in the line feed its field shows; a label has none.
std::string MacLabel(const MacAddress& mac) {
    std::string text = MacText(mac);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string InfoLabels(const ClockReading& reading, const KnownClock* known) {
    std::string labels = "{address=\"" + reading.outcome.address.ToString() + "\",serial_number=\"" +
                         LabelValue(reading.status->serialNumber) + "\",mac=\"" +
                         MacLabel(reading.status->mac) + "\"";
    labels += ",name=\"" + (known ? LabelValue(known->name) : "") + "\"";
    labels += ",location=\"" + (known ? LabelValue(known->location) : "") + "\"";
    labels += ",group=\"" + (known ? LabelValue(known->group) : "") + "\"}";
    return labels;
}

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, " %.6f\n", value);
    return text;
}

void Family(std::string& out, const char* name, const char* help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
}

}  // namespace

std::string PrometheusText(const std::vector<ClockReading>& readings, const KnownClocks& known,
                           const RoundTimes& times, const DesiredSettings& desired) {
    std::string out;
    // The plan of each answering clock something is desired of, in the order of the readings.
    std::vector<std::pair<const ClockReading*, ClockPlan>> plans;
    if (!desired.empty())
        for (const ClockReading& r : readings) {
            if (!Answering(StateOf(r))) continue;
            const std::vector<DesiredValue> should = desired.For(known, r.outcome.address);
            if (!should.empty()) plans.emplace_back(&r, PlanOf(r, should));
        }
    Family(out, "horavane_clock_up", "1 when the clock answered its status query, 0 when it did not.");
    for (const ClockReading& r : readings)
        out += "horavane_clock_up" + AddressLabel(r) + (Answering(StateOf(r)) ? " 1\n" : " 0\n");
    Family(out, "horavane_clock_synchronised",
           "1 when the clock reports it is synchronised with a time server.");
    for (const ClockReading& r : readings)
        if (Answering(StateOf(r)))
            out += "horavane_clock_synchronised" + AddressLabel(r) +
                   (StateOf(r) == ClockState::kSynchronised ? " 1\n" : " 0\n");
    Family(out, "horavane_clock_response_seconds",
           "Seconds from the first request to the clock's first reply.");
    for (const ClockReading& r : readings)
        if (r.status)
            out += "horavane_clock_response_seconds" + AddressLabel(r) +
                   Number(std::chrono::duration<double>(r.outcome.responseTime).count());
    Family(out, "horavane_clock_info",
           "What the clock sent about itself and what the fleet file calls it; always 1.");
    for (const ClockReading& r : readings)
        if (r.status) out += "horavane_clock_info" + InfoLabels(r, known.Find(r.outcome.address)) + " 1\n";
    Family(out, "horavane_clock_in_line",
           "1 when the clock holds every setting the desired settings give it, 0 when it does not.");
    for (const auto& [r, plan] : plans)
        out += "horavane_clock_in_line" + AddressLabel(*r) + (plan.InLine() ? " 1\n" : " 0\n");
    Family(out, "horavane_clock_drifted_settings",
           "How many of the settings desired of the clock it holds otherwise.");
    for (const auto& [r, plan] : plans)
        out += "horavane_clock_drifted_settings" + AddressLabel(*r) + " " +
               std::to_string(plan.drift.size()) + "\n";
    Family(out, "horavane_last_run_timestamp_seconds", "When the round that wrote these samples began.");
    out += "horavane_last_run_timestamp_seconds" +
           Number(std::chrono::duration<double>(times.started.time_since_epoch()).count());
    Family(out, "horavane_last_run_duration_seconds", "How long the round took.");
    out += "horavane_last_run_duration_seconds" + Number(times.took.count());
    return out;
}

}  // namespace horavane::cli
