#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/OutputText.h"
#include "protocol/Exchange.h"

namespace CLI {
class App;
}

namespace horavane::cli {

// The network options every command that talks to clocks takes: --port, --wait SECONDS (one
// wait; default one second) and --own-address A (the workstation has exactly one adapter, with
// address A and MAC 02-00-00-00-00-01, instead of the system's adapters).
struct ExchangeArgs {
    int port = ClockPort;
    std::optional<double> waitSeconds;  // --wait: each clock's wait, and the silence ending a sweep
    std::string ownAddress;
    // The commands that talk to many clocks at once also take --rate (AddFleetOptions).
    std::optional<double> rate;   // requests per second
    double lockWaitSeconds = 30;  // --lock-wait: for the clock port while another program holds it
    bool quietLockWait = false;   // no note on stderr while waiting (check: one line, stdout only)
};

// Thrown out of an exchange whose wait for the clock port ran out, or whose lock of the port cannot
// be had safely, before anything was sent; the command ends with exit 9, check with UNKNOWN.
// `message` names the port and what holds it, or what is wrong with its lock and where.
struct ClockPortHeld {
    Message message;
};

// Thrown by the port opener of MakeExchangeOptions when the clock port cannot be bound: every
// command then ends with exit 3 (check: UNKNOWN) and "the clock port P cannot be opened: reason",
// instead of sending from another port and taking the clocks for silent.
class ClockPortUnavailable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

void AddExchangeOptions(CLI::App& command, ExchangeArgs& args);

// The network every command's exchanges use from now on in this process: the system's (the clock
// port bound, or exit 3) until a test that runs the commands in-process puts a scripted one in its
// place; `adapters` stands for the system's adapters (--own-address still wins). The shipped
// program never calls it.
void UseNetwork(PortOpener openPort, AdapterLister adapters);
// --rate N, for the fleet commands.
void AddFleetOptions(CLI::App& command, ExchangeArgs& args);

// nullopt with `error` set when --own-address is not a dotted address, or --wait, --rate or
// --lock-wait is not a number in its range. An exchange that cannot have the clock port within
// --lock-wait throws ClockPortHeld; one that cannot bind it, ClockPortUnavailable.
[[nodiscard]] std::optional<ExchangeOptions> MakeExchangeOptions(const ExchangeArgs& args,
                                                                 std::string& error);

// A clock's address as a command takes it: a strict dotted quad.
[[nodiscard]] std::optional<Ipv4Address> ParseClockAddress(std::string_view text, std::string& error);

// Several clock addresses, in ascending order with repeats dropped, so that each clock is asked
// once; nullopt with `error` set at the first one that is not a dotted address.
[[nodiscard]] std::optional<std::vector<Ipv4Address>> ParseClockAddresses(
    const std::vector<std::string>& texts, std::string& error);

// What the arguments of a sweep name: blocks (A.B.C.D/N, A.B.C.D-E.F.G.H) and, for a plain
// address, the /24 it lies in as the window's search field takes it (up to four numbers, a blank
// one counts as 0); each host once, in ascending order. nullopt with `error` at the first bad
// argument.
[[nodiscard]] std::optional<std::vector<Ipv4Address>> ParseSweepHosts(const std::vector<std::string>& texts,
                                                                      std::string& error);

}  // namespace horavane::cli
