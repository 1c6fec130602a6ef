#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/ClockReport.h"
#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/KnownClockArgs.h"
#include "cli/OutputText.h"
#include "cli/PasswordPrompt.h"
#include "cli/VisibleText.h"
#include "fleet/FleetWrite.h"
#include "fleet/WriteJournal.h"

namespace horavane::cli {
namespace {

struct HistoryArgs {
    std::string address;
    bool json = false;
    KnownClockArgs fleet;
};

// A journal record's clock as the fleet file names it ("Gym (10.1.9.20)").
std::string RecordClock(const KnownClocks& known, const std::string& address) {
    const auto parsed = Ipv4Address::Parse(address);
    return parsed ? NamedClock(known, *parsed) : VisibleText(address);
}

struct RestoreArgs {
    std::string address;
    std::string at;
    ExchangeArgs exchange;
    PasswordArgs password;
};

void ReportDamaged(const WriteJournal& journal, int damaged) {
    if (damaged > 0)
        PrintError(Message::Own(std::to_string(damaged)) + " damaged line(s) of " +
                   Untrusted{journal.file().string()} +
                   " skipped (the end of a program killed while it wrote, or a line that is no record)");
}

// "timeZoneEntry \"UTC +1\" -> \"UTC +8\"; brightness ..." for the settings the write changed.
std::string ChangedSettingsText(const JournalRecord& record) {
    if (!KnowsBefore(record)) return "before not known (the window had not read the clock)";
    std::string text;
    for (const std::string& key : WritableKeys()) {
        const Json& before = record.before.contains(key) ? record.before[key] : Json();
        const Json& written = record.written.contains(key) ? record.written[key] : Json();
        if (before != written)
            text += (text.empty() ? "" : "; ") + key + " " + VisibleText(JsonText(before)) + " -> " +
                    VisibleText(JsonText(written));
    }
    return text.empty() ? "no change" : text;
}

int RunHistoryCommand(const HistoryArgs& args) {
    std::string error;
    std::optional<Ipv4Address> clock;
    const auto known = LoadFleet(args.fleet, error);
    if (!known || (!args.address.empty() && !(clock = ParseClockAddress(args.address, error)))) {
        PrintError(Untrusted{error});
        return kExitUsage;
    }
    // Each record is printed as it is read, so that memory stays flat however long the journal is.
    const WriteJournal journal = WriteJournal::OfThisUser();
    int damaged = 0;
    int records = 0;
    // JSON is read through once before anything is printed: a journal that cannot be read to its end
    // gives no half document on stdout for a script to take.
    if (args.json && !journal.ForEach(
                         clock, [](JournalRecord&&) {}, damaged, error)) {
        std::cerr << "horavanectl: " << error << "\n";
        return kExitJournal;
    }
    damaged = 0;
    const bool read = journal.ForEach(
        clock,
        [&](JournalRecord&& r) {
            if (args.json) {
                Json record = RecordJson(r);
                const auto address = Ipv4Address::Parse(r.address);
                if (address) AddNameKeys(record, *known, *address);
                std::string text = JsonOutputText(record, 2);
                for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 3))
                    text.replace(at, 1, "\n  ");
                std::cout << (records == 0 ? "[\n  " : ",\n  ") << text;
            } else {
                std::cout << VisibleText(r.time) << "  " << RecordClock(*known, r.address) << "  "
                          << VisibleText(r.serialNumber) << "  " << VisibleText(r.user) << "  "
                          << VisibleText(r.command) << "  " << ChangedSettingsText(r) << "\n";
            }
            ++records;
        },
        damaged, error);
    if (args.json) std::cout << (records == 0 ? "[]\n" : "\n]\n");
    ReportDamaged(journal, damaged);
    if (!read) {
        PrintError(Untrusted{error});
        return kExitJournal;
    }
    if (records == 0 && !args.json)
        PrintError("no writes" + (clock ? " to " + Message(*clock) : Message("")) + " in " +
                   Untrusted{journal.file().string()});
    return kExitOk;
}

