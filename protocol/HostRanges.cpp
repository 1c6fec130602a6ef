#include "protocol/HostRanges.h"

#include <algorithm>
#include <charconv>

namespace horavane {
namespace {

constexpr int kWidestPrefix = 16;
constexpr int kNarrowestPrefix = 30;
constexpr std::uint32_t kMulticastStart = 0xE0000000;  // 224.0.0.0
constexpr std::uint32_t kThisNetworkEnd = 0x00FFFFFF;  // 0.255.255.255

std::optional<std::uint32_t> ParseAddress(std::string_view text, std::string_view whole, std::string& error) {
    const auto address = Ipv4Address::Parse(text);
    if (!address)
        error = "\"" + std::string(whole) + "\": \"" + std::string(text) +
                "\" is not an address (four numbers 0 to 255 joined by dots)";
    return address ? std::optional(address->ToUint32()) : std::nullopt;
}

std::optional<AddressBlock> ParseCidr(std::string_view text, std::size_t slash, std::string& error) {
    const auto start = ParseAddress(text.substr(0, slash), text, error);
    if (!start) return std::nullopt;
    const std::string_view digits = text.substr(slash + 1);
    int prefix = -1;
    const auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), prefix);
    if (digits.empty() || failure != std::errc{} || end != digits.data() + digits.size()) {
        error = "\"" + std::string(text) + "\": the prefix after / must be a number from 16 to 30";
        return std::nullopt;
    }
    if (prefix < kWidestPrefix) {
        error = "\"" + std::string(text) +
                "\" is larger than a /16 (65,536 addresses): name the site's /16 blocks one by one";
        return std::nullopt;
    }
    if (prefix > kNarrowestPrefix) {
        error = "\"" + std::string(text) +
                "\": blocks from /16 to /30 only, a single clock is named by its address";
        return std::nullopt;
    }
    const std::uint32_t size = std::uint32_t{1} << (32 - prefix);
    if ((*start & (size - 1)) != 0) {
        error = "\"" + std::string(text) + "\" does not start a /" + std::to_string(prefix) + " block (" +
                Ipv4Address::FromUint32(*start & ~(size - 1)).ToString() + "/" + std::to_string(prefix) +
                " does)";
        return std::nullopt;
    }
    return AddressBlock{*start, *start + (size - 1)};
}

std::optional<AddressBlock> ParseRange(std::string_view text, std::size_t dash, std::string& error) {
    const auto first = ParseAddress(text.substr(0, dash), text, error);
    const auto last = first ? ParseAddress(text.substr(dash + 1), text, error) : std::nullopt;
    if (!last) return std::nullopt;
    if (*first > *last) {
        error = "\"" + std::string(text) + "\": the first address is above the last";
        return std::nullopt;
    }
    if (*last - *first >= kLargestBlock) {
        error = "\"" + std::string(text) + "\" holds " + std::to_string(std::uint64_t{*last} - *first + 1) +
                " addresses, more than a /16 (65,536): name the site's /16 blocks one by one";
        return std::nullopt;
    }
    return AddressBlock{*first, *last};
}

constexpr const char* kNoClocksThere =
    "0.x.x.x or 224.0.0.0 and above (multicast, reserved, broadcast), where no clock is ever asked";

bool OutsideClocks(const AddressBlock& block) {
    return block.first <= kThisNetworkEnd || block.last >= kMulticastStart;
}

}  // namespace

bool IsBlockText(std::string_view text) {
    return text.find_first_of("/-") != std::string_view::npos;
}

std::optional<AddressBlock> ParseAddressBlock(std::string_view text, std::string& error) {
    const std::size_t slash = text.find('/');
    const std::size_t dash = text.find('-');
    std::optional<AddressBlock> block;
    if (slash != std::string_view::npos && dash == std::string_view::npos)
        block = ParseCidr(text, slash, error);
    else if (dash != std::string_view::npos && slash == std::string_view::npos)
        block = ParseRange(text, dash, error);
    else
        error = "\"" + std::string(text) + "\" is neither a block A.B.C.D/N nor a range A.B.C.D-E.F.G.H";
    if (block && OutsideClocks(*block)) {
        error = "\"" + std::string(text) + "\" reaches " + kNoClocksThere;
        return std::nullopt;
    }
    return block;
}

std::optional<AddressBlock> SweptSubnet(Ipv4Address address, std::string_view text, std::string& error) {
    const AddressBlock block = SubnetBlock(address);
    if (OutsideClocks(block)) {
        error = "\"" + std::string(text) + "\" names a /24 in " + kNoClocksThere;
        return std::nullopt;
    }
    return block;
}

std::optional<std::string> RefusedClockAddress(Ipv4Address address) {
    const std::uint32_t value = address.ToUint32();
    if (OutsideClocks({value, value})) return "\"" + address.ToString() + "\" lies in " + kNoClocksThere;
    const auto low = static_cast<std::uint8_t>(value & 0xFF);
    if (low == 0 || low == 0xFF)
        return "\"" + address.ToString() + "\" is the " + (low == 0 ? "first" : "last") +
               " address of its /24 (the subnet's own or its broadcast address), never a clock's";
    return std::nullopt;
}

AddressBlock SubnetBlock(Ipv4Address address) {
    const std::uint32_t base = address.ToUint32() & 0xFFFFFF00;
    return {base, base | 0xFF};
}

std::vector<Ipv4Address> HostsOf(std::vector<AddressBlock> blocks) {
    std::sort(blocks.begin(), blocks.end(),
              [](const AddressBlock& a, const AddressBlock& b) { return a.first < b.first; });
    std::vector<Ipv4Address> hosts;
    std::uint64_t next = 0;  // the lowest address not yet taken; 64 bits so that it may pass 2^32 - 1
    for (const AddressBlock& block : blocks) {
        for (std::uint64_t a = std::max<std::uint64_t>(next, block.first); a <= block.last; ++a) {
            const auto low = static_cast<std::uint8_t>(a & 0xFF);
            if (low != 0 && low != 0xFF)
                hosts.push_back(Ipv4Address::FromUint32(static_cast<std::uint32_t>(a)));
        }
        next = std::max<std::uint64_t>(next, std::uint64_t{block.last} + 1);
    }
    return hosts;
}

}  // namespace horavane
