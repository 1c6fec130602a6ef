#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <set>

#include "cli/ClockReport.h"
#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/FleetCommand.h"
#include "cli/KnownClockArgs.h"
#include "cli/OneClockDialog.h"
#include "cli/OutputText.h"
#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"
#include "dialog/SearchWorker.h"
#include "protocol/HostRanges.h"
#include "protocol/HostSweep.h"

namespace horavane::cli {
namespace {

// The window's sweep, with the progress bar drawn on stderr when a person is watching it.
class ProgressSearchView : public ControlsSearchView {
  public:
    ProgressSearchView(DialogControls& controls, bool showProgress)
        : ControlsSearchView(controls), showProgress_(showProgress) {}
    ~ProgressSearchView() override {
        if (drawn_) std::fputc('\n', stderr);
    }
    ProgressSearchView(const ProgressSearchView&) = delete;
    ProgressSearchView& operator=(const ProgressSearchView&) = delete;

    void SetProgressPos(int position) override {
        ControlsSearchView::SetProgressPos(position);
        if (!showProgress_) return;
        std::fprintf(stderr, "\rSearching... host %3d of 254", position);
        std::fflush(stderr);
        drawn_ = true;
    }

  private:
    bool showProgress_;
    bool drawn_ = false;
};

struct SearchArgs {
    std::vector<std::string> targets;
    bool json = false;
    bool fast = false;
    ExchangeArgs exchange;
};

void PrintClocks(const std::vector<std::string>& clocks, bool json) {
    if (json) {
        std::cout << JsonOutputText(Json(clocks), 2) << "\n";
    } else {
        for (const std::string& clock : clocks) std::cout << clock << "\n";
    }
}

// The window's sweep of one /24, paced by the clocks' silence; its list is what is printed.
int SearchPaced(const std::string& address, bool json, const ExchangeOptions& options) {
    const auto field = IpFieldValue::Parse(address);
    if (!field) {
        PrintError("\"" + Untrusted{address} +
                   "\" is not a search address: up to four numbers 0 to 255 joined by dots");
        return kExitUsage;
    }
    // The window's own sweep takes any subnet; the command line keeps to where clocks can be.
    std::string error;
    if (!field->IsBlank() && !SweptSubnet(field->Address(), address, error)) {
        PrintError(Untrusted{error});
        return kExitUsage;
    }
    InMemoryControls controls;
    FillDialogLists(controls);
    controls.SetIpParts(ctl::SearchAddress, *field);
    if (!PrepareSearch(controls)) {
        PrintMessages(controls);
        return kExitUsage;
    }
    SweepEnd end = SweepEnd::NotStarted;
    {
        ProgressSearchView view(controls, ::isatty(STDERR_FILENO) == 1);
        end = RunSearch(view, options, std::stop_token{});
    }
    if (end == SweepEnd::NoAdapter) {
        std::cerr << "horavanectl: " << kNothingSentNoAdapter << "\n";
        return kExitNoReply;
    }
    PrintClocks(controls.ListEntries(ctl::ClockList), json);
    return kExitOk;
}

int RunSearchCommand(const SearchArgs& args) {
    std::string error;
    const auto options = MakeExchangeOptions(args.exchange, error);
    const bool paced = !args.fast && args.targets.size() == 1 && !IsBlockText(args.targets.front());
    if (options && paced && (args.exchange.waitSeconds || args.exchange.rate))
        error = "--wait and --rate are for --fast and for blocks; the paced search keeps the window's pace";
    const auto hosts = options && !paced ? ParseSweepHosts(args.targets, error) : std::nullopt;
    if (!error.empty()) {
        PrintError(Untrusted{error});
        return kExitUsage;
    }
    if (paced) return SearchPaced(args.targets.front(), args.json, *options);
    // In the window's list order (as text), whichever sweep found them.
    std::set<std::string> found;
    if (!SweepHosts(*hosts, *options, [&](Ipv4Address clock) { found.insert(clock.ToString()); })) {
        std::cerr << "horavanectl: " << kNothingSentNoAdapter << "\n";
        return kExitNoReply;
    }
    PrintClocks(std::vector<std::string>(found.begin(), found.end()), args.json);
    return kExitOk;
}

struct StatusArgs {
    std::string address;
    bool json = false;
    bool writableOnly = false;  // export
    KnownClockArgs fleet;
    ExchangeArgs exchange;
};

int ShowOneClock(const StatusArgs& args, Ipv4Address clock, const KnownClocks& known,
                 const ExchangeOptions& options) {
    OneClockDialog dialog(clock, options);
    const QueryOutcome outcome = dialog.Query();
    const int code = QueryExitCode(outcome);
    if (code != kExitOk) {
        ReportQueryFailure(outcome, dialog.controls(), dialog.address());
        return code;
    }
    if (args.writableOnly) {
        std::cout << JsonOutputText(SettingsJson(ReadSettingsForm(dialog.controls())), 2) << "\n";
    } else if (args.json) {
        Json status = StatusJson(ReadClockReadout(dialog.controls()), dialog.address());
        AddNameKeys(status, known, clock);
        std::cout << JsonOutputText(status, 2) << "\n";
    } else {
        std::cout << StatusBlock(ReadClockReadout(dialog.controls()), NamedClock(known, clock));
    }
    return kExitOk;
}

// One clock, or each clock of the groups in turn (status only); the first failure's code.
int RunStatusCommand(const StatusArgs& args) {
    std::string error;
    const auto command = OpenFleetCommand(args.exchange, args.fleet, error);
    std::vector<Ipv4Address> clocks;
    if (command && !args.writableOnly && args.address.empty() && !args.fleet.groups.empty()) {
        clocks = *NamedTargets({}, args.fleet, command->known, error);
    } else if (command) {
        if (const auto clock = OneClock(args.address, args.fleet, command->known, error))
            clocks.push_back(*clock);
    }
    if (clocks.empty()) {
        PrintError(Untrusted{error});
        return kExitUsage;
    }
    int code = kExitOk;
    for (std::size_t i = 0; i < clocks.size(); ++i) {
        if (i > 0 && !args.json) std::cout << "\n";
        const int shown = ShowOneClock(args, clocks[i], command->known, command->options);
        if (code == kExitOk) code = shown;
    }
    return code;
}

void AddSearch(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<SearchArgs>();
    CLI::App* search =
        app.add_subcommand("search", "Find the clocks of a /24 subnet (hosts 1 to 254), or of whole sites");
    search
        ->add_option("ADDRESS", args->targets,
                     "an address in the subnet, as typed into the window's search field (up to four numbers "
                     "0 to 255 joined by dots, blank numbers count as 0): swept as the window does, about 26 "
                     "seconds. Or blocks A.B.C.D/16 to /30 and ranges A.B.C.D-E.F.G.H (at most a /16 each), "
                     "several of them: swept at --rate, never host .0 or .255 of a /24")
        ->required();
    search->add_flag("--json", args->json, "print a JSON array of addresses");
    search->add_flag("--fast", args->fast,
                     "one ADDRESS's /24 at once at --rate, then listen until --wait passes silent (same "
                     "clocks, in address order)");
    AddFleetOptions(*search, args->exchange);
    AddExchangeOptions(*search, args->exchange);
    search->footer(kExitCodeHelp);
    search->callback([&run, args] { run = [args] { return RunSearchCommand(*args); }; });
}

void AddStatus(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<StatusArgs>();
    CLI::App* status = app.add_subcommand("status", "Query one clock and show its status and settings");
    status->add_option("ADDRESS", args->address, "the clock's address (or --group)");
    status->add_flag("--json", args->json, "print one JSON object (with --group, one per clock)");
    AddKnownClockOptions(*status, args->fleet);
    AddExchangeOptions(*status, args->exchange);
    status->footer(kExitCodeHelp);
    status->callback([&run, args] { run = [args] { return RunStatusCommand(*args); }; });
}

void AddExport(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<StatusArgs>();
    args->writableOnly = true;
    CLI::App* exported = app.add_subcommand("export", "Print a clock's writable settings as JSON, for apply");
    exported->add_option("ADDRESS", args->address, "the clock's address (or a --group of one clock)");
    AddKnownClockOptions(*exported, args->fleet);
    AddExchangeOptions(*exported, args->exchange);
    exported->footer(kExitCodeHelp);
    exported->callback([&run, args] { run = [args] { return RunStatusCommand(*args); }; });
}

}  // namespace

void AddReadCommands(CLI::App& app, CommandRun& run) {
    AddSearch(app, run);
    AddStatus(app, run);
    AddExport(app, run);
}

}  // namespace horavane::cli
