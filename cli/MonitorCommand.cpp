#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cmath>
#include <csignal>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "cli/ClockReport.h"
#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/OneClockDialog.h"
#include "cli/PrometheusText.h"
#include "cli/TextTable.h"
#include "cli/VisibleText.h"
#include "fleet/FleetReadings.h"
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
    int rounds = 0;  // 0: until Ctrl-C
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
Json ClockRow(const ClockReading& reading, const Json* lastSeen) {
    Json row;
    const FleetOutcome& clock = reading.outcome;
    const bool answered = reading.status.has_value();
    if (answered) {
        const InMemoryControls window = ShownWindow(*reading.status);
        const Json status = StatusJson(window, clock.address.ToString());
        row["address"] = status["address"];
        row["serialNumber"] = status["serialNumber"];
        row["syncStatus"] = status["syncStatus"];
        row["currentTimeServer"] = status["currentTimeServer"];
        row["timeZone"] = status["timeZone"];
        row["daylightSaving"] = DaylightSavingText(window);
        row["lastSeen"] = Now();
    } else if (lastSeen) {
        row = *lastSeen;
    } else {
        row["address"] = clock.address.ToString();
        for (const char* key :
             {"serialNumber", "syncStatus", "currentTimeServer", "timeZone", "daylightSaving", "lastSeen"})
            row[key] = nullptr;
    }
    const bool synchronised = answered && row["syncStatus"] == std::string(msg::kSync);
    row["answered"] = answered;
    row["synchronised"] = synchronised;
    if (clock.checksumError)
        row["state"] = "checksum error";
    else if (!answered)
        row["state"] = "silent";
    else
        row["state"] = synchronised ? "ok" : "unsynchronised";
    return row;
}

// Every cell may come from a clock's reply: control characters made visible.
std::string Cell(const Json& value) {
    return value.is_string() ? VisibleText(value.get<std::string>()) : "-";
}

void PrintTable(const Json& rows, bool clearScreen) {
    if (clearScreen) std::cout << "\x1b[H\x1b[2J";
    std::cout << "horavanectl monitor  " << Now() << "\n";
    std::vector<std::vector<std::string>> lines = {
        {"ADDRESS", "SERIAL NUMBER", "SYNC", "TIME SERVER", "TIME ZONE", "DAYLIGHT SAVING", "STATE"}};
    for (const Json& row : rows) {
        std::string state = row["state"].get<std::string>();
        if (state == "silent" && row["lastSeen"].is_string())
            state += " (last seen " + Cell(row["lastSeen"]) + ")";
        if (state != "ok") state = "** " + state;
        lines.push_back({Cell(row["address"]), Cell(row["serialNumber"]), Cell(row["syncStatus"]),
                         Cell(row["currentTimeServer"]), Cell(row["timeZone"]), Cell(row["daylightSaving"]),
                         state});
    }
    std::cout << AlignColumns(lines, {16, 21, 7, 16, 11, 36});
    std::cout << std::flush;
}

// The clocks a sweep of the blocks finds (Search requests, at the --rate pace).
std::optional<std::vector<Ipv4Address>> FindBySearch(const std::vector<std::string>& subnets,
                                                     const ExchangeOptions& options, std::string& error) {
    const auto hosts = ParseSweepHosts(subnets, error);
    if (!hosts) {
        error = "--subnet: " + error;
        return std::nullopt;
    }
    std::set<Ipv4Address> found;
    SweepHosts(*hosts, options, [&](Ipv4Address clock) { found.insert(clock); });
    return std::vector<Ipv4Address>(found.begin(), found.end());
}

std::optional<std::vector<Ipv4Address>> Targets(const MonitorArgs& args, const ExchangeOptions& options,
                                                std::string& error) {
    if (args.addresses.empty() == args.subnets.empty()) {
        error = "monitor needs clock addresses or --subnet, not both";
        return std::nullopt;
    }
    if (args.format == "prometheus" && !args.once) {
        error = "--format prometheus needs --once: a textfile collector reads one whole round";
        return std::nullopt;
    }
    if (!args.subnets.empty()) return FindBySearch(args.subnets, options, error);
    return ParseClockAddresses(args.addresses, error);
}

// One round: every clock queried at once; the readings, the rows, and whether all is well.
bool MonitorRound(const std::vector<Ipv4Address>& targets, const ExchangeOptions& options,
                  std::map<Ipv4Address, Json>& lastSeen, std::vector<ClockReading>& readings, Json& rows) {
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
        Json row = ClockRow(reading, last == lastSeen.end() ? nullptr : &last->second);
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

int RunMonitorCommand(const MonitorArgs& args) {
    // NaN passes the option's range check and would drop the pause between rounds altogether.
    if (std::isnan(args.interval)) {
        std::cerr << "horavanectl: --interval: a number of seconds from 0.1 to 86400\n";
        return kExitUsage;
    }
    std::string error;
    const auto options = MakeExchangeOptions(args.exchange, error);
    const auto targets = options ? Targets(args, *options, error) : std::nullopt;
    if (!targets) {
        std::cerr << "horavanectl: " << error << "\n";
        return kExitUsage;
    }
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
        allWell = MonitorRound(*targets, *options, lastSeen, readings, rows);
        if (args.format == "prometheus")
            std::cout << PrometheusText(readings) << std::flush;
        else if (json)
            std::cout << JsonText(rows, args.once ? 2 : -1) << std::endl;
        else
            PrintTable(rows, clearScreen);
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
    monitor->add_option("ADDRESS", args->addresses, "clocks to watch");
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
    monitor->add_option("--rounds", args->rounds, "end after this many rounds (default: until Ctrl-C)")
        ->check(CLI::Range(1, 1000000));
    AddFleetOptions(*monitor, args->exchange);
    AddExchangeOptions(*monitor, args->exchange);
    monitor->footer(std::string("Exit code 0 when every clock answered and is synchronised, 6 otherwise.\n") +
                    kExitCodeHelp);
    monitor->callback([&run, args] { run = [args] { return RunMonitorCommand(*args); }; });
}

}  // namespace horavane::cli
