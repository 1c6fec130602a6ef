#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/CheckVerdict.h"
#include "cli/Commands.h"
#include "cli/DesiredArgs.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/FleetCommand.h"
#include "cli/KnownClockArgs.h"
#include "cli/OutputText.h"
#include "fleet/FleetReadings.h"
#include "protocol/HostRanges.h"

namespace horavane::cli {
namespace {

struct CheckArgs {
    std::vector<std::string> targets;
    CheckThresholds thresholds;
    std::optional<double> timeout;
    KnownClockArgs fleet;
    DesiredArgs desired;
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

// Thrown out of the exchange when --timeout has run out, with how far it got.
struct CheckTimedOut {
    std::size_t asked = 0;
    std::size_t received = 0;
};

// The check's endpoint under --timeout: past the deadline nothing more is sent or waited for, and
// the exchange is left by CheckTimedOut, so that the whole run (the wait for the port, the sweep
// and the replies) ends within the timeout whatever the clocks and the network do.
class TimedPort final : public DatagramPort {
  public:
    TimedPort(std::unique_ptr<DatagramPort> port, std::chrono::nanoseconds left)
        : port_(std::move(port)), deadline_(port_->Now() + left) {}

    bool SendTo(Ipv4Address destination, std::uint16_t port, std::span<const std::uint8_t> bytes) override {
        CheckDeadline();
        ++done_.asked;
        return port_->SendTo(destination, port, bytes);
    }
    UdpSocket::Wait WaitReadable(std::chrono::milliseconds limit) override {
        CheckDeadline();
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - port_->Now());
        const UdpSocket::Wait wait = port_->WaitReadable(std::min(limit, left));
        if (wait != UdpSocket::Wait::Readable && limit > left) CheckDeadline();
        return wait;
    }
    std::optional<ReceivedDatagram> ReceiveInto(std::span<std::uint8_t> buffer) override {
        ++done_.received;
        return port_->ReceiveInto(buffer);
    }
    [[nodiscard]] Time Now() const override { return port_->Now(); }
    void SleepUntil(Time until) override {
        port_->SleepUntil(std::min(until, deadline_));
        CheckDeadline();
    }

  private:
    void CheckDeadline() const {
        if (port_->Now() >= deadline_) throw done_;
    }

    std::unique_ptr<DatagramPort> port_;
    Time deadline_;
    CheckTimedOut done_;
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

int RunCheckCommand(const CheckArgs& args) {
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    std::vector<Ipv4Address> named;
    std::vector<Ipv4Address> all;
    // Of a large fleet file only the rows of the targets and the groups are kept.
    KnownClockFilter keep;
    if (!args.targets.empty()) {
        if (!SplitTargets(args.targets, KnownClocks(), named, all, error))
            return ReportUnknown(Untrusted{error});
        keep = [&all, &groups = args.fleet.groups](const KnownClock& clock) {
            return std::binary_search(all.begin(), all.end(), clock.address) ||
                   std::find(groups.begin(), groups.end(), clock.group) != groups.end();
        };
    } else if (!args.fleet.groups.empty()) {
        keep = [&groups = args.fleet.groups](const KnownClock& clock) {
            return std::find(groups.begin(), groups.end(), clock.group) != groups.end();
        };
    }
    // Read before the fleet file, whose rows it must find among those kept.
    const auto desired = ReadDesired(args.desired, args.fleet, error);
    if (!desired) return ReportUnknown(Untrusted{error});
    auto command = OpenFleetCommand(args.exchange, args.fleet, error, AlsoKeeping(std::move(keep), *desired));
    if (!command) return ReportUnknown(Untrusted{error});
    if (const auto refusal = desired->RefusalAgainst(command->known))
        return ReportUnknown(Untrusted{*refusal});
    std::optional<ExchangeOptions> options = command->options;
    const KnownClocks* known = &command->known;
    named = *NamedTargets({}, args.fleet, *known, error);
    all.clear();
    if (args.targets.empty() && args.fleet.groups.empty())
        for (const KnownClock& clock : known->clocks()) named.push_back(clock.address);
    if (!SplitTargets(args.targets, *known, named, all, error)) return ReportUnknown(Untrusted{error});
    if (all.empty())
        return ReportUnknown("no clock to check: name clocks, blocks or --group, or give a fleet file");
    if (args.timeout) {
        if (!(*args.timeout > 0.0 && *args.timeout <= 86400.0))
            return ReportUnknown("--timeout: a number of seconds above 0 and at most 86400");
        ExchangeArgs fitted = args.exchange;
        FitLockWaitIntoTimeout(fitted, *options, all.size(), *args.timeout);
        options = MakeExchangeOptions(fitted, error);
        const auto limit = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::duration<double>(*args.timeout));
        options->openPort = [open = options->openPort, limit, start](const PortRequest& request) {
            auto port = open(request);
            const auto left = limit - (std::chrono::steady_clock::now() - start);
            return port ? std::unique_ptr<DatagramPort>(std::make_unique<TimedPort>(std::move(port), left))
                        : nullptr;
        };
    }
    std::optional<std::vector<ClockReading>> readings;
    try {
        readings = ReadClocks(all, *options, false);
    } catch (const ClockPortHeld& held) {
        return ReportUnknown(held.message);
    } catch (const CheckTimedOut& done) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", *args.timeout);
        return ReportUnknown(Message::Own(
            std::string("--timeout ") + seconds +
            " s ran out before the check finished: " + std::to_string(done.asked) + " requests sent to " +
            std::to_string(all.size()) + (all.size() == 1 ? " clock, " : " clocks, ") +
            std::to_string(done.received) + " datagrams received, the rest not waited for"));
    }
    if (!readings)
        return ReportUnknown("no network: no adapter, or the clock port " +
                             Message::Own(std::to_string(options->port)) + " cannot be opened");
    const CheckVerdict verdict =
        Judge(SortByState(*readings, named, *known, *desired), args.thresholds, *known);
    std::cout << verdict.line << "\n";
    return verdict.code;
}

}  // namespace

