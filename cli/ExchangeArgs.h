#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/Exchange.h"

namespace CLI {
class App;
}

namespace horavane::cli {

// The network options every command that talks to clocks takes. The product runs with the
// defaults (clock port 6869, one-second waits, the system's adapters); the hidden options exist so
// that tests can run against a simulator on a free port without depending on this machine:
//   --wait-ms N        length of one wait in milliseconds instead of 1000
//   --own-address A    the workstation has exactly one adapter with address A (MAC 02-00-00-00-00-01)
struct ExchangeArgs {
    int port = ClockPort;
    int waitMs = 1000;
    std::string ownAddress;
    // The commands that talk to many clocks at once also take these (AddFleetOptions).
    std::optional<double> waitSeconds;  // --wait: each clock's wait, and the silence ending a sweep
    std::optional<double> rate;         // --rate: requests per second
    double lockWaitSeconds = 30;        // --lock-wait: for the clock port while another program holds it
    bool quietLockWait = false;         // no note on stderr while waiting (check: one line, stdout only)
};

// Thrown out of an exchange whose wait for the clock port ran out, before anything was sent; main
// turns it into exit 9, check into UNKNOWN. `message` names the port and what holds it.
struct ClockPortHeld {
    std::string message;
};

void AddExchangeOptions(CLI::App& command, ExchangeArgs& args);
// --wait SECONDS and --rate N, for the fleet commands.
void AddFleetOptions(CLI::App& command, ExchangeArgs& args);

// nullopt with `error` set when --own-address is not a dotted address, or --wait, --rate or
// --lock-wait is not a number in its range. An exchange that cannot have the clock port within
// --lock-wait throws ClockPortHeld.
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
