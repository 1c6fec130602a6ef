#include "cli/FleetPlan.h"

#include <algorithm>

#include "cli/ExitCodes.h"
#include "cli/KnownClockArgs.h"
#include "cli/OutputText.h"
#include "settings/Messages.h"

namespace horavane::cli {
namespace {

std::string Plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

const char* StateWords(const ClockPlan& clock) {
    if (clock.state == ClockState::kChecksumError) return "checksum error";
    if (!clock.Known()) return "silent";
    return clock.InLine() ? "in line" : "drifted";
}

std::size_t SettingsDrifted(const FleetPlan& plan) {
    std::size_t settings = 0;
    for (const ClockPlan& clock : plan.clocks) settings += clock.drift.size();
    return settings;
}

std::string SummaryLine(const FleetPlan& plan) {
    std::string line = "plan: " + Plural(plan.clocks.size(), "clock", "clocks") + ", " +
                       std::to_string(plan.InLine()) + " in line, " + std::to_string(plan.Drifted()) +
                       " drifted (" + Plural(SettingsDrifted(plan), "setting", "settings") + "), " +
                       std::to_string(plan.CouldNotTell()) + " could not tell";
    if (plan.notAsked > 0)
        line += "; " + Plural(plan.notAsked, "clock", "clocks") + " with nothing desired not asked";
    return line;
}

}  // namespace

std::size_t FleetPlan::InLine() const {
    return static_cast<std::size_t>(
        std::count_if(clocks.begin(), clocks.end(), [](const ClockPlan& c) { return c.InLine(); }));
}

std::size_t FleetPlan::Drifted() const {
    return static_cast<std::size_t>(std::count_if(
        clocks.begin(), clocks.end(), [](const ClockPlan& c) { return c.Known() && !c.drift.empty(); }));
}

std::size_t FleetPlan::CouldNotTell() const {
    return static_cast<std::size_t>(
        std::count_if(clocks.begin(), clocks.end(), [](const ClockPlan& c) { return !c.Known(); }));
}

std::vector<Ipv4Address> FleetPlan::ToPutRight() const {
    std::vector<Ipv4Address> addresses;
    for (const ClockPlan& clock : clocks)
        if (clock.Known() && !clock.drift.empty() && !clock.refusal) addresses.push_back(clock.address);
    return addresses;
}

std::vector<Ipv4Address> ManagedAmong(const std::vector<Ipv4Address>& targets, const DesiredSettings& desired,
                                      const KnownClocks& known, std::size_t& leftOut) {
    std::vector<Ipv4Address> managed;
    for (const Ipv4Address clock : targets)
        if (!desired.For(known, clock).empty()) managed.push_back(clock);
    leftOut = targets.size() - managed.size();
    return managed;
}

std::optional<FleetPlan> ReadPlan(const std::vector<Ipv4Address>& clocks, const DesiredSettings& desired,
                                  const KnownClocks& known, const ExchangeOptions& options) {
    auto readings = ReadClocks(clocks, options);
    if (!readings) return std::nullopt;
    FleetPlan plan;
    plan.clocks.reserve(readings->size());
    // Each reading goes once planned: a site's thousands of replies are not all kept at once beside
    // their plans.
    for (ClockReading& reading : *readings) {
        plan.clocks.push_back(PlanOf(reading, desired.For(known, reading.outcome.address)));
        reading.status.reset();
    }
    return plan;
}

ChangeFor ChangeToPutRight(const DesiredSettings& desired, const KnownClocks& known) {
    return
        [&desired, &known](Ipv4Address clock, const ClockSettings& holds) -> std::optional<SettingsChange> {
            const auto values = desired.For(known, clock);
            const auto drift = DriftOf(holds, values);
            if (drift.empty()) return std::nullopt;
            return PuttingRight(values, drift);
        };
}

std::string PlanText(const FleetPlan& plan, const KnownClocks& known) {
    std::string text;
    const auto line = [&text](const Message& message) { text += message.ForTerminal() + "\n"; };
    for (const ClockPlan& clock : plan.clocks) {
        if (!clock.Known() || clock.drift.empty()) continue;
        line(Message::Own(NamedClock(known, clock.address)));
        for (const SettingDrift& drift : clock.drift)
            line("  " + Message::Own(std::string(NameOf(drift.setting))) + ": \"" + Untrusted{drift.holds} +
                 "\" -> \"" + Untrusted{drift.should} + "\"");
        if (clock.refusal)
            line("  cannot be put right: Modify's checks refuse it: " + Message(Untrusted{*clock.refusal}));
    }
    if (plan.CouldNotTell() > 0) {
        line("could not tell:");
        for (const ClockPlan& clock : plan.clocks)
            if (!clock.Known())
                line("  " + Message::Own(NamedClock(known, clock.address)) + "  " +
                     (clock.state == ClockState::kChecksumError
                          ? Message::Own(std::string(msg::kChecksumError))
                          : Message("no reply")));
    }
    return text + SummaryLine(plan) + "\n";
}

Json PlanJson(const FleetPlan& plan, const KnownClocks& known) {
    Json clocks = Json::array();
    for (const ClockPlan& clock : plan.clocks) {
        Json row;
        row["address"] = clock.address.ToString();
        AddNameKeys(row, known, clock.address);
        row["state"] = StateWords(clock);
        Json drift = Json::array();
        for (const SettingDrift& item : clock.drift)
            drift.push_back(
                {{"setting", NameOf(item.setting)}, {"holds", item.holds}, {"should", item.should}});
        row["drift"] = std::move(drift);
        row["refusal"] = clock.refusal ? Json(*clock.refusal) : Json();
        clocks.push_back(std::move(row));
    }
    Json summary;
    summary["clocks"] = plan.clocks.size();
    summary["inLine"] = plan.InLine();
    summary["drifted"] = plan.Drifted();
    summary["settings"] = SettingsDrifted(plan);
    summary["couldNotTell"] = plan.CouldNotTell();
    summary["notAsked"] = plan.notAsked;
    Json out;
    out["clocks"] = std::move(clocks);
    out["summary"] = std::move(summary);
    return out;
}

int PlanExitCode(const FleetPlan& plan) {
    if (plan.CouldNotTell() > 0) return kExitCannotTell;
    return plan.Drifted() > 0 ? kExitDrift : kExitOk;
}

}  // namespace horavane::cli
