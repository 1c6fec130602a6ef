#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fleet/KnownClocks.h"

namespace CLI {
class App;
}

namespace horavane::cli {

// --fleet FILE and --group NAME, for every command that names clocks.
struct KnownClockArgs {
    std::string fleetFile;
    std::vector<std::string> groups;
};

// --fleet FILE, and --group NAME (repeatable) when `withGroups`.
void AddKnownClockOptions(CLI::App& command, KnownClockArgs& args, bool withGroups = true);

// The clocks of the fleet file --fleet names, or of the first one of DefaultFleetFiles() that
// exists. nullopt with `error` (naming the file and line) when the file is refused or a --group
// names no clock of it; nothing has been sent then.
[[nodiscard]] std::optional<KnownClocks> LoadFleet(const KnownClockArgs& args, std::string& error);

// The clocks of the --group options, added to `targets` (kept ascending, each once).
void AddGroupClocks(const KnownClockArgs& args, const KnownClocks& known, std::vector<Ipv4Address>& targets);

// "Gym (10.1.9.20)" for a known clock with a name, "10.1.9.20" otherwise; the name made visible.
[[nodiscard]] std::string NamedClock(const KnownClocks& known, Ipv4Address address);

}  // namespace horavane::cli
