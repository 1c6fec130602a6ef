#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/KnownClockArgs.h"
#include "fleet/FleetReadings.h"
#include "protocol/HostRanges.h"

namespace horavane::cli {
namespace {

// At most this many addresses are named in the status line; monitoring systems cut long lines.
constexpr std::size_t kNamedInLine = 5;

struct CheckArgs {
    std::vector<std::string> targets;
    int warnUnsynced = 0;
    int critSilent = 0;
    std::optional<double> timeout;
    std::optional<int> warnUnknown;
    KnownClockArgs fleet;
    ExchangeArgs exchange;
};

// With --timeout the wait for the clock port gets what is left once the clocks have had their
// time: the pacing of the requests after the first burst, and three waits.
void FitLockWaitIntoTimeout(ExchangeArgs& exchange, const ExchangeOptions& options, std::size_t hosts,
                            double timeout) {
    const double pacing = hosts > static_cast<std::size_t>(options.rate.burst)
                              ? static_cast<double>(hosts - static_cast<std::size_t>(options.rate.burst)) /
                                    options.rate.perSecond
                              : 0.0;
    const double clocks = pacing + 3.0 * std::chrono::duration<double>(options.wait).count();
    exchange.lockWaitSeconds = std::clamp(timeout - clocks, 0.0, exchange.lockWaitSeconds);
}

struct Tally {
    std::vector<Ipv4Address> unsynchronised, silent, checksumErrors, unknown;
    int clocks = 0;
    int synchronised = 0;
    double slowestReply = 0;  // seconds
};

// Named clocks, those of the groups and the known clocks inside a block are expected to answer; the
// other hosts of a block are clocks only when they do.
bool SplitTargets(const std::vector<std::string>& texts, const KnownClocks& known,
                  std::vector<Ipv4Address>& named, std::vector<Ipv4Address>& all, std::string& error) {
    std::vector<AddressBlock> blocks;
    for (const std::string& text : texts) {
        if (IsBlockText(text)) {
            const auto block = ParseAddressBlock(text, error);
            if (!block) return false;
            blocks.push_back(*block);
        } else if (const auto address = Ipv4Address::Parse(text)) {
            if (auto refusal = RefusedClockAddress(*address)) {
                error = std::move(*refusal);
                return false;
            }
            named.push_back(*address);
        } else {
            error = "\"" + text +
                    "\" is neither a clock address nor a block (A.B.C.D/16 to /30, A.B.C.D-E.F.G.H)";
            return false;
        }
    }
    all = HostsOf(std::move(blocks));
    const auto inside = known.Among(all);
    named.insert(named.end(), inside.begin(), inside.end());
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    all.insert(all.end(), named.begin(), named.end());
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return true;
}

Tally Count(const std::vector<ClockReading>& readings, const std::vector<Ipv4Address>& named,
            const KnownClocks& known) {
    Tally tally;
    std::vector<Ipv4Address> heard;
    for (const ClockReading& reading : readings) {
        heard.push_back(reading.outcome.address);
        ++tally.clocks;
        // Without a fleet file every clock would be unknown, which tells nothing.
        if (!known.empty() && known.Find(reading.outcome.address) == nullptr)
            tally.unknown.push_back(reading.outcome.address);
        if (!reading.status) {
            tally.checksumErrors.push_back(reading.outcome.address);
            continue;
        }
        tally.slowestReply =
            std::max(tally.slowestReply, std::chrono::duration<double>(reading.outcome.responseTime).count());
        if (reading.status->Synchronised())
            ++tally.synchronised;
        else
            tally.unsynchronised.push_back(reading.outcome.address);
    }
    for (const Ipv4Address clock : named)
        if (!std::binary_search(heard.begin(), heard.end(), clock)) {
            tally.silent.push_back(clock);
            ++tally.clocks;
        }
    return tally;
}

// Monitoring systems cut a plugin's text at "|" (the performance data follows) and Nagios turns ";"
// into ":", so neither may come from a name.
std::string PluginText(std::string text) {
    std::string out;
    for (const char c : text) {
        if (c == ';')
            out += "\\x3b";
        else if (c == '|')
            out += "\\x7c";
        else
            out += c;
    }
    return out;
}

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Named(const char* what, const std::vector<Ipv4Address>& clocks, const KnownClocks& known) {
    if (clocks.empty()) return "";
    std::string text = std::string(" - ") + what + ": ";
    for (std::size_t i = 0; i < clocks.size() && i < kNamedInLine; ++i)
        text += (i == 0 ? "" : ", ") + NamedClock(known, clocks[i]);
    if (clocks.size() > kNamedInLine)
        text += " and " + std::to_string(clocks.size() - kNamedInLine) + " more";
    return text;
}

// Performance data in the plugins' syntax, 'label'=value[unit];[warn];[crit];[min];[max], with the
// thresholds this check alerts at.
std::string PerformanceData(const Tally& tally, const CheckArgs& args) {
    auto count = [](const char* label, std::size_t value, const std::string& warn, const std::string& crit) {
        return std::string(label) + "=" + std::to_string(value) + ";" + warn + ";" + crit + ";0";
    };
    const std::string critSilent = std::to_string(args.critSilent);
    char response[64];
    std::snprintf(response, sizeof response, "response_time=%.6fs;;;0", tally.slowestReply);
    return count("clocks", static_cast<std::size_t>(tally.clocks), "", "") + " " +
           count("synchronised", static_cast<std::size_t>(tally.synchronised), "", "") + " " +
           count("silent", tally.silent.size(), "", critSilent) + " " +
           count("checksum_errors", tally.checksumErrors.size(), "", critSilent) + " " +
           count("unsynchronised", tally.unsynchronised.size(), std::to_string(args.warnUnsynced), "") + " " +
           count("unknown", tally.unknown.size(), args.warnUnknown ? std::to_string(*args.warnUnknown) : "",
                 "") +
           " " + response;
}

int Report(int code, const std::string& summary, const Tally& tally, const CheckArgs& args) {
    static constexpr const char* kStates[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    std::cout << "CLOCKS " << kStates[code] << " - " << PluginText(summary) << " | "
              << PerformanceData(tally, args) << "\n";
    return code;
}

int RunCheckCommand(const CheckArgs& args) {
    std::string error;
    std::vector<Ipv4Address> named;
    std::vector<Ipv4Address> all;
    auto options = MakeExchangeOptions(args.exchange, error);
    if (!options) return ReportUnknown(error);
    const auto known = LoadFleet(args.fleet, error);
    if (!known) return ReportUnknown(error);
    AddGroupClocks(args.fleet, *known, named);
    if (args.targets.empty() && args.fleet.groups.empty())
        for (const KnownClock& clock : known->clocks()) named.push_back(clock.address);
    if (!SplitTargets(args.targets, *known, named, all, error)) return ReportUnknown(error);
    if (all.empty())
        return ReportUnknown("no clock to check: name clocks, blocks or --group, or give a fleet file");
    if (args.timeout) {
        if (!(*args.timeout > 0.0 && *args.timeout <= 86400.0))
            return ReportUnknown("--timeout: a number of seconds above 0 and at most 86400");
        ExchangeArgs fitted = args.exchange;
        FitLockWaitIntoTimeout(fitted, *options, all.size(), *args.timeout);
        options = MakeExchangeOptions(fitted, error);
    }
    std::optional<std::vector<ClockReading>> readings;
    try {
        readings = ReadClocks(all, *options, false);
    } catch (const ClockPortHeld& held) {
        return ReportUnknown(held.message);
    }
    if (!readings)
        return ReportUnknown("no network: no adapter, or the clock port " + std::to_string(options->port) +
                             " cannot be opened");
    const Tally tally = Count(*readings, named, *known);
    const std::size_t failing = tally.silent.size() + tally.checksumErrors.size();
    const std::string summary =
        Counted(static_cast<std::size_t>(tally.clocks), "clock", "clocks") + ", " +
        std::to_string(tally.synchronised) + " synchronised" + Named("silent", tally.silent, *known) +
        Named("checksum errors", tally.checksumErrors, *known) +
        Named("unsynchronised", tally.unsynchronised, *known) + Named("unknown", tally.unknown, *known);
    if (tally.clocks == 0) return Report(kCheckCritical, "no clock answered", tally, args);
    if (failing > static_cast<std::size_t>(args.critSilent))
        return Report(kCheckCritical, summary, tally, args);
    if (tally.unsynchronised.size() > static_cast<std::size_t>(args.warnUnsynced) ||
        (args.warnUnknown && tally.unknown.size() > static_cast<std::size_t>(*args.warnUnknown)))
        return Report(kCheckWarning, summary, tally, args);
    return Report(kCheckOk, summary, tally, args);
}

}  // namespace

int ReportUnknown(const std::string& reason) {
    std::cout << "CLOCKS UNKNOWN - " << PluginText(reason) << "\n";
    return kCheckUnknown;
}

void AddCheckCommand(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<CheckArgs>();
    CLI::App* check = app.add_subcommand(
        "check", "Check clocks for a monitoring system (Nagios, Icinga): one status line, exit 0 to 3");
    check->add_option("TARGET", args->targets,
                      "clock addresses, which must answer, and blocks (A.B.C.D/16 to /30, A.B.C.D-E.F.G.H), "
                      "whose answering hosts are the clocks and whose known clocks must answer (none and no "
                      "--group: every clock of the fleet file)");
    check
        ->add_option("--warn-unsynced", args->warnUnsynced,
                     "this many unsynchronised clocks pass before the check warns")
        ->check(CLI::Range(0, 1000000))
        ->capture_default_str();
    check
        ->add_option(
            "--crit-silent", args->critSilent,
            "this many silent clocks (or clocks failing the checksum) pass before the check is critical")
        ->check(CLI::Range(0, 1000000))
        ->capture_default_str();
    check->add_option("--timeout", args->timeout,
                      "seconds within which the check answers: the wait for a clock port held by another "
                      "program is cut short to leave the clocks their time");
    args->exchange.quietLockWait = true;
    check
        ->add_option("--warn-unknown", args->warnUnknown,
                     "warn when more clocks than this answer that the fleet file does not name")
        ->check(CLI::Range(0, 1000000));
    AddKnownClockOptions(*check, args->fleet);
    AddFleetOptions(*check, args->exchange);
    AddExchangeOptions(*check, args->exchange);
    check->footer(
        "Prints one line, \"CLOCKS CRITICAL - 3 clocks, 2 synchronised - silent: Gym (10.1.9.20) | "
        "clocks=3;;;0 ...\", with performance data after the |. The known clocks of the fleet file are "
        "named, "
        "and those inside a block must answer.\nExit codes of this command, as monitoring plugins have "
        "them:\n"
        "  0  OK\n"
        "  1  WARNING: more clocks unsynchronised than --warn-unsynced, or more answering clocks the fleet "
        "file does not name than --warn-unknown\n"
        "  2  CRITICAL: more clocks silent or failing the checksum than --crit-silent, or none answered\n"
        "  3  UNKNOWN: bad usage, a fleet file refused, no network, or the clock port held by another "
        "program past --lock-wait (named in the line)");
    check->callback([&run, args] { run = [args] { return RunCheckCommand(*args); }; });
}

}  // namespace horavane::cli
