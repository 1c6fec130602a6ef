#pragma once

#include <nlohmann/json.hpp>
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
// Only the rows `keep` takes are kept (all without one).
[[nodiscard]] std::optional<KnownClocks> LoadFleet(const KnownClockArgs& args, std::string& error,
                                                   const KnownClockFilter& keep = {});

// The clocks of the --group options, added to `targets` (kept ascending, each once).
void AddGroupClocks(const KnownClockArgs& args, const KnownClocks& known, std::vector<Ipv4Address>& targets);

// The clock a one-clock command (set, export) works on: `address`, or the one clock --group selects.
// nullopt with `error` when neither or both are given, the address is bad, or the groups hold
// more than one clock.
[[nodiscard]] std::optional<Ipv4Address> OneClock(const std::string& address, const KnownClockArgs& args,
                                                  const KnownClocks& known, std::string& error);

// The name, location and group of a known clock as keys of a JSON report, null for a clock the
// fleet file does not name.
void AddNameKeys(nlohmann::ordered_json& row, const KnownClocks& known, Ipv4Address address);

// "Gym (10.1.9.20)" for a known clock with a name, "10.1.9.20" otherwise; the name made visible.
[[nodiscard]] std::string NamedClock(const KnownClocks& known, Ipv4Address address);

}  // namespace horavane::cli
