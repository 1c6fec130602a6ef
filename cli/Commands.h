#pragma once

#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace horavane::cli {

class Message;

// Each command group adds its subcommands; the one the user named leaves its work in `run`,
// which main calls after parsing and whose result is the exit code.
using CommandRun = std::function<int()>;

void AddReadCommands(CLI::App& app, CommandRun& run);  // search, status, export
void AddSetCommand(CLI::App& app, CommandRun& run);
void AddApplyCommand(CLI::App& app, CommandRun& run);
void AddMonitorCommand(CLI::App& app, CommandRun& run);  // monitor
void AddInventoryCommand(CLI::App& app, CommandRun& run);
void AddCheckCommand(CLI::App& app, CommandRun& run);
void AddJournalCommands(CLI::App& app, CommandRun& run);  // history, restore
void AddPlanCommands(CLI::App& app, CommandRun& run);     // plan, align

// `check`'s answer when it cannot check: "CLOCKS UNKNOWN - reason" on stdout, and its exit code.
int ReportUnknown(const Message& reason);

}  // namespace horavane::cli
