#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
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
    std::vector<Ipv4Address> unsynchronised, silent, checksumErrors;
    int clocks = 0;
    int synchronised = 0;
    double slowestReply = 0;  // seconds
};

// Named clocks are expected to answer; the hosts of a block are clocks only when they do.
bool SplitTargets(const std::vector<std::string>& texts, std::vector<Ipv4Address>& named,
                  std::vector<Ipv4Address>& all, std::string& error) {
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
    // A clock named twice is one clock: counted once, and silent once.
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    all = HostsOf(std::move(blocks));
    all.insert(all.end(), named.begin(), named.end());
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return true;
}

Tally Count(const std::vector<ClockReading>& readings, const std::vector<Ipv4Address>& named) {
    Tally tally;
    std::vector<Ipv4Address> heard;
    for (const ClockReading& reading : readings) {
        heard.push_back(reading.outcome.address);
        ++tally.clocks;
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

std::string Named(const char* what, const std::vector<Ipv4Address>& clocks) {
    if (clocks.empty()) return "";
    std::string text = std::string("; ") + what + ": ";
    for (std::size_t i = 0; i < clocks.size() && i < kNamedInLine; ++i)
        text += (i == 0 ? "" : ", ") + clocks[i].ToString();
    if (clocks.size() > kNamedInLine)
        text += " and " + std::to_string(clocks.size() - kNamedInLine) + " more";
    return text;
}

int Report(int code, const std::string& summary, const Tally& tally) {
    static constexpr const char* kStates[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    char performance[160];
    std::snprintf(performance, sizeof performance,
                  "clocks=%d synchronised=%d silent=%zu checksum_errors=%zu response_time=%.6fs",
                  tally.clocks, tally.synchronised, tally.silent.size(), tally.checksumErrors.size(),
                  tally.slowestReply);
    std::cout << "CLOCKS " << kStates[code] << " - " << summary << " | " << performance << "\n";
    return code;
}

int RunCheckCommand(const CheckArgs& args) {
    std::string error;
    std::vector<Ipv4Address> named;
    std::vector<Ipv4Address> all;
    auto options = MakeExchangeOptions(args.exchange, error);
    if (!options || !SplitTargets(args.targets, named, all, error)) return ReportUnknown(error);
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
    const Tally tally = Count(*readings, named);
    const std::size_t failing = tally.silent.size() + tally.checksumErrors.size();
    std::string summary = std::to_string(tally.clocks) + " clocks, " + std::to_string(tally.synchronised) +
                          " synchronised" + Named("silent", tally.silent) +
                          Named("checksum errors", tally.checksumErrors) +
                          Named("unsynchronised", tally.unsynchronised);
    if (tally.clocks == 0) return Report(kCheckCritical, "no clock answered", tally);
    if (failing > static_cast<std::size_t>(args.critSilent)) return Report(kCheckCritical, summary, tally);
    if (tally.unsynchronised.size() > static_cast<std::size_t>(args.warnUnsynced))
        return Report(kCheckWarning, summary, tally);
    return Report(kCheckOk, summary, tally);
}

}  // namespace

int ReportUnknown(const std::string& reason) {
    std::cout << "CLOCKS UNKNOWN - " << reason << "\n";
    return kCheckUnknown;
}

void AddCheckCommand(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<CheckArgs>();
    CLI::App* check = app.add_subcommand(
        "check", "Check clocks for a monitoring system (Nagios, Icinga): one status line, exit 0 to 3");
    check
        ->add_option("TARGET", args->targets,
                     "clock addresses, which must answer, and blocks (A.B.C.D/16 to /30, A.B.C.D-E.F.G.H), "
                     "whose answering hosts are the clocks")
        ->required();
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
    AddFleetOptions(*check, args->exchange);
    AddExchangeOptions(*check, args->exchange);
    check->footer(
        "Prints one line, \"CLOCKS OK - 253 clocks, 253 synchronised | clocks=253 ...\", with performance "
        "data "
        "after the |.\nExit codes of this command, as monitoring plugins have them:\n"
        "  0  OK\n"
        "  1  WARNING: more clocks unsynchronised than --warn-unsynced\n"
        "  2  CRITICAL: more clocks silent or failing the checksum than --crit-silent, or none answered\n"
        "  3  UNKNOWN: bad usage, no network, or the clock port held by another program past --lock-wait "
        "(named in the line)");
    check->callback([&run, args] { run = [args] { return RunCheckCommand(*args); }; });
}

}  // namespace horavane::cli
