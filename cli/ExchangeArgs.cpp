#include "cli/ExchangeArgs.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace horavane::cli {

void AddExchangeOptions(CLI::App& command, ExchangeArgs& args) {
    command.add_option("--port", args.port, "UDP port of the clocks and of this program")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    // Hidden: for tests only (see ExchangeArgs).
    command.add_option("--wait-ms", args.waitMs)->check(CLI::Range(1, 60000))->group("");
    command.add_option("--own-address", args.ownAddress)->group("");
}

std::optional<ExchangeOptions> MakeExchangeOptions(const ExchangeArgs& args, std::string& error) {
    ExchangeOptions options;
    options.port = static_cast<std::uint16_t>(args.port);
    options.wait = std::chrono::milliseconds(args.waitMs);
    if (!args.ownAddress.empty()) {
        const auto own = Ipv4Address::Parse(args.ownAddress);
        if (!own) {
            error = "--own-address: \"" + args.ownAddress + "\" is not a dotted IPv4 address";
            return std::nullopt;
        }
        options.adapters = [address = *own]() -> std::optional<std::vector<AdapterInfo>> {
            return std::vector<AdapterInfo>{AdapterInfo{"own", address, {0x02, 0, 0, 0, 0, 0x01}}};
        };
    }
    return options;
}

std::optional<Ipv4Address> ParseClockAddress(std::string_view text, std::string& error) {
    auto address = Ipv4Address::Parse(text);
    if (!address)
        error = "\"" + std::string(text) + "\" is not a clock address (four numbers 0 to 255 joined by dots)";
    return address;
}

std::optional<std::vector<Ipv4Address>> ParseClockAddresses(const std::vector<std::string>& texts,
                                                            std::string& error) {
    std::vector<Ipv4Address> addresses;
    for (const std::string& text : texts) {
        const auto address = ParseClockAddress(text, error);
        if (!address) return std::nullopt;
        addresses.push_back(*address);
    }
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return addresses;
}

}  // namespace horavane::cli
