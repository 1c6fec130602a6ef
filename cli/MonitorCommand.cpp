#include <unistd.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <CLI/CLI.hpp>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "cli/ClockReport.h"
#include "cli/Commands.h"
#include "cli/DesiredArgs.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/FleetCommand.h"
#include "cli/KnownClockArgs.h"
#include "cli/OneClockDialog.h"
#include "cli/OutputText.h"
#include "cli/PrometheusText.h"
#include "cli/TextTable.h"
#include "cli/VisibleText.h"
#include "fleet/FleetReadings.h"
#include "platform/FileReplacement.h"
#include "protocol/HostSweep.h"
#include "settings/Messages.h"

namespace horavane::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
    g_interrupted = 1;
}

struct MonitorArgs {
    std::vector<std::string> addresses;
    std::vector<std::string> subnets;
    double interval = 5.0;
    bool once = false;
    bool json = false;
    std::string format = "table";
    int rounds = 0;      // 0: until Ctrl-C
    std::string output;  // --output FILE, replaced whole
    KnownClockArgs fleet;
    DesiredArgs desired;
    ExchangeArgs exchange;
};

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

// One row of the table: what the clock's window shows, or what it showed when last heard.
Json ClockRow(const ClockReading& reading, const Json* lastSeen, const KnownClocks& known) {
    Json row;
    const FleetOutcome& clock = reading.outcome;
    const ClockState state = StateOf(reading);
    const bool answered = Answering(state);
    if (answered) {
        const Json status = StatusJson(ReadoutOf(*reading.status), clock.address.ToString());
        row["address"] = status["address"];
        row["serialNumber"] = status["serialNumber"];
        row["syncStatus"] = status["syncStatus"];
        row["currentTimeServer"] = status["currentTimeServer"];
        row["timeZone"] = status["timeZone"];
        row["daylightSaving"] = DaylightSavingText(status);
        row["lastSeen"] = Now();
    } else if (lastSeen) {
        row = *lastSeen;
    } else {
        row["address"] = clock.address.ToString();
        for (const char* key :
             {"serialNumber", "syncStatus", "currentTimeServer", "timeZone", "daylightSaving", "lastSeen"})
            row[key] = nullptr;
    }
    const KnownClock* knownClock = known.Find(clock.address);
    row["name"] = knownClock ? Json(knownClock->name) : Json();
    row["location"] = knownClock ? Json(knownClock->location) : Json();
    row["group"] = knownClock ? Json(knownClock->group) : Json();
    row["known"] = knownClock != nullptr;
    row["answered"] = answered;
    row["synchronised"] = state == ClockState::kSynchronised;
    switch (state) {
        case ClockState::kChecksumError:
            row["state"] = "checksum error";
            break;
        case ClockState::kSilent:
            row["state"] = "silent";
            break;
        case ClockState::kSynchronised:
            row["state"] = "ok";
            break;
        case ClockState::kUnsynchronised:
            row["state"] = "unsynchronised";
            break;
    }
    return row;
}

// Every cell may come from a clock's reply: control characters made visible.
std::string Cell(const Json& value) {
    return value.is_string() ? VisibleText(value.get<std::string>()) : "-";
}

void PrintTable(const Json& rows, bool clearScreen, bool withFleet) {
    if (clearScreen) std::cout << "\x1b[H\x1b[2J";
    std::cout << "horavanectl monitor  " << Now() << "\n";
    std::vector<std::string> header = {"ADDRESS",   "SERIAL NUMBER",   "SYNC", "TIME SERVER",
                                       "TIME ZONE", "DAYLIGHT SAVING", "STATE"};
    std::vector<std::size_t> widths = {16, 21, 7, 16, 11, 36};
    if (withFleet) {
        header.insert(header.begin() + 1, "NAME");
        widths.insert(widths.begin() + 1, 25);
    }
    std::vector<std::vector<std::string>> lines = {header};
    for (const Json& row : rows) {
        std::string state = row["state"].get<std::string>();
        if (state == "silent" && row["lastSeen"].is_string())
            state += " (last seen " + Cell(row["lastSeen"]) + ")";
        if (state != "ok") state = "** " + state;
        std::vector<std::string> cells = {Cell(row["address"]),
                                          Cell(row["serialNumber"]),
                                          Cell(row["syncStatus"]),
                                          Cell(row["currentTimeServer"]),
                                          Cell(row["timeZone"]),
                                          Cell(row["daylightSaving"]),
                                          state};
        if (withFleet)
            cells.insert(cells.begin() + 1, row["known"].get<bool>() ? Cell(row["name"]) : "(unknown)");
        lines.push_back(std::move(cells));
    }
    std::cout << AlignColumns(lines, widths);
    std::cout << std::flush;
}

