#include "cli/CheckVerdict.h"

#include <algorithm>
#include <cstdio>

#include "cli/ExitCodes.h"
#include "cli/KnownClockArgs.h"
#include "cli/OutputText.h"

namespace horavane::cli {
namespace {

// At most this many addresses are named in the status line; monitoring systems cut long lines.
constexpr std::size_t kNamedInLine = 5;

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// " - silent: Gym (10.1.9.20), 10.1.9.21 and 3 more", or nothing for no clock.
std::string NamesOf(const char* what, const std::vector<Ipv4Address>& clocks, const KnownClocks& known) {
    if (clocks.empty()) return "";
    std::string text = std::string(" - ") + what + ": ";
    for (std::size_t i = 0; i < clocks.size() && i < kNamedInLine; ++i)
        text += (i == 0 ? "" : ", ") + NamedClock(known, clocks[i]);
    if (clocks.size() > kNamedInLine)
        text += " and " + std::to_string(clocks.size() - kNamedInLine) + " more";
    return text;
}

// " - drifted: Gym (10.1.9.20) time-zone, dst / 10.1.9.21 brightness / 3 more clocks": a clock's
// settings are set apart by commas, the clocks by slashes, so that neither reads as the other.
std::string DriftedNames(const std::vector<DriftedClock>& clocks, const KnownClocks& known) {
    if (clocks.empty()) return "";
    std::string text = " - drifted: ";
    for (std::size_t i = 0; i < clocks.size() && i < kNamedInLine; ++i) {
        text += (i == 0 ? "" : " / ") + NamedClock(known, clocks[i].address);
        for (std::size_t k = 0; k < clocks[i].settings.size(); ++k)
            text += (k == 0 ? " " : ", ") + std::string(NameOf(clocks[i].settings[k]));
    }
    if (clocks.size() > kNamedInLine)
        text += " / " + Counted(clocks.size() - kNamedInLine, "more clock", "more clocks");
    return text;
}

// Performance data in the plugins' syntax, 'label'=value[unit];[warn];[crit];[min];[max], with the
// thresholds this check alerts at.
std::string PerformanceData(const ClocksByState& clocks, const CheckThresholds& thresholds) {
    auto count = [](const char* label, std::size_t value, const std::string& warn, const std::string& crit) {
        return std::string(label) + "=" + std::to_string(value) + ";" + warn + ";" + crit + ";0";
    };
    const std::string critSilent = std::to_string(thresholds.critSilent);
    // Always there, at 0 without desired settings: a graphing engine keeps a series per label and
    // would see a label that comes and goes as a gap or a new series.
    const std::string drifted = count("drifted", clocks.drifted.size(), thresholds.driftCritical ? "" : "0",
                                      thresholds.driftCritical ? "0" : "");
    char response[64];
    std::snprintf(response, sizeof response, "response_time=%.6fs;;;0", clocks.slowestReply);
    return count("clocks", static_cast<std::size_t>(clocks.clocks), "", "") + " " +
           count("synchronised", static_cast<std::size_t>(clocks.synchronised), "", "") + " " +
           count("silent", clocks.silent.size(), "", critSilent) + " " +
           count("checksum_errors", clocks.checksumErrors.size(), "", critSilent) + " " +
           count("unsynchronised", clocks.unsynchronised.size(), std::to_string(thresholds.warnUnsynced),
                 "") +
           " " +
           count("unknown", clocks.unknown.size(),
                 thresholds.warnUnknown ? std::to_string(*thresholds.warnUnknown) : "", "") +
           " " + response + " " + drifted;
}

CheckVerdict Verdict(int code, const std::string& summary, const ClocksByState& clocks,
                     const CheckThresholds& thresholds) {
    static constexpr const char* kStates[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    // The names in `summary` are visible already (NamedClock); the rest is the check's own words,
    // which hold no separator of their own.
    return {code, std::string("CLOCKS ") + kStates[code] + " - " + WithoutPluginSeparators(summary) + " | " +
                      PerformanceData(clocks, thresholds)};
}

}  // namespace

ClocksByState SortByState(const std::vector<ClockReading>& readings, const std::vector<Ipv4Address>& expected,
                          const KnownClocks& known, const DesiredSettings& desired) {
    ClocksByState sorted;
    sorted.desired = !desired.empty();
    std::vector<Ipv4Address> heard;
    heard.reserve(readings.size());
    for (const ClockReading& reading : readings) {
        heard.push_back(reading.outcome.address);
        ++sorted.clocks;
        if (UnknownTo(known, reading.outcome.address)) sorted.unknown.push_back(reading.outcome.address);
        // The readings are of clocks heard: one without a reply kept failing the checksum.
        const ClockState state = StateOf(reading);
        if (!Answering(state)) {
            sorted.checksumErrors.push_back(reading.outcome.address);
            continue;
        }
        sorted.slowestReply = std::max(sorted.slowestReply,
                                       std::chrono::duration<double>(reading.outcome.responseTime).count());
        if (state == ClockState::kSynchronised)
            ++sorted.synchronised;
        else
            sorted.unsynchronised.push_back(reading.outcome.address);
        const std::vector<DesiredValue> should = desired.For(known, reading.outcome.address);
        if (should.empty()) continue;
        const ClockPlan plan = PlanOf(reading, should);
        if (plan.InLine()) {
            ++sorted.inLine;
            continue;
        }
        DriftedClock drifted{reading.outcome.address, {}};
        for (const SettingDrift& setting : plan.drift) drifted.settings.push_back(setting.setting);
        sorted.drifted.push_back(std::move(drifted));
    }
    std::sort(heard.begin(), heard.end());
    for (const Ipv4Address clock : expected)
        if (!std::binary_search(heard.begin(), heard.end(), clock)) {
            sorted.silent.push_back(clock);
            ++sorted.clocks;
        }
    return sorted;
}

CheckVerdict Judge(const ClocksByState& clocks, const CheckThresholds& thresholds, const KnownClocks& known) {
    if (clocks.clocks == 0) return Verdict(kCheckCritical, "no clock answered", clocks, thresholds);
    const std::size_t failing = clocks.silent.size() + clocks.checksumErrors.size();
    const std::string summary =
        Counted(static_cast<std::size_t>(clocks.clocks), "clock", "clocks") + ", " +
        std::to_string(clocks.synchronised) + " synchronised" +
        (clocks.desired ? ", " + std::to_string(clocks.inLine) + " in line" : "") +
        NamesOf("silent", clocks.silent, known) + NamesOf("checksum errors", clocks.checksumErrors, known) +
        NamesOf("unsynchronised", clocks.unsynchronised, known) + DriftedNames(clocks.drifted, known) +
        NamesOf("unknown", clocks.unknown, known);
    const bool drifted = !clocks.drifted.empty();
    if (failing > static_cast<std::size_t>(thresholds.critSilent) || (drifted && thresholds.driftCritical))
        return Verdict(kCheckCritical, summary, clocks, thresholds);
    if (drifted || clocks.unsynchronised.size() > static_cast<std::size_t>(thresholds.warnUnsynced) ||
        (thresholds.warnUnknown && clocks.unknown.size() > static_cast<std::size_t>(*thresholds.warnUnknown)))
        return Verdict(kCheckWarning, summary, clocks, thresholds);
    return Verdict(kCheckOk, summary, clocks, thresholds);
}

std::string UnknownLine(const Message& reason) {
    return "CLOCKS UNKNOWN - " + reason.ForPlugin();
}

}  // namespace horavane::cli
