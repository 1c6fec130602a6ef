#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/ExchangeArgs.h"
#include "cli/KnownClockArgs.h"

namespace horavane::cli {

// What every command that talks to clocks does first, done here once: its network options made
// into the exchange's, then the fleet file read and its --group names checked. Nothing has been
// opened or sent when it refuses. `keep`, when given, keeps only the fleet file's rows it takes (every
// row is still judged), so that a large file costs no memory for clocks the command will not ask.
struct FleetCommand {
    ExchangeOptions options;
    KnownClocks known;
};
[[nodiscard]] std::optional<FleetCommand> OpenFleetCommand(const ExchangeArgs& exchange,
                                                           const KnownClockArgs& fleet, std::string& error,
                                                           const KnownClockFilter& keep = {});

// The clocks a command asks, ascending and each once: those named by address (NamedTargets) or the
// hosts of blocks (SweptTargets), and the clocks of the --group options beside them. nullopt with
// `error` at the first argument that is not one.
[[nodiscard]] std::optional<std::vector<Ipv4Address>> NamedTargets(const std::vector<std::string>& addresses,
                                                                   const KnownClockArgs& fleet,
                                                                   const KnownClocks& known,
                                                                   std::string& error);
[[nodiscard]] std::optional<std::vector<Ipv4Address>> SweptTargets(const std::vector<std::string>& blocks,
                                                                   const KnownClockArgs& fleet,
                                                                   const KnownClocks& known,
                                                                   std::string& error);

}  // namespace horavane::cli