int RunRestoreCommand(const RestoreArgs& args) {
    std::string error;
    const auto options = MakeExchangeOptions(args.exchange, error);
    const auto clock = options ? ParseClockAddress(args.address, error) : std::nullopt;
    const auto at = args.at.empty() ? std::nullopt : ParseJournalTime(args.at);
    if (clock && !args.at.empty() && !at)
        error =
            "--at: \"" + args.at + "\" is not a time such as 2026-12-07T10:11:12 (UTC, as history prints it)";
    if (!clock || (!args.at.empty() && !at)) {
        PrintError(Untrusted{error});
        return kExitUsage;
    }
    const WriteJournal journal = WriteJournal::OfThisUser();
    RestoreChoice choice(at);
    int damaged = 0;
    const bool read = journal.ForEach(
        clock, [&](JournalRecord&& r) { choice.Offer(std::move(r)); }, damaged, error);
    ReportDamaged(journal, damaged);
    if (!read) {
        PrintError(Untrusted{error} + "; nothing was sent");
        return kExitJournal;
    }
    const std::optional<JournalRecord>& record = choice.chosen();
    if (!record) {
        PrintError(Untrusted{journal.file().string()} + " holds no write to " + *clock +
                   (at ? " after " + Untrusted{*at} : Message("")) + ": nothing to restore");
        return kExitUsage;
    }
    const auto change = ChangeBackTo(*record, error);
    if (!change) {
        PrintError("the journal's record of " + Untrusted{record->time} +
                   " cannot be used: " + Untrusted{error});
        return kExitUsage;
    }
    if (!CheckOperatorPassword(args.password)) return kExitPassword;

    const auto results = WriteAndVerify({*clock}, *change, "restore", *options, journal, error);
    if (!results) {
        PrintError(Untrusted{error} + "; nothing was sent");
        return kExitJournal;
    }
    const WrittenClock& result = results->front();
    PrintLine(std::cout, result.address + "  " + Untrusted{result.result});
    if (!result.verified) return kExitNotVerified;
    PrintLine(std::cout, "restore: " + result.address + " holds again what it held before the " +
                             Untrusted{record->command} + " of " + Untrusted{record->time});
    return kExitOk;
}

}  // namespace

void AddJournalCommands(CLI::App& app, CommandRun& run) {
    auto history = std::make_shared<HistoryArgs>();
    CLI::App* list = app.add_subcommand(
        "history",
        "List the journal of writes: every set, apply and restore, and the window's Modify, with what each "
        "clock held before");
    list->add_option("ADDRESS", history->address, "only the writes to this clock");
    list->add_flag("--json", history->json,
                   "the records as a JSON array, with the settings before and after");
    AddKnownClockOptions(*list, history->fleet, false);
    list->footer(
        "The journal is $XDG_STATE_HOME/horavane/journal.jsonl (~/.local/state/horavane without "
        "XDG_STATE_HOME; %LOCALAPPDATA%\\Horavane on Windows). Times are UTC.");
    list->callback([&run, history] { run = [history] { return RunHistoryCommand(*history); }; });

    auto restore = std::make_shared<RestoreArgs>();
    CLI::App* back = app.add_subcommand(
        "restore", "Write a clock's earlier settings back from the journal, and verify them");
    back->add_option("ADDRESS", restore->address, "the clock")->required();
    back->add_option("--at", restore->at,
                     "the settings the clock held at this time (UTC, e.g. 2026-12-07T10:11:12); default: "
                     "before its latest write, which undoes that write");
    AddPasswordOptions(*back, restore->password);
    AddExchangeOptions(*back, restore->exchange);
    back->footer(std::string("The restore is a write too, and is journaled.\n") + kExitCodeHelp);
    back->callback([&run, restore] { run = [restore] { return RunRestoreCommand(*restore); }; });
}

}  // namespace horavane::cli
