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
};

void AddExchangeOptions(CLI::App& command, ExchangeArgs& args);

// nullopt with `error` set when --own-address is not a dotted address.
[[nodiscard]] std::optional<ExchangeOptions> MakeExchangeOptions(const ExchangeArgs& args,
                                                                 std::string& error);

// A clock's address as a command takes it: a strict dotted quad.
[[nodiscard]] std::optional<Ipv4Address> ParseClockAddress(std::string_view text, std::string& error);

// Several clock addresses, in ascending order with repeats dropped, so that each clock is asked
// once; nullopt with `error` set at the first one that is not a dotted address.
[[nodiscard]] std::optional<std::vector<Ipv4Address>> ParseClockAddresses(
    const std::vector<std::string>& texts, std::string& error);

}  // namespace horavane::cli