// The clocks a sweep of the blocks finds (Search requests, at the --rate pace), and the known clocks
// inside the blocks, found or not: a known clock that dies must show as silent, not vanish.
std::optional<std::vector<Ipv4Address>> FindBySearch(const std::vector<std::string>& subnets,
                                                     const KnownClocks& known, const ExchangeOptions& options,
                                                     std::string& error) {
    const auto hosts = ParseSweepHosts(subnets, error);
    if (!hosts) {
        error = "--subnet: " + error;
        return std::nullopt;
    }
    const auto inside = known.Among(*hosts);
    std::set<Ipv4Address> found(inside.begin(), inside.end());
    SweepHosts(*hosts, options, [&](Ipv4Address clock) { found.insert(clock); });
    return std::vector<Ipv4Address>(found.begin(), found.end());
}

// Every clock of the fleet file: what a timer watches when it names none.
std::vector<Ipv4Address> Addresses(const KnownClocks& known) {
    std::vector<Ipv4Address> addresses;
    for (const KnownClock& clock : known.clocks()) addresses.push_back(clock.address);
    return addresses;
}

std::optional<std::vector<Ipv4Address>> Targets(const MonitorArgs& args, const KnownClocks& known,
                                                const ExchangeOptions& options, std::string& error) {
    // Judged before the targets, whichever they are (the whole fleet file too).
    if (!args.output.empty() && !args.once) {
        error = "--output needs --once: the file holds one whole round";
        return std::nullopt;
    }
    if (args.format == "prometheus" && !args.once) {
        error = "--format prometheus needs --once: a textfile collector reads one whole round";
        return std::nullopt;
    }
    const bool named = !args.addresses.empty() || !args.fleet.groups.empty();
    if (!named && args.subnets.empty() && !known.empty()) return Addresses(known);
    if (named == !args.subnets.empty()) {
        error = "monitor needs clock addresses or --group, or --subnet, not both";
        return std::nullopt;
    }
    if (!args.subnets.empty()) return FindBySearch(args.subnets, known, options, error);
    return NamedTargets(args.addresses, args.fleet, known, error);
}

// One round: every clock queried at once; the readings, the rows, and whether all is well.
bool MonitorRound(const std::vector<Ipv4Address>& targets, const KnownClocks& known,
                  const ExchangeOptions& options, std::map<Ipv4Address, Json>& lastSeen,
                  std::vector<ClockReading>& readings, Json& rows) {
    auto read = ReadClocks(targets, options);
    if (!read) {
        read.emplace();
        for (Ipv4Address address : targets)
            read->push_back(ClockReading{FleetOutcome{address}, std::nullopt});
    }
    readings = std::move(*read);
    rows = Json::array();
    bool allWell = !targets.empty();
    for (const ClockReading& reading : readings) {
        const FleetOutcome& clock = reading.outcome;
        const auto last = lastSeen.find(clock.address);
        Json row = ClockRow(reading, last == lastSeen.end() ? nullptr : &last->second, known);
        if (row["answered"].get<bool>()) lastSeen[clock.address] = row;
        allWell = allWell && row["synchronised"].get<bool>();
        rows.push_back(std::move(row));
    }
    return allWell;
}

