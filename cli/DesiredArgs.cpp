#include "cli/DesiredArgs.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace horavane::cli {

void AddDesiredOption(CLI::App& command, DesiredArgs& args) {
    command.add_option("--desired", args.file,
                       "the desired settings: CSV with the columns group,clock,setting,value (default "
                       "desired.csv beside the fleet file)");
}

std::optional<DesiredSettings> ReadDesired(const DesiredArgs& args, const KnownClockArgs& fleet,
                                           std::string& error) {
    return LoadDesiredSettings(args.file,
                               DesiredFileBeside(FleetFileIn(fleet.fleetFile, DefaultFleetFiles())), error);
}

KnownClockFilter AlsoKeeping(KnownClockFilter keep, const DesiredSettings& desired) {
    if (!keep) return keep;
    return [keep = std::move(keep), own = desired.Clocks()](const KnownClock& clock) {
        return keep(clock) || std::binary_search(own.begin(), own.end(), clock.address);
    };
}

}  // namespace horavane::cli
