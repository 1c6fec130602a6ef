#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "fleet/ClockRows.h"
#include "fleet/DesiredSettings.h"
#include "fleet/FleetWrite.h"

namespace horavane::cli {

// What `plan` and `align` found: each clock asked and how it compares with what it should hold.
struct FleetPlan {
    std::vector<ClockPlan> clocks;  // in the order asked
    std::size_t notAsked = 0;       // targets nothing is desired of

    [[nodiscard]] std::size_t InLine() const;
    [[nodiscard]] std::size_t Drifted() const;
    [[nodiscard]] std::size_t CouldNotTell() const;
    // The drifted clocks whose settings, put right, Modify's checks would take.
    [[nodiscard]] std::vector<Ipv4Address> ToPutRight() const;
};

// The targets something is desired of, and how many are left out.
[[nodiscard]] std::vector<Ipv4Address> ManagedAmong(const std::vector<Ipv4Address>& targets,
                                                    const DesiredSettings& desired, const KnownClocks& known,
                                                    std::size_t& leftOut);

// Reads `clocks` at once and compares each with what it should hold. nullopt when nothing could be
// sent (no network adapter).
[[nodiscard]] std::optional<FleetPlan> ReadPlan(const std::vector<Ipv4Address>& clocks,
                                                const DesiredSettings& desired, const KnownClocks& known,
                                                const ExchangeOptions& options);

// What align writes to a clock, decided on what it holds as read for the write: the desired values
// of the settings that differ then; nothing for a clock in line by then (put right meanwhile).
[[nodiscard]] ChangeFor ChangeToPutRight(const DesiredSettings& desired, const KnownClocks& known);

// The plan for a terminal, made visible: each drifted clock with its differing settings, then the
// clocks that could not tell, then the line "plan: ...".
[[nodiscard]] std::string PlanText(const FleetPlan& plan, const KnownClocks& known);
// The plan for scripts: {"clocks": [...], "summary": {...}}, every clock asked with its state.
[[nodiscard]] Json PlanJson(const FleetPlan& plan, const KnownClocks& known);
// 0 all in line, 12 drift found, 13 some clock could not tell (whatever the others).
[[nodiscard]] int PlanExitCode(const FleetPlan& plan);

}  // namespace horavane::cli
