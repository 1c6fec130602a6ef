#include "settings/SettingsChecks.h"

#include <cstddef>
#include <cstdint>
#include <utility>

#include "settings/Messages.h"
#include "settings/SettingCodes.h"

namespace horavane {
namespace {

constexpr int kLowestFirstPart = 1;
constexpr int kHighestFirstPart = 223;  // above this lie the multicast and reserved classes
constexpr int kLoopbackFirstPart = 127;
constexpr std::uint32_t kAllOnes = 0xFFFFFFFF;

Refusal Refuse(std::string_view message, std::optional<std::string_view> title = std::nullopt,
               ResetList reset = ResetList::None) {
    return Refusal{std::string(message), title ? std::optional<std::string>(*title) : std::nullopt, reset,
                   AddressField::None};
}

std::string FirstPartRangeMessage(int firstPart) {
    const std::string_view text = msg::kFirstPartRange;
    const auto at = text.find("%d");
    if (at == std::string_view::npos) return std::string(text);
    return std::string(text.substr(0, at)) + std::to_string(firstPart) + std::string(text.substr(at + 2));
}

// A host address needs a first part a host can have; every field, the mask included, must be
// either blank or filled in all four parts.
std::optional<Refusal> CheckAddressField(const IpFieldValue& value, bool isMask) {
    if (!isMask) {
        const int firstPart = value.parts[0].value_or(0);
        if (firstPart < kLowestFirstPart || firstPart > kHighestFirstPart)
            return Refuse(FirstPartRangeMessage(firstPart), msg::kErrorTitle);
        if (firstPart == kLoopbackFirstPart) return Refuse(msg::kLoopback);
    }
    const int filled = value.FilledParts();
    if (filled > 0 && filled < 4) return Refuse(msg::kIncompleteAddress);
    return std::nullopt;
}

// The host part of the clock's address may be neither all zeros nor all ones. The mask is not
// tested for contiguous bits, nor the gateway against the subnet.
std::optional<Refusal> CheckAddressAgainstMask(const SettingsForm& form) {
    const std::uint32_t ip = form.ipAddress.Address().ToUint32();
    const std::uint32_t mask = form.subnetMask.Address().ToUint32();
    if ((ip | mask) == kAllOnes || (ip & ~mask) == 0) return Refuse(msg::kSubnetMask);
    return std::nullopt;
}

}  // namespace

std::optional<Refusal> ValidateAddresses(const SettingsForm& form) {
    const auto in = [](AddressField field, std::optional<Refusal> refusal) {
        if (refusal) refusal->field = field;
        return refusal;
    };
    // Blank time servers are skipped, but one of the five must be given.
    bool anyTimeServer = false;
    for (std::size_t slot = 0; slot < form.timeServers.size(); ++slot) {
        const IpFieldValue& server = form.timeServers[slot];
        if (server.IsBlank()) continue;
        anyTimeServer = true;
        const auto field =
            static_cast<AddressField>(static_cast<int>(AddressField::TimeServer1) + static_cast<int>(slot));
        if (auto refusal = CheckAddressField(server, false)) return in(field, refusal);
    }
    if (!anyTimeServer) return in(AddressField::TimeServer1, Refuse(msg::kNoTimeServer));
    const std::pair<const IpFieldValue*, AddressField> fields[] = {
        {&form.ipAddress, AddressField::IpAddress},
        {&form.subnetMask, AddressField::SubnetMask},
        {&form.gateway, AddressField::Gateway},
        {&form.dnsServer, AddressField::DnsServer}};
    for (const auto& [value, field] : fields)
        if (auto refusal = CheckAddressField(*value, field == AddressField::SubnetMask))
            return in(field, refusal);
    return in(AddressField::SubnetMask, CheckAddressAgainstMask(form));
}

std::optional<Refusal> CheckDaylightSavingRule(const SettingsForm& form) {
    if (!form.daylightSaving || (form.dstStart.Complete() && form.dstEnd.Complete())) return std::nullopt;
    return Refuse(msg::kDstIncomplete);
}

std::optional<Refusal> CheckEnergySavingRule(const SettingsForm& form) {
    if (form.energyFrom != form.energyTo || form.energyFrom == "0") return std::nullopt;
    // The operator starts over from the first hour, so a second press is not refused again.
    return Refuse(msg::kEnergySavingSame, std::nullopt, ResetList::EnergyFrom);
}

std::optional<Refusal> CheckBrightnessRule(const SettingsForm& form) {
    if (BrightnessCode(form.brightness)) return std::nullopt;
    return Refuse(msg::kBrightnessError, std::nullopt, ResetList::Brightness);
}

std::optional<Refusal> FirstRefusal(const SettingsForm& form) {
    if (auto refusal = ValidateAddresses(form)) return refusal;
    if (auto refusal = CheckDaylightSavingRule(form)) return refusal;
    if (auto refusal = CheckEnergySavingRule(form)) return refusal;
    return CheckBrightnessRule(form);
}

std::string RefusalText(const Refusal& refusal) {
    return (refusal.title ? *refusal.title + ": " : std::string()) + refusal.message;
}

}  // namespace horavane
