#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/ClockReport.h"
#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/OneClockDialog.h"
#include "dialog/ControlIds.h"
#include "dialog/SearchWorker.h"

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
    std::string address;
    bool json = false;
    bool fast = false;
    ExchangeArgs exchange;
};

int RunSearchCommand(const SearchArgs& args) {
    std::string error;
    const auto options = MakeExchangeOptions(args.exchange, error);
    const auto field = IpFieldValue::Parse(args.address);
    if (!field)
        error =
            "\"" + args.address + "\" is not a search address: up to four numbers 0 to 255 joined by dots";
    if (!options || !field) {
        std::cerr << "horavanectl: " << error << "\n";
        return kExitUsage;
    }
    InMemoryControls controls = FreshWindow();
    controls.SetIpParts(ctl::SearchAddress, *field);
    if (!PrepareSearch(controls)) {
        PrintMessages(controls);
        return kExitUsage;
    }
    {
        ProgressSearchView view(controls, ::isatty(STDERR_FILENO) == 1);
        RunSearch(view, *options, SweepPacing{.fast = args.fast}, std::stop_token{});
    }
    const auto clocks = controls.ListEntries(ctl::ClockList);
    if (args.json) {
        std::cout << JsonText(Json(clocks), 2) << "\n";
    } else {
        for (const std::string& clock : clocks) std::cout << clock << "\n";
    }
    return kExitOk;
}

struct StatusArgs {
    std::string address;
    bool json = false;
    bool writableOnly = false;  // export
    ExchangeArgs exchange;
};

int RunStatusCommand(const StatusArgs& args) {
    std::string error;
    const auto options = MakeExchangeOptions(args.exchange, error);
    const auto clock = options ? ParseClockAddress(args.address, error) : std::nullopt;
    if (!clock) {
        std::cerr << "horavanectl: " << error << "\n";
        return kExitUsage;
    }
    OneClockDialog dialog(*clock, *options);
    const QueryOutcome outcome = dialog.Query();
    const int code = QueryExitCode(outcome);
    if (code != kExitOk) {
        ReportQueryFailure(outcome, dialog.controls(), dialog.address());
        return code;
    }
    if (args.writableOnly)
        std::cout << JsonText(WritableJson(dialog.controls()), 2) << "\n";
    else if (args.json)
        std::cout << JsonText(StatusJson(dialog.controls(), dialog.address()), 2) << "\n";
    else
        std::cout << StatusBlock(dialog.controls(), dialog.address());
    return kExitOk;
}

void AddSearch(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<SearchArgs>();
    CLI::App* search = app.add_subcommand("search", "Find the clocks of a /24 subnet (hosts 1 to 254)");
    search
        ->add_option("ADDRESS", args->address,
                     "address in the subnet, as typed into the search field: up to four numbers 0 to 255 "
                     "joined by dots, blank numbers count as 0")
        ->required();
    search->add_flag("--json", args->json, "print a JSON array of addresses");
    search->add_flag("--fast", args->fast,
                     "send every batch at once and wait for one silent second (same clocks)");
    AddExchangeOptions(*search, args->exchange);
    search->footer(kExitCodeHelp);
    search->callback([&run, args] { run = [args] { return RunSearchCommand(*args); }; });
}

void AddStatus(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<StatusArgs>();
    CLI::App* status = app.add_subcommand("status", "Query one clock and show its status and settings");
    status->add_option("ADDRESS", args->address, "the clock's address")->required();
    status->add_flag("--json", args->json, "print one JSON object");
    AddExchangeOptions(*status, args->exchange);
    status->footer(kExitCodeHelp);
    status->callback([&run, args] { run = [args] { return RunStatusCommand(*args); }; });
}

void AddExport(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<StatusArgs>();
    args->writableOnly = true;
    CLI::App* exported = app.add_subcommand("export", "Print a clock's writable settings as JSON, for apply");
    exported->add_option("ADDRESS", args->address, "the clock's address")->required();
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
