#include "settings/SettingsChecks.h"

#include <array>
#include <cstdint>
#include <string>

#include "settings/ControlIds.h"
#include "settings/Messages.h"

namespace horavane {
namespace {

// Checking order of the nine address fields.
constexpr std::array<int, 9> kAddressFields = {
    ctl::TimeServer1, ctl::TimeServer1 + 1, ctl::TimeServer1 + 2, ctl::TimeServer1 + 3, ctl::TimeServer5,
    ctl::IpAddress,   ctl::SubnetMask,      ctl::Gateway,         ctl::DnsServer};
constexpr std::array<int, 4> kClockAddressFields = {ctl::IpAddress, ctl::SubnetMask, ctl::Gateway,
                                                    ctl::DnsServer};
constexpr std::array<int, 8> kRuleLists = {ctl::DstStartMonth, ctl::DstStartWeek, ctl::DstStartDay,
                                           ctl::DstStartHour,  ctl::DstEndMonth,  ctl::DstEndWeek,
                                           ctl::DstEndDay,     ctl::DstEndHour};

constexpr int kLowestFirstPart = 1;
constexpr int kHighestFirstPart = 223;  // above this lie the multicast and reserved classes
constexpr int kLoopbackFirstPart = 127;
constexpr std::uint32_t kAllOnes = 0xFFFFFFFF;

bool IsTimeServer(int id) {
    return id >= ctl::TimeServer1 && id <= ctl::TimeServer5;
}

bool AllTimeServersBlank(const DialogControls& controls) {
    for (int id = ctl::TimeServer1; id <= ctl::TimeServer5; ++id)
        if (!controls.GetIp(id).IsBlank()) return false;
    return true;
}

std::string FirstPartRangeMessage(int firstPart) {
    const std::string_view text = msg::kFirstPartRange;
    const auto at = text.find("%d");
    if (at == std::string_view::npos) return std::string(text);
    return std::string(text.substr(0, at)) + std::to_string(firstPart) + std::string(text.substr(at + 2));
}

// Rules 1b and 1c for one field; false after showing the field's message.
bool CheckAddressField(DialogControls& controls, int id) {
    const IpFieldValue value = controls.GetIp(id);
    if (id != ctl::SubnetMask) {
        const int firstPart = value.parts[0].value_or(0);
        if (firstPart < kLowestFirstPart || firstPart > kHighestFirstPart) {
            controls.ShowDialogMessage(FirstPartRangeMessage(firstPart), msg::kErrorTitle);
            return false;
        }
        if (firstPart == kLoopbackFirstPart) {
            controls.ShowDialogMessage(msg::kLoopback);
            return false;
        }
    }
    const int filled = value.FilledParts();
    if (filled > 0 && filled < 4) {
        controls.ShowDialogMessage(msg::kIncompleteAddress);
        return false;
    }
    return true;
}

// Rule 2: the host part of the clock's address may be neither all zeros nor all ones.
bool CheckAddressAgainstMask(DialogControls& controls) {
    const std::uint32_t ip = controls.GetIp(ctl::IpAddress).Address().ToUint32();
    const std::uint32_t mask = controls.GetIp(ctl::SubnetMask).Address().ToUint32();
    if ((ip | mask) == kAllOnes || (ip & ~mask) == 0) {
        controls.ShowDialogMessage(msg::kSubnetMask);
        return false;
    }
    return true;
}

}  // namespace

bool ValidateAddresses(DialogControls& controls) {
    for (int id : kAddressFields) {
        if (IsTimeServer(id) && controls.GetIp(id).IsBlank()) {
            if (id == ctl::TimeServer5 && AllTimeServersBlank(controls)) {
                controls.ShowDialogMessage(msg::kNoTimeServer);
                return false;
            }
            continue;
        }
        if (!CheckAddressField(controls, id)) return false;
    }
    return CheckAddressAgainstMask(controls);
}

bool CheckDaylightSavingRule(DialogControls& controls) {
    if (!controls.IsChecked(ctl::DaylightSaving)) return true;
    for (int id : kRuleLists) {
        if (controls.ComboSelectedIndex(id) < 0) {
            controls.ShowDialogMessage(msg::kDstIncomplete);
            return false;
        }
    }
    return true;
}

bool CheckEnergySavingRule(DialogControls& controls) {
    const std::string from = controls.GetText(ctl::EnergyFrom);
    if (from != controls.GetText(ctl::EnergyTo) || from == "0") return true;
    controls.ShowDialogMessage(msg::kEnergySavingSame);
    // The operator starts over from the first hour, so a second press is not refused again.
    controls.SetFocus(ctl::EnergyFrom);
    controls.ComboSelect(ctl::EnergyFrom, 0);
    return false;
}

void RefuseBrightness(DialogControls& controls) {
    controls.ShowDialogMessage(msg::kBrightnessError);
    controls.SetFocus(ctl::Brightness);
    controls.ComboSelect(ctl::Brightness, 0);
}

void OnDynamicIp(DialogControls& controls) {
    for (int id : kClockAddressFields) controls.Enable(id, false);
}

void OnStaticIp(DialogControls& controls) {
    for (int id : kClockAddressFields) controls.Enable(id, true);
}

}  // namespace horavane
