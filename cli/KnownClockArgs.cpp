#include "cli/KnownClockArgs.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "cli/ExchangeArgs.h"
#include "cli/VisibleText.h"

namespace horavane::cli {

void AddKnownClockOptions(CLI::App& command, KnownClockArgs& args, bool withGroups) {
    command.add_option("--fleet", args.fleetFile,
                       "the fleet file: CSV with the columns address,name,location,group (default "
                       "$XDG_CONFIG_HOME/horavane/fleet.csv, then /etc/horavane/fleet.csv; on Windows "
                       "%APPDATA%\\Horavane\\fleet.csv, then %ProgramData%\\Horavane\\fleet.csv)");
    if (withGroups)
        command
            .add_option("--group", args.groups,
                        "the known clocks of this group of the fleet file (repeatable), beside any named")
            ->allow_extra_args(false);
}

std::optional<KnownClocks> LoadFleet(const KnownClockArgs& args, std::string& error,
                                     const KnownClockFilter& keep) {
    auto known = LoadKnownClocks(args.fleetFile, DefaultFleetFiles(), error, keep);
    if (!known) return std::nullopt;
    if (const auto unknown = known->UnknownGroups(args.groups); !unknown.empty()) {
        error = "--group: no clock of the fleet file is in the group \"" + unknown.front() + "\"";
        return std::nullopt;
    }
    return known;
}

void AddGroupClocks(const KnownClockArgs& args, const KnownClocks& known, std::vector<Ipv4Address>& targets) {
    const auto grouped = known.InGroups(args.groups);
    targets.insert(targets.end(), grouped.begin(), grouped.end());
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
}

std::optional<Ipv4Address> OneClock(const std::string& address, const KnownClockArgs& args,
                                    const KnownClocks& known, std::string& error) {
    if (args.groups.empty()) {
        if (address.empty()) {
            error = "name the clock: ADDRESS or --group";
            return std::nullopt;
        }
        return ParseClockAddress(address, error);
    }
    const auto grouped = known.InGroups(args.groups);
    if (!address.empty() || grouped.size() != 1) {
        error = address.empty() ? "--group selects " + std::to_string(grouped.size()) +
                                      " clocks; this command works on one (apply writes many)"
                                : "name the clock by ADDRESS or by --group, not both";
        return std::nullopt;
    }
    return grouped.front();
}

void AddNameKeys(nlohmann::ordered_json& row, const KnownClocks& known, Ipv4Address address) {
    const KnownClock* clock = known.Find(address);
    row["name"] = clock ? nlohmann::ordered_json(clock->name) : nlohmann::ordered_json();
    row["location"] = clock ? nlohmann::ordered_json(clock->location) : nlohmann::ordered_json();
    row["group"] = clock ? nlohmann::ordered_json(clock->group) : nlohmann::ordered_json();
}

std::string NamedClock(const KnownClocks& known, Ipv4Address address) {
    const KnownClock* clock = known.Find(address);
    if (clock == nullptr || clock->name.empty()) return address.ToString();
    return VisibleText(clock->name) + " (" + address.ToString() + ")";
}

}  // namespace horavane::cli
