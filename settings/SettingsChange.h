#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "protocol/ClockDatagram.h"
#include "settings/IpFieldValue.h"
#include "settings/SettingsForm.h"

namespace horavane {

// The drop-down lists a change can pick an entry of.
enum class SettingList {
    TimeZone,
    EnergyFrom,
    EnergyTo,
    Brightness,
    DstHour,
    DstWeek,
    DstDay,
    DstMonth,
};

// The list's entries in their on-screen order, and its name in an operator's words.
[[nodiscard]] std::span<const std::string_view> EntriesOf(SettingList list);
[[nodiscard]] std::string_view NameOf(SettingList list);

// The position of the entry whose whole text is `text`, letter case ignored; -1 for none.
[[nodiscard]] int FindEntry(SettingList list, std::string_view text);
// The position of the entry whose whole text is `text`, letter case ignored, as the window picks
// it; -1 for "" (no selection). nullopt with `error` naming the valid entries when none matches.
[[nodiscard]] std::optional<int> PickEntry(SettingList list, std::string_view text, std::string& error);

// A change to a clock's settings, field by field: what each given field becomes, as the operator
// would set it in the window (a list entry by its position, -1 for none; an address as typed, with
// parts that may be empty). Fields left out keep what the clock holds. The Modify checks then judge
// the form the change leaves, so a change can never reach a clock that the window would refuse.
struct SettingsChange {
    std::optional<int> timeZone;
    std::optional<bool> twelveHour;
    std::optional<bool> dynamicIp;
    std::array<std::optional<IpFieldValue>, ClockDatagram::kTimeServerSlots> timeServers{};
    std::optional<IpFieldValue> ipAddress;
    std::optional<IpFieldValue> subnetMask;
    std::optional<IpFieldValue> gateway;
    std::optional<IpFieldValue> dnsServer;
    std::optional<bool> daylightSaving;
    std::optional<RuleSelection> dstStart;
    std::optional<RuleSelection> dstEnd;
    std::optional<int> energyFrom;
    std::optional<int> energyTo;
    std::optional<int> brightness;
    friend bool operator==(const SettingsChange&, const SettingsChange&) = default;
};

// The form after the change: a radio choice takes its pair's other button out.
[[nodiscard]] SettingsForm Changed(SettingsForm form, const SettingsChange& change);

}  // namespace horavane
