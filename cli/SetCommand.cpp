#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/FleetCommand.h"
#include "cli/KnownClockArgs.h"
#include "cli/OutputText.h"
#include "cli/PasswordPrompt.h"
#include "cli/SetOptions.h"
#include "fleet/FleetWrite.h"

namespace horavane::cli {
namespace {

struct SetArgs {
    std::string address;
    KnownClockArgs fleet;
    SetOptions settings;
    bool noVerify = false;
    ExchangeArgs exchange;
    PasswordArgs password;
};

// What became of the one clock's write, as `set` reports it, and its exit code.
int ReportSet(const WrittenClock& clock) {
    const std::string address = clock.address.ToString();
    switch (clock.stage) {
        case WriteStage::kNoReply:
            std::cerr << "horavanectl: no reply from " << address << "\n";
            return kExitNoReply;
        case WriteStage::kChecksumError:
            PrintLine(std::cerr, Untrusted{clock.result});
            return kExitChecksum;
        case WriteStage::kRefused:
            for (const std::string& message : clock.refusals) PrintLine(std::cerr, Untrusted{message});
            return kExitRefused;
        case WriteStage::kNotSent:
            std::cerr << "horavanectl: the settings could not be sent to " << address << "\n";
            return kExitNoReply;
        case WriteStage::kInLine:  // set always writes
        case WriteStage::kSent:
            std::cout << address << ": written (not verified)\n";
            return kExitOk;
        case WriteStage::kNotVerified:
            if (clock.differing.empty()) {
                std::cerr << "horavanectl: " << address << ": the write could not be verified\n";
            } else {
                std::cerr << "horavanectl: " << address << " does not show what was written:\n";
                for (const std::string& line : clock.differing) PrintLine(std::cerr, "  " + Untrusted{line});
            }
            return kExitNotVerified;
        case WriteStage::kVerified:
            break;
    }
    std::cout << address << ": written and verified\n";
    return kExitOk;
}

int RunSetCommand(const SetArgs& args) {
    std::string error;
    const auto command = OpenFleetCommand(args.exchange, args.fleet, error);
    const auto clock = command ? OneClock(args.address, args.fleet, command->known, error) : std::nullopt;
    const auto change = clock ? ChangeFromOptions(args.settings, error) : std::nullopt;
    if (!change) {
        PrintError(Untrusted{error});
        return kExitUsage;
    }
    if (!CheckOperatorPassword(args.password)) return kExitPassword;

    // The one verified write of every program: the clock's reply taken from its own address only,
    // what it held journaled before anything is sent.
    const auto results = WriteAndVerify({*clock}, *change, "set", command->options,
                                        WriteJournal::OfThisUser(), error, !args.noVerify);
    if (!results) {
        PrintError(Untrusted{error} + "; nothing was sent");
        return kExitJournal;
    }
    return ReportSet(results->front());
}

}  // namespace

void AddSetCommand(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<SetArgs>();
    SetOptions& s = args->settings;
    CLI::App* set = app.add_subcommand(
        "set", "Change settings of one clock, as the Modify button does, and check that the clock took them");
    set->add_option("ADDRESS", args->address, "the clock's address (or a --group of one clock)");
    AddKnownClockOptions(*set, args->fleet);
    set->add_option("--time-zone", s.timeZone, "time-zone list entry, e.g. \"UTC +8\" or \"UTC -9:30\"");
    set->add_option("--time-format", s.timeFormat, "12 or 24");
    set->add_option("--ip-mode", s.ipMode, "static or dynamic");
    set->add_option("--time-server", s.timeServers, "K=ADDRESS sets time server K (1 to 5); K= blanks it")
        ->allow_extra_args(false);
    set->add_option("--ip-address", s.ipAddress, "the clock's IP address");
    set->add_option("--subnet-mask", s.subnetMask, "the clock's subnet mask");
    set->add_option("--gateway", s.gateway, "the clock's default gateway");
    set->add_option("--dns-server", s.dnsServer, "the clock's DNS server");
    set->add_option("--dst", s.dst,
                    "daylight saving: off, on, or HOUR,WEEK,DAY,MONTH-HOUR,WEEK,DAY,MONTH such as "
                    "2,Second,Sun,Mar-3,Last,Sun,Oct (an empty item leaves that list empty)");
    set->add_option("--energy-saving", s.energySaving, "FROM-TO hours, e.g. 22-6");
    set->add_option("--brightness", s.brightness, "Brilliant, Bright, Normal or Dim");
    set->add_flag("--no-verify", args->noVerify, "send without querying the clock again");
    AddPasswordOptions(*set, args->password);
    AddExchangeOptions(*set, args->exchange);
    set->footer(
        std::string("What the clock held is kept in the journal of writes first (see history, restore).\n") +
        kExitCodeHelp);
    set->callback([&run, args] { run = [args] { return RunSetCommand(*args); }; });
}

}  // namespace horavane::cli
