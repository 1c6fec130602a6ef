#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <memory>

#include "cli/ClockReport.h"
#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/FleetCommand.h"
#include "cli/KnownClockArgs.h"
#include "cli/OutputText.h"
#include "cli/PasswordPrompt.h"
#include "fleet/FleetWrite.h"
#include "fleet/SettingsFile.h"

namespace horavane::cli {
namespace {

struct ApplyArgs {
    std::string file;
    std::vector<std::string> addresses;
    KnownClockArgs fleet;
    ExchangeArgs exchange;
    PasswordArgs password;
};

std::optional<SettingsChange> ReadSettingsFile(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the settings file " + path;
        return std::nullopt;
    }
    Json file;
    try {
        file = Json::parse(in, nullptr, false);
    } catch (const std::ios_base::failure&) {
        // The parser reads the stream buffer directly, whose read errors (a folder named as the
        // file, say) arrive as exceptions rather than as a failed stream.
        error = "cannot read the settings file " + path;
        return std::nullopt;
    }
    if (file.is_discarded()) {
        error = path + " is not valid JSON";
        return std::nullopt;
    }
    return ChangeFromJson(file, error);
}

int RunApplyCommand(const ApplyArgs& args) {
    std::string error;
    const auto command = OpenFleetCommand(args.exchange, args.fleet, error);
    auto targets = command ? NamedTargets(args.addresses, args.fleet, command->known, error) : std::nullopt;
    if (targets && targets->empty()) {
        error = "name the clocks: ADDRESS... or --group";
        targets.reset();
    }
    auto change = targets ? ReadSettingsFile(args.file, error) : std::nullopt;
    if (!change) {
        PrintError(Untrusted{error});
        return kExitUsage;
    }
    // One clock's own address copied onto many would give them all the same address: with more
    // than one clock, each keeps the address it has.
    if (targets->size() > 1) change->ipAddress.reset();
    if (!CheckOperatorPassword(args.password)) return kExitPassword;

    const auto results =
        WriteAndVerify(*targets, *change, "apply", command->options, WriteJournal::OfThisUser(), error);
    if (!results) {
        PrintError(Untrusted{error} + "; nothing was sent");
        return kExitJournal;
    }
    std::size_t verified = 0;
    for (const WrittenClock& clock : *results) {
        PrintLine(std::cout, clock.address + "  " + Untrusted{clock.result});
        if (clock.verified) ++verified;
    }
    std::cout << "apply: " << verified << " of " << results->size() << " clocks verified\n";
    return verified == results->size() ? kExitOk : kExitNotVerified;
}

}  // namespace

void AddApplyCommand(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<ApplyArgs>();
    CLI::App* apply = app.add_subcommand(
        "apply", "Write the settings of a file (as export prints them) to many clocks and verify each");
    apply->add_option("FILE", args->file, "settings file; keys left out keep each clock's own value")
        ->required();
    apply->add_option("ADDRESS", args->addresses,
                      "clocks to write (or --group); with more than one, each keeps its own IP address");
    AddKnownClockOptions(*apply, args->fleet);
    AddPasswordOptions(*apply, args->password);
    AddFleetOptions(*apply, args->exchange);
    AddExchangeOptions(*apply, args->exchange);
    apply->footer(std::string("What each clock held is kept in the journal of writes first (see history, "
                              "restore).\nExit code 0 only when every clock verified, 5 otherwise.\n") +
                  kExitCodeHelp);
    apply->callback([&run, args] { run = [args] { return RunApplyCommand(*args); }; });
}

}  // namespace horavane::cli