void SleepInterruptibly(std::chrono::milliseconds total) {
    const auto end = std::chrono::steady_clock::now() + total;
    while (!g_interrupted && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// The round in the file --output names, replaced whole: its states are in the file, so the exit code
// says only whether the file was written.
int WriteOutput(const MonitorArgs& args, const std::vector<ClockReading>& readings, const Json& rows,
                const KnownClocks& known, const DesiredSettings& desired, RoundTimes times,
                std::chrono::steady_clock::time_point start) {
    std::string text;
    times.took = std::chrono::steady_clock::now() - start;
    if (args.format == "prometheus")
        text = PrometheusText(readings, known, times, desired);
    else if (args.json || args.format == "json")
        text = JsonOutputText(rows, 2) + "\n";
    else {
        std::ostringstream table;
        std::streambuf* const console = std::cout.rdbuf(table.rdbuf());
        PrintTable(rows, false, !known.empty());
        std::cout.rdbuf(console);
        text = table.str();
    }
    std::string error;
    const Replacement written = ReplaceFileWhole(args.output, text, error);
    if (written == Replacement::kReplaced) return kExitOk;
    PrintError(Message("--output: ") + Untrusted{error});
    return written == Replacement::kRefused ? kExitNotAFile : kExitOutput;
}

int RunMonitorCommand(const MonitorArgs& args) {
    // NaN passes the option's range check and would drop the pause between rounds altogether.
    if (std::isnan(args.interval)) {
        std::cerr << "horavanectl: --interval: a number of seconds from 0.1 to 86400\n";
        return kExitUsage;
    }
    // Judged again when written; here so that nothing is sent for a round that could not be kept.
    if (!args.output.empty()) {
        if (const FileTarget output = JudgeFileTarget(args.output);
            output.kind == FileTarget::Kind::kRefused) {
            PrintError(Message("--output: ") + Untrusted{output.refusal} + "; nothing was sent");
            return kExitNotAFile;
        }
    }
    std::string error;
    // The desired settings are the Prometheus text's alone (the series that say whether a clock is in
    // line); a table or JSON round does not read them, so a file beside the fleet file cannot stop it.
    const bool prometheus = args.format == "prometheus";
    if (!prometheus && !args.desired.file.empty()) {
        PrintError("--desired needs --format prometheus");
        return kExitUsage;
    }
    const auto desired = prometheus ? ReadDesired(args.desired, args.fleet, error) : DesiredSettings();
    auto command = desired ? OpenFleetCommand(args.exchange, args.fleet, error) : std::nullopt;
    if (command)
        if (auto refusal = desired->RefusalAgainst(command->known)) {
            error = std::move(*refusal);
            command.reset();
        }
    const auto targets = command ? Targets(args, command->known, command->options, error) : std::nullopt;
    if (!targets) {
        PrintError(Untrusted{error});
        return kExitUsage;
    }
    const KnownClocks* known = &command->known;
    const ExchangeOptions* options = &command->options;
    if (targets->empty()) std::cerr << "horavanectl: no clock answered the search\n";
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const bool json = args.json || args.format == "json";
    const bool clearScreen = !args.once && !json && ::isatty(STDOUT_FILENO) == 1;
    std::map<Ipv4Address, Json> lastSeen;
    bool allWell = false;
    int round = 0;
    do {
        Json rows;
        std::vector<ClockReading> readings;
        const RoundTimes times{std::chrono::system_clock::now()};
        const auto start = std::chrono::steady_clock::now();
        allWell = MonitorRound(*targets, *known, *options, lastSeen, readings, rows);
        if (!args.output.empty()) return WriteOutput(args, readings, rows, *known, *desired, times, start);
        if (args.format == "prometheus") {
#ifdef _WIN32
            // The Prometheus parser refuses CR LF: the console's text mode must not add the CR.
            std::cout.flush();
            (void)_setmode(_fileno(stdout), _O_BINARY);
#endif
            std::cout << PrometheusText(readings, *known,
                                        {times.started, std::chrono::steady_clock::now() - start}, *desired)
                      << std::flush;
        } else if (json)
            std::cout << JsonOutputText(rows, args.once ? 2 : -1) << std::endl;
        else
            PrintTable(rows, clearScreen, !known->empty());
        if (args.once || ++round == args.rounds) break;
        SleepInterruptibly(std::chrono::milliseconds(static_cast<long long>(args.interval * 1000.0)));
    } while (!g_interrupted);
    return allWell ? kExitOk : kExitMonitorAlarm;
}

}  // namespace

void AddMonitorCommand(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<MonitorArgs>();
    CLI::App* monitor = app.add_subcommand(
        "monitor", "Live table of clocks: serial number, sync, time server, time zone, daylight saving");
    monitor->add_option("ADDRESS", args->addresses,
                        "clocks to watch (none, no --group and no --subnet: every clock of the fleet file)");
    monitor
        ->add_option(
            "--subnet", args->subnets,
            "watch the clocks a sweep finds: an address for its /24, or a block A.B.C.D/16 to /30 or "
            "A.B.C.D-E.F.G.H; repeatable")
        ->allow_extra_args(false);
    monitor->add_option("--interval", args->interval, "seconds between refreshes (Ctrl-C ends)")
        ->check(CLI::Range(0.1, 86400.0))
        ->capture_default_str();
    monitor->add_flag("--once", args->once, "one round, then exit");
    monitor->add_flag("--json", args->json,
                      "JSON: an array per round, one clock per element (--format json)");
    monitor
        ->add_option("--format", args->format,
                     "table, json, or prometheus (with --once): the Prometheus text format for a "
                     "node-exporter textfile collector")
        ->check(CLI::IsMember({"table", "json", "prometheus"}))
        ->capture_default_str();
    monitor->add_option("--output", args->output,
                        "with --once: write the round to FILE instead of the screen, replacing it whole (a "
                        "temporary file beside it, renamed over it); exit 0 whenever FILE was written. "
                        "Only a regular file is written: a link is followed to the regular file it "
                        "names; a folder, device, FIFO or socket is refused (exit 11)");
    monitor->add_option("--rounds", args->rounds, "end after this many rounds (default: until Ctrl-C)")
        ->check(CLI::Range(1, 1000000));
    AddKnownClockOptions(*monitor, args->fleet);
    AddDesiredOption(*monitor, args->desired);
    AddFleetOptions(*monitor, args->exchange);
    AddExchangeOptions(*monitor, args->exchange);
    monitor->footer(
        std::string("Exit code 0 when every clock answered and is synchronised, 6 otherwise; with "
                    "--output 0 when the file was written, 10 when it could not be, 11 when FILE is "
                    "no regular file.\n") +
        kExitCodeHelp);
    monitor->callback([&run, args] { run = [args] { return RunMonitorCommand(*args); }; });
}

}  // namespace horavane::cli