int ReportUnknown(const Message& reason) {
    std::cout << UnknownLine(reason) << "\n";
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
        ->add_option("--warn-unsynced", args->thresholds.warnUnsynced,
                     "this many unsynchronised clocks pass before the check warns")
        ->check(CLI::Range(0, 1000000))
        ->capture_default_str();
    check
        ->add_option(
            "--crit-silent", args->thresholds.critSilent,
            "this many silent clocks (or clocks failing the checksum) pass before the check is critical")
        ->check(CLI::Range(0, 1000000))
        ->capture_default_str();
    check->add_option("--timeout", args->timeout,
                      "seconds within which the check answers, whatever it is waiting for: the wait for a "
                      "clock port held by another program is cut short to leave the clocks their time, "
                      "and what is not done by then ends the check UNKNOWN");
    args->exchange.quietLockWait = true;
    check
        ->add_option("--warn-unknown", args->thresholds.warnUnknown,
                     "warn when more clocks than this answer that the fleet file does not name")
        ->check(CLI::Range(0, 1000000));
    check->add_flag("--drift-critical", args->thresholds.driftCritical,
                    "a clock that holds a setting otherwise than desired makes the check CRITICAL instead "
                    "of WARNING");
    AddKnownClockOptions(*check, args->fleet);
    AddDesiredOption(*check, args->desired);
    AddFleetOptions(*check, args->exchange);
    AddExchangeOptions(*check, args->exchange);
    check->footer(
        "Prints one line, \"CLOCKS CRITICAL - 3 clocks, 2 synchronised - silent: Gym (10.1.9.20) | "
        "clocks=3;;;0 ...\", with performance data after the |. The known clocks of the fleet file are "
        "named, "
        "and those inside a block must answer.\nExit codes of this command, as monitoring plugins have "
        "them:\n"
        "  0  OK\n"
        "  1  WARNING: more clocks unsynchronised than --warn-unsynced, more answering clocks the fleet "
        "file does not name than --warn-unknown, or a clock that holds a setting otherwise than the desired "
        "settings say (named with the settings, \"drifted: Gym (10.1.9.20) time-zone, dst\")\n"
        "  2  CRITICAL: more clocks silent or failing the checksum than --crit-silent, none answered, or a "
        "drifted clock with --drift-critical\n"
        "  3  UNKNOWN: bad usage, a fleet file or desired-settings file refused, no network, or the clock "
        "port held by another "
        "program past --lock-wait (named in the line)");
    check->callback([&run, args] { run = [args] { return RunCheckCommand(*args); }; });
}

}  // namespace horavane::cli
