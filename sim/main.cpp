// horavane-sim: network wall clocks simulated on loopback addresses of this machine, for demos and
// for the tests of the window program and horavanectl.

#ifndef _WIN32
#include <pthread.h>
#endif

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileReplacement.h"
#include "platform/VisibleText.h"
#include "sim/ClockSimulator.h"
#include "sim/FaultSpec.h"
#include "sim/StateFile.h"

namespace {

using horavane::Ipv4Address;
using horavane::sim::ClockSimulator;
using horavane::sim::FaultSwitches;
using horavane::sim::SimulatorOptions;

constexpr int kExitUsage = 1;
constexpr int kExitCannotStart = 2;
// The deadline is kept in 64-bit nanoseconds (about 292 years); a longer span would wrap round and
// end the clocks at once. About 31 years is plenty for a test or a demo.
constexpr double kLongestExitAfter = 1e9;

struct CommandLine {
    int clocks = 5;
    std::string firstAddress = "127.0.0.2";
    int port = horavane::ClockPort;
    std::string stateFile;
    bool verbose = false;
    std::vector<std::string> faults;
    double exitAfter = 0;  // 0: until a signal
};

// Every message of the simulator on stderr: they quote the command line, the state file and the
// holder named in the port's lock file, none of which the simulator wrote.
void PrintError(const std::string& message) {
    std::fprintf(stderr, "horavane-sim: %s\n", horavane::VisibleText(message).c_str());
}

int Usage(const std::string& message) {
    PrintError(message);
    return kExitUsage;
}

// The clocks must stay on loopback: they answer whoever asks, and must never appear on a real LAN.
std::optional<Ipv4Address> FirstAddress(const CommandLine& line, std::string* error) {
    const auto first = Ipv4Address::Parse(line.firstAddress);
    if (!first) {
        *error = "--first-address " + line.firstAddress + ": not an IPv4 address";
        return std::nullopt;
    }
    if (first->octets[3] == 0 || first->octets[3] == 255) {
        *error =
            "--first-address " + line.firstAddress + ": the first clock must be host 1 to 254 of its /24";
        return std::nullopt;
    }
    const Ipv4Address last = horavane::sim::SimulatedClockAddress(*first, line.clocks - 1);
    if (first->octets[0] != 127 || last.octets[0] != 127) {
        *error = "--first-address " + line.firstAddress + ": the " + std::to_string(line.clocks) +
                 (line.clocks == 1 ? " clock must lie" : " clocks must lie") +
                 " within the loopback range 127.0.0.1 to 127.255.255.254";
        return std::nullopt;
    }
    return first;
}

// Collects every --fault per clock; several faults for one clock add up.
std::optional<std::map<int, FaultSwitches>> Faults(const CommandLine& line, const ClockSimulator& simulator,
                                                   std::string* error) {
    std::map<int, FaultSwitches> faults;
    for (const auto& text : line.faults) {
        const auto fault = horavane::sim::ParseFaultSpec(text, error);
        if (!fault) return std::nullopt;
        int clock = -1;
        for (int i = 0; i < simulator.clockCount(); ++i)
            if (simulator.address(i) == fault->address) clock = i;
        if (clock < 0) {
            *error =
                "--fault " + text + ": " + fault->address.ToString() + " is not one of the simulated clocks";
            return std::nullopt;
        }
        horavane::sim::ApplyFault(*fault, faults[clock]);
    }
    return faults;
}

#ifndef _WIN32
// Blocks until SIGINT or SIGTERM, or until `seconds` have passed when it is above 0. The signals are
// blocked in every thread and taken here synchronously, so no handler runs at an awkward moment.
class EndSignals {
  public:
    // Call before any thread starts, so that every thread inherits the blocked mask.
    EndSignals() {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    }

    void Wait(double seconds) const {
        if (seconds <= 0) {
            int signal = 0;
            while (sigwait(&signals_, &signal) != 0) {
            }
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return;
            timespec limit{};
            limit.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
            limit.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
            if (sigtimedwait(&signals_, nullptr, &limit) > 0) return;  // else timed out or interrupted
        }
    }

  private:
    sigset_t signals_{};
};
#else
// Windows has no signal sets to wait on; Ctrl+C sets a flag that a slow poll picks up.
std::atomic<bool> g_endRequested{false};

class EndSignals {
  public:
    EndSignals() {
        std::signal(SIGINT, [](int) { g_endRequested = true; });
        std::signal(SIGTERM, [](int) { g_endRequested = true; });
    }

