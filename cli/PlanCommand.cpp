#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/DesiredArgs.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/FleetCommand.h"
#include "cli/FleetPlan.h"
#include "cli/KnownClockArgs.h"
#include "cli/OutputText.h"
#include "cli/PasswordPrompt.h"
#include "cli/TerminalQuestion.h"
#include "fleet/FleetWrite.h"

namespace horavane::cli {
namespace {

struct PlanArgs {
    std::vector<std::string> addresses;
    KnownClockArgs fleet;
    DesiredArgs desired;
    ExchangeArgs exchange;
    PasswordArgs password;
    bool json = false;
    bool yes = false;
};

// What plan and align share before a clock is asked: the desired settings, the fleet file, the
// targets; nullopt after printing why, with nothing sent.
struct PlanSetup {
    DesiredSettings desired;
    FleetCommand command;
    std::vector<Ipv4Address> clocks;  // the targets something is desired of
    std::size_t notAsked = 0;
};

// Where the operator is told to keep the desired settings when there are none.
std::string NoDesiredSettings(const PlanArgs& args, const DesiredSettings& desired) {
    if (!desired.fileName().empty())
        return "the desired settings file " + desired.fileName() + " gives no setting: nothing to compare";
    const auto beside = DesiredFileBeside(FleetFileIn(args.fleet.fleetFile, DefaultFleetFiles()));
    if (beside.empty())
        return "no desired settings: there is no fleet file to keep desired.csv beside; name one with "
               "--fleet, or the desired settings with --desired FILE";
    return "no desired settings: " + beside.string() + " does not exist (or name a file with --desired FILE)";
}

std::optional<PlanSetup> SetUp(const PlanArgs& args) {
    std::string error;
    auto desired = ReadDesired(args.desired, args.fleet, error);
    auto command = desired ? OpenFleetCommand(args.exchange, args.fleet, error) : std::nullopt;
    if (command) {
        if (auto refusal = desired->RefusalAgainst(command->known))
            error = std::move(*refusal);
        else if (desired->empty())
            error = NoDesiredSettings(args, *desired);
    }
    auto targets = error.empty() && command ? NamedTargets(args.addresses, args.fleet, command->known, error)
                                            : std::nullopt;
    if (!targets) {
        PrintError(Untrusted{error});
        return std::nullopt;
    }
    // Without targets, every clock of the fleet file; those nothing is desired of drop out below.
    if (args.addresses.empty() && args.fleet.groups.empty())
        for (const KnownClock& clock : command->known.clocks()) targets->push_back(clock.address);
    PlanSetup setup{std::move(*desired), std::move(*command), {}, 0};
    setup.clocks = ManagedAmong(*targets, setup.desired, setup.command.known, setup.notAsked);
    return setup;
}

std::optional<FleetPlan> ReadAndReport(const PlanSetup& setup, bool json) {
    auto plan = ReadPlan(setup.clocks, setup.desired, setup.command.known, setup.command.options);
    if (!plan) {
        PrintError("nothing could be sent: no network adapter, or the clock port cannot be opened");
        return std::nullopt;
    }
    plan->notAsked = setup.notAsked;
    if (json)
        std::cout << JsonOutputText(PlanJson(*plan, setup.command.known), 2) << "\n";
    else
        std::cout << PlanText(*plan, setup.command.known);
    std::cout.flush();
    return plan;
}

int RunPlanCommand(const PlanArgs& args) {
    const auto setup = SetUp(args);
    if (!setup) return kExitUsage;
    const auto plan = ReadAndReport(*setup, args.json);
    return plan ? PlanExitCode(*plan) : kExitNoReply;
}

// Whether the operator lets the writes go: --yes, or "y" on the terminal.
std::optional<bool> Consent(const PlanArgs& args, std::size_t clocks) {
    if (args.yes) return true;
    const auto answer = AskYesOnTerminal("Put " + std::to_string(clocks) +
                                         (clocks == 1 ? " clock" : " clocks") + " right? [y/N] ");
    if (!answer)
        PrintError(
            "no terminal to ask whether to put the clocks right: give --yes to write without asking; "
            "nothing was sent");
    return answer;
}

// The clocks' results; how many verified.
std::size_t ReportWrites(const std::vector<WrittenClock>& results, const KnownClocks& known) {
    std::size_t verified = 0;
    for (const WrittenClock& clock : results) {
        PrintLine(std::cout, Message::Own(NamedClock(known, clock.address)) + "  " + Untrusted{clock.result});
        if (clock.verified) ++verified;
    }
    return verified;
}

int RunAlignCommand(const PlanArgs& args) {
    const auto setup = SetUp(args);
    if (!setup) return kExitUsage;
    const auto plan = ReadAndReport(*setup, false);
    if (!plan) return kExitNoReply;
    const std::vector<Ipv4Address> drifted = plan->ToPutRight();
    if (drifted.empty()) {
        std::cout << (plan->Drifted() == 0
                          ? "align: nothing to put right\n"
                          : "align: no drifted clock can be put right: Modify's checks refuse "
                            "their settings\n");
        return PlanExitCode(*plan);
    }
    const auto consent = Consent(args, drifted.size());
    if (!consent) return kExitUsage;
    if (!*consent) {
        std::cout << "align: nothing was sent\n";
        return PlanExitCode(*plan);
    }
    if (!CheckOperatorPassword(args.password)) return kExitPassword;

    // Decided again on what each clock holds as it is read for the write: a clock put right by
    // someone else meanwhile is left alone, and only what still differs is written.
    const KnownClocks& known = setup->command.known;
    std::string error;
    const auto results = WriteAndVerify(drifted, ChangeToPutRight(setup->desired, known), "align",
                                        setup->command.options, WriteJournal::OfThisUser(), error);
    if (!results) {
        PrintError(Untrusted{error} + "; nothing was sent");
        return kExitJournal;
    }
    const std::size_t verified = ReportWrites(*results, known);
    std::cout << "align: " << verified << " of " << results->size() << " clocks put right and verified\n";
    bool unverified = false;
    for (const WrittenClock& clock : *results)
        unverified =
            unverified || clock.stage == WriteStage::kNotVerified || clock.stage == WriteStage::kNotSent;

    std::cout << "\nafter:\n";
    const auto after = ReadAndReport(*setup, false);
    if (unverified) return kExitNotVerified;
    return after ? PlanExitCode(*after) : kExitNoReply;
}

void AddPlanOptions(CLI::App& command, PlanArgs& args) {
    command.add_option("ADDRESS", args.addresses,
                       "clocks to compare (none and no --group: every clock of the fleet file that something "
                       "is desired of)");
    AddKnownClockOptions(command, args.fleet);
    AddDesiredOption(command, args.desired);
}

constexpr const char* kPlanCodes =
    "Exit code 0 when every clock asked holds what it should, 12 when some clock has drifted, 13 when "
    "some clock is silent or fails the checksum (whatever the others hold).\n";

}  // namespace

void AddPlanCommands(CLI::App& app, CommandRun& run) {
    auto plan = std::make_shared<PlanArgs>();
    CLI::App* show = app.add_subcommand(
        "plan", "Compare clocks with their desired settings and show, clock by clock, what differs");
    AddPlanOptions(*show, *plan);
    show->add_flag("--json", plan->json, "the plan as JSON: every clock asked, its state and what differs");
    AddFleetOptions(*show, plan->exchange);
    AddExchangeOptions(*show, plan->exchange);
    show->footer(std::string("Nothing is written. Silent clocks and clocks failing the checksum are listed "
                             "apart, never as in line.\n") +
                 kPlanCodes + kExitCodeHelp);
    show->callback([&run, plan] { run = [plan] { return RunPlanCommand(*plan); }; });

    auto align = std::make_shared<PlanArgs>();
    CLI::App* write = app.add_subcommand(
        "align",
        "Put drifted clocks right: write only the settings that differ from the desired ones, and verify");
    AddPlanOptions(*write, *align);
    write->add_flag("--yes", align->yes,
                    "write without asking (needed where there is no terminal to ask on)");
    AddPasswordOptions(*write, align->password);
    AddFleetOptions(*write, align->exchange);
    AddExchangeOptions(*write, align->exchange);
    write->footer(
        std::string("Shows the plan and asks before writing. What each clock held is kept in the "
                    "journal of writes first (see history, restore); then the plan of what remains is "
                    "shown.\nExit code 0 when every drifted clock was put right and verified and no "
                    "clock is left that differs or could not tell; 5 when some write did not verify; "
                    "otherwise the plan's of what remains: 12 some clock still differs (also when the "
                    "answer was no), 13 some clock silent or failing the checksum.\n") +
        kExitCodeHelp);
    write->callback([&run, align] { run = [align] { return RunAlignCommand(*align); }; });
}

}  // namespace horavane::cli
