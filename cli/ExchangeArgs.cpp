#include "cli/ExchangeArgs.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "protocol/HostRanges.h"
#include "settings/IpFieldValue.h"
#include "settings/Messages.h"

namespace horavane::cli {
namespace {

constexpr double kShortestWait = 0.001;
constexpr double kLongestWait = 60.0;
constexpr double kHighestRate = 100000.0;
constexpr double kLongestLockWait = 86400.0;

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

PortWait LockWait(const ExchangeArgs& args) {
    PortWait wait;
    wait.limit = std::chrono::milliseconds(std::llround(args.lockWaitSeconds * 1000.0));
    const std::string port = std::to_string(args.port);
    if (!args.quietLockWait)
        wait.onWaiting = [port](const PortHolder& holder) {
            PrintError("waiting for the clock port " + Message::Own(port) + ": held by " +
                       Untrusted{holder.Describe()});
        };
    wait.onGaveUp = [port, waited = Seconds(args.lockWaitSeconds)](const PortHolder& holder) {
        throw ClockPortHeld{"the clock port " + Message::Own(port) + " is held by " +
                            Untrusted{holder.Describe()} + " (waited " + Message::Own(waited) +
                            " s, --lock-wait), nothing was sent"};
    };
    wait.onRefused = [port](const std::string& problem) {
        throw ClockPortHeld{"the clock port " + Message::Own(port) +
                            " cannot be guarded: " + Untrusted{problem} + ", nothing was sent"};
    };
    return wait;
}

struct Network {
    PortOpener openPort;
    AdapterLister adapters;
};

Network& ChosenNetwork() {
    static Network network;
    return network;
}

}  // namespace

void UseNetwork(PortOpener openPort, AdapterLister adapters) {
    ChosenNetwork() = Network{std::move(openPort), std::move(adapters)};
}

void AddExchangeOptions(CLI::App& command, ExchangeArgs& args) {
    command.add_option("--port", args.port, "UDP port of the clocks and of this program")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    command.add_option("--wait", args.waitSeconds,
                       "seconds each clock has to answer before it counts as silent, and the silence that "
                       "ends a sweep (default 1; LANs answer within milliseconds)");
    command.add_option("--own-address", args.ownAddress,
                       "this workstation's address to put into requests, for a machine with several "
                       "network adapters (default: the system's adapters)");
    command
        .add_option("--lock-wait", args.lockWaitSeconds,
                    "seconds to wait for the clock port while another program on this workstation "
                    "uses it; then exit 9, nothing sent")
        ->capture_default_str();
}

void AddFleetOptions(CLI::App& command, ExchangeArgs& args) {
    command.add_option("--rate", args.rate,
                       "at most this many requests per second, after the first 254 at once, so that a "
                       "sweep never floods a site (default " +
                           std::to_string(static_cast<int>(RequestRate{}.perSecond)) + ")");
}

std::optional<ExchangeOptions> MakeExchangeOptions(const ExchangeArgs& args, std::string& error) {
    ExchangeOptions options;
    options.port = static_cast<std::uint16_t>(args.port);
    options.openPort = [](const PortRequest& request) {
        std::string reason;
        auto port = OpenBoundUdpPort(request, reason);
        if (!port)
            throw ClockPortUnavailable("the clock port " + std::to_string(request.localPort) +
                                       " cannot be opened: " + reason);
        return port;
    };
    if (const Network& chosen = ChosenNetwork(); chosen.openPort) {
        options.openPort = chosen.openPort;
        options.adapters = chosen.adapters;
    }
    // NaN passes every range check CLI11 has, so the ranges are checked here.
    if (args.waitSeconds) {
        if (!(*args.waitSeconds >= kShortestWait && *args.waitSeconds <= kLongestWait)) {
            error = "--wait: a number of seconds from 0.001 to 60";
            return std::nullopt;
        }
        options.wait = std::chrono::milliseconds(std::lround(*args.waitSeconds * 1000.0));
    }
    if (args.rate) {
        if (!(*args.rate >= 1.0 && *args.rate <= kHighestRate)) {
            error = "--rate: a number of requests per second from 1 to 100000";
            return std::nullopt;
        }
        options.rate.perSecond = *args.rate;
    }
    if (!(args.lockWaitSeconds >= 0.0 && args.lockWaitSeconds <= kLongestLockWait)) {
        error = "--lock-wait: a number of seconds from 0 to 86400";
        return std::nullopt;
    }
    options.lockWait = LockWait(args);
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
    if (!address) {
        error = "\"" + std::string(text) + "\" is not a clock address (four numbers 0 to 255 joined by dots)";
        return std::nullopt;
    }
    if (auto refusal = RefusedClockAddress(*address)) {
        error = std::move(*refusal);
        return std::nullopt;
    }
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

std::optional<std::vector<Ipv4Address>> ParseSweepHosts(const std::vector<std::string>& texts,
                                                        std::string& error) {
    std::vector<AddressBlock> blocks;
    for (const std::string& text : texts) {
        if (IsBlockText(text)) {
            const auto block = ParseAddressBlock(text, error);
            if (!block) return std::nullopt;
            blocks.push_back(*block);
            continue;
        }
        const auto field = IpFieldValue::Parse(text);
        if (!field) {
            error = "\"" + text +
                    "\" is neither a block (A.B.C.D/16 to /30, A.B.C.D-E.F.G.H) nor a search address (up to "
                    "four numbers 0 to 255 joined by dots)";
            return std::nullopt;
        }
        if (field->IsBlank()) {
            error = std::string(msg::kSearchIpError);
            return std::nullopt;
        }
        const auto subnet = SweptSubnet(field->Address(), text, error);
        if (!subnet) return std::nullopt;
        blocks.push_back(*subnet);
    }
    return HostsOf(std::move(blocks));
}

}  // namespace horavane::cli
