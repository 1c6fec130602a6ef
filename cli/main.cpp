#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"

// horavanectl: the window's search, query and Modify button for scripts and fleets of clocks.
// Everything it prints comes from in-memory controls filled by the same logic as the window.
int main(int argc, char** argv) {
    using namespace horavane::cli;
    CLI::App app{"Find, read and configure network wall clocks", "horavanectl"};
    app.set_version_flag("--version", std::string("horavanectl ") + HORAVANE_VERSION);
    app.require_subcommand(1);
    app.footer(kExitCodeHelp);

    CommandRun run;
    AddReadCommands(app, run);
    AddSetCommand(app, run);
    AddApplyCommand(app, run);
    AddMonitorCommand(app, run);
    AddJournalCommands(app, run);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kExitOk : kExitUsage;
    }
    return run ? run() : kExitUsage;
}
