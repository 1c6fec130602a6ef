#include "cli/Horavanectl.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/OutputText.h"

namespace horavane::cli {

// horavanectl: the window's search, query and Modify button for scripts and fleets of clocks.
// Everything it prints comes from in-memory controls filled by the same logic as the window.
int RunHoravanectl(int argc, char** argv) {
    CLI::App app{"Find, read and configure network wall clocks", "horavanectl"};
    app.set_version_flag("--version", std::string("horavanectl ") + HORAVANE_VERSION);
    app.require_subcommand(1);
    app.footer(std::string("Whole sites: search, monitor --subnet, inventory and check take blocks such as "
                           "10.1.0.0/16 or 10.1.2.10-10.1.2.99.\n"
                           "Every set, apply and restore first notes what each clock held: history lists it, "
                           "restore writes it back.\n"
                           "For monitoring systems: check (Nagios/Icinga plugin), monitor --once --format "
                           "prometheus.\nhoravanectl COMMAND --help tells more.\n\n") +
               kExitCodeHelp);

    // CLI11's messages quote the value it refused, as typed.
    app.failure_message([](const CLI::App* failed, const CLI::Error& e) {
        const std::string usual = CLI::FailureMessage::simple(failed, e);
        return Message(Untrusted{e.what()}).ForTerminal() + usual.substr(std::string_view(e.what()).size());
    });

    CommandRun run;
    AddReadCommands(app, run);
    AddSetCommand(app, run);
    AddApplyCommand(app, run);
    AddMonitorCommand(app, run);
    AddInventoryCommand(app, run);
    AddCheckCommand(app, run);
    AddJournalCommands(app, run);
    AddPlanCommands(app, run);

    // The parser knows which command it took, even when it refused its options.
    const CLI::App* check = app.get_subcommand("check");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // A monitoring system reads check's bad usage from its status line and exit code 3.
        // Only check's own words: an option the program itself refused before it is the usage's.
        if (e.get_exit_code() != 0 && check->parsed() && app.remaining(false).empty())
            return ReportUnknown(Untrusted{e.what()});
        const int code = app.exit(e);
        return code == 0 ? kExitOk : kExitUsage;
    }
    if (!run) return kExitUsage;
    try {
        return run();
    } catch (const ClockPortUnavailable& e) {
        if (check->parsed()) return ReportUnknown(Untrusted{e.what()});
        PrintError(Untrusted{e.what()});
        return kExitNoReply;
    } catch (const ClockPortHeld& held) {
        if (check->parsed()) return ReportUnknown(held.message);
        PrintError(held.message);
        return kExitPortHeld;
    }
}

}  // namespace horavane::cli
