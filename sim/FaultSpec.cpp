#include "sim/FaultSpec.h"

#include <array>
#include <charconv>

namespace horavane::sim {
namespace {

struct KindRule {
    std::string_view name;
    bool takesValue;
    long min;
    long max;
};

// Values are bounded so that a typo cannot make a clock wait for hours or overflow a byte.
constexpr std::array<KindRule, 8> kKinds{{
    {"silent", false, 0, 0},
    {"wrong-checksum", true, 1, 1000000},
    {"zero-checksum", false, 0, 0},
    {"short", true, 0, 95},
    {"duplicate", false, 0, 0},
    {"delay", true, 0, kMaxDelayMs},
    {"direction", true, 0, 255},
    {"ignore-writes", false, 0, 0},
}};

const KindRule* FindKind(std::string_view name) {
    for (const auto& rule : kKinds)
        if (rule.name == name) return &rule;
    return nullptr;
}

std::optional<FaultSpec> Fail(std::string* error, std::string_view text, const std::string& reason) {
    if (error != nullptr) *error = "--fault " + std::string(text) + ": " + reason;
    return std::nullopt;
}

}  // namespace

std::optional<FaultSpec> ParseFaultSpec(std::string_view text, std::string* error) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) return Fail(error, text, "expected ADDRESS:KIND[=VALUE]");
    FaultSpec fault;
    const auto address = Ipv4Address::Parse(text.substr(0, colon));
    if (!address)
        return Fail(error, text, "'" + std::string(text.substr(0, colon)) + "' is not an IPv4 address");
    fault.address = *address;

    std::string_view kind = text.substr(colon + 1);
    std::string_view value;
    const auto equals = kind.find('=');
    const bool hasValue = equals != std::string_view::npos;
    if (hasValue) {
        value = kind.substr(equals + 1);
        kind = kind.substr(0, equals);
    }
    const KindRule* rule = FindKind(kind);
    if (rule == nullptr)
        return Fail(
            error, text,
            "unknown fault '" + std::string(kind) +
                "' (silent, wrong-checksum=K, zero-checksum, short=L, duplicate, delay=MS, direction=D, "
                "ignore-writes)");
    fault.kind = std::string(kind);
    if (!rule->takesValue) {
        if (hasValue) return Fail(error, text, fault.kind + " takes no value");
        return fault;
    }
    const auto range = std::to_string(rule->min) + " to " + std::to_string(rule->max);
    if (!hasValue) return Fail(error, text, fault.kind + " needs a value from " + range);
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), fault.value);
    if (ec != std::errc{} || end != value.data() + value.size() || fault.value < rule->min ||
        fault.value > rule->max)
        return Fail(error, text, fault.kind + " needs a whole number from " + range);
    return fault;
}

void ApplyFault(const FaultSpec& fault, FaultSwitches& faults) {
    if (fault.kind == "silent") faults.silent = true;
    if (fault.kind == "wrong-checksum") faults.wrongChecksumReplies = static_cast<int>(fault.value);
    if (fault.kind == "zero-checksum") faults.zeroChecksum = true;
    if (fault.kind == "short") faults.shortReplyLength = static_cast<std::size_t>(fault.value);
    if (fault.kind == "duplicate") faults.duplicateReplies = true;
    if (fault.kind == "delay") faults.delay = std::chrono::milliseconds(fault.value);
    if (fault.kind == "direction") faults.direction = static_cast<std::uint8_t>(fault.value);
    if (fault.kind == "ignore-writes") faults.ignoreWrites = true;
}

}  // namespace horavane::sim
