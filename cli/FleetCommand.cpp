#include "cli/FleetCommand.h"

namespace horavane::cli {

std::optional<FleetCommand> OpenFleetCommand(const ExchangeArgs& exchange, const KnownClockArgs& fleet,
                                             std::string& error, const KnownClockFilter& keep) {
    auto options = MakeExchangeOptions(exchange, error);
    if (!options) return std::nullopt;
    auto known = LoadFleet(fleet, error, keep);
    if (!known) return std::nullopt;
    return FleetCommand{std::move(*options), std::move(*known)};
}

std::optional<std::vector<Ipv4Address>> NamedTargets(const std::vector<std::string>& addresses,
                                                     const KnownClockArgs& fleet, const KnownClocks& known,
                                                     std::string& error) {
    auto targets = ParseClockAddresses(addresses, error);
    if (targets) AddGroupClocks(fleet, known, *targets);
    return targets;
}

std::optional<std::vector<Ipv4Address>> SweptTargets(const std::vector<std::string>& blocks,
                                                     const KnownClockArgs& fleet, const KnownClocks& known,
                                                     std::string& error) {
    auto targets = ParseSweepHosts(blocks, error);
    if (targets) AddGroupClocks(fleet, known, *targets);
    return targets;
}

}  // namespace horavane::cli
