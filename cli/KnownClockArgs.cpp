#include "cli/KnownClockArgs.h"

#include <CLI/CLI.hpp>
#include <algorithm>

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

std::optional<KnownClocks> LoadFleet(const KnownClockArgs& args, std::string& error) {
    auto known = LoadKnownClocks(args.fleetFile, DefaultFleetFiles(), error);
    if (!known) return std::nullopt;
    if (const auto unknown = known->UnknownGroups(args.groups); !unknown.empty()) {
        error =
            "--group: no clock of the fleet file is in the group \"" + VisibleText(unknown.front()) + "\"";
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

std::string NamedClock(const KnownClocks& known, Ipv4Address address) {
    const KnownClock* clock = known.Find(address);
    if (clock == nullptr || clock->name.empty()) return address.ToString();
    return VisibleText(clock->name) + " (" + address.ToString() + ")";
}

}  // namespace horavane::cli
