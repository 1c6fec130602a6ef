#pragma once

#include <optional>
#include <string>

#include "cli/KnownClockArgs.h"
#include "fleet/DesiredSettings.h"

namespace CLI {
class App;
}

namespace horavane::cli {

// --desired FILE, for the commands that compare clocks with what they should hold.
struct DesiredArgs {
    std::string file;
};
void AddDesiredOption(CLI::App& command, DesiredArgs& args);

// The desired settings --desired names, or desired.csv beside the fleet file in use when it exists
// (nothing desired otherwise). Read before the fleet file, so that a command filtering the fleet
// file's rows can keep the clocks it names (AlsoKeeping). nullopt with `error` naming the file and
// line when it is refused; nothing has been sent then.
[[nodiscard]] std::optional<DesiredSettings> ReadDesired(const DesiredArgs& args, const KnownClockArgs& fleet,
                                                         std::string& error);

// `keep` (all rows when empty) and the clocks `desired` gives values of their own, so that
// RefusalAgainst can find them.
[[nodiscard]] KnownClockFilter AlsoKeeping(KnownClockFilter keep, const DesiredSettings& desired);

}  // namespace horavane::cli