    void Wait(double seconds) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!g_endRequested && (seconds <= 0 || std::chrono::steady_clock::now() < deadline))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
};
#endif

void AddOptions(CLI::App& app, CommandLine& line) {
    app.add_option("--clocks", line.clocks, "Number of simulated clocks")
        ->check(CLI::Range(1, horavane::sim::kMaxSimulatedClocks))
        ->capture_default_str();
    app.add_option("--first-address", line.firstAddress,
                   "Loopback address of the first clock; the others follow up to host .254 of each /24, "
                   "then from the same host number in the next /24")
        ->capture_default_str();
    app.add_option("--port", line.port, "UDP port of every clock (0: pick a free one)")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    app.add_option("--state-file", line.stateFile, "JSON file that keeps written settings across runs");
    app.add_flag("-v,--verbose", line.verbose, "Log each datagram in and out in hex to stderr");
    app.add_option(
           "--fault", line.faults,
           "ADDRESS:KIND[=VALUE], repeatable. KIND: silent, wrong-checksum=K, zero-checksum, short=L, "
           "duplicate, delay=MS, direction=D, ignore-writes")
        ->allow_extra_args(false);
    app.add_option("--exit-after", line.exitAfter,
                   "Stop after this many seconds (default: run until a signal)")
        ->check(CLI::PositiveNumber);
    app.set_version_flag("--version", std::string("horavane-sim ") + HORAVANE_VERSION);
    app.footer(
        "Exit status: 0 after a signal or --exit-after, 1 for a bad command line or state file, 2 when "
        "the clocks cannot start (address or port taken, or the state file held by another "
        "simulator: FILE.lock beside it).\n");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Simulated network wall clocks on loopback addresses.", "horavane-sim"};
    CommandLine line;
    AddOptions(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() != 0) return Usage(e.what());
        return app.exit(e) == 0 ? 0 : kExitUsage;
    }

    // NaN passes CLI11's number checks, and would end the clocks at once as well.
    if (!(line.exitAfter >= 0 && line.exitAfter <= kLongestExitAfter))
        return Usage("--exit-after: a number of seconds above 0 and at most 1000000000");

    std::string error;
    const auto first = FirstAddress(line, &error);
    if (!first) return Usage(error);
    SimulatorOptions options;
    options.clocks = line.clocks;
    options.firstAddress = *first;
    options.port = static_cast<std::uint16_t>(line.port);
    if (!line.stateFile.empty()) options.stateFile = line.stateFile;
    if (line.verbose)
        options.log = [](const std::string& text) {
            std::fprintf(stderr, "%s\n", horavane::VisibleText(text).c_str());
        };
    ClockSimulator simulator(options);
    const auto faults = Faults(line, simulator, &error);
    if (!faults) return Usage(error);
    for (const auto& [clock, switches] : *faults) simulator.SetFaults(clock, switches);

    // Two simulators saving one state file would each write back only their own clocks' last
    // settings over the other's: the second is refused, as a second one on a taken port is.
    std::optional<horavane::FileLock> stateLock;
    if (options.stateFile && !(stateLock = horavane::FileLock::Take(*options.stateFile, error))) {
        std::fprintf(stderr, "horavane-sim: state file %s cannot be taken: %s\n", options.stateFile->c_str(),
                     error.c_str());
        return kExitCannotStart;
    }
    // An unusable state file is a mistake in what the program was given, like a bad option: exit 1,
    // before anything is bound, and the file is left as it is.
    if (options.stateFile) {
        std::vector<Ipv4Address> addresses;
        for (int i = 0; i < simulator.clockCount(); ++i) addresses.push_back(simulator.address(i));
        std::vector<horavane::ClockDatagram> states(addresses.size());
        if (!horavane::sim::StateFile(*options.stateFile).Load(addresses, states, &error))
            return Usage(error);
    }

    const EndSignals endSignals;  // before the service thread starts

    if (!simulator.Start(&error)) {
        PrintError(error);
        return kExitCannotStart;
    }
    std::printf("horavane-sim: %d %s on %s-%s port %u\n", simulator.clockCount(),
                simulator.clockCount() == 1 ? "clock" : "clocks", simulator.address(0).ToString().c_str(),
                simulator.address(simulator.clockCount() - 1).ToString().c_str(), unsigned{simulator.port()});
    std::fflush(stdout);

    endSignals.Wait(line.exitAfter);
    simulator.Stop();
    return 0;
}
