#include "settings/SettingCodes.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>

#include "settings/ControlIds.h"
#include "settings/SettingsChecks.h"
#include "settings/ValueLists.h"

namespace horavane {
namespace {

constexpr std::uint8_t kWestOfUtc = 0x80;
constexpr std::uint8_t kFormat12 = 12;
constexpr std::uint8_t kFormat24 = 24;
constexpr std::uint8_t kMaxHour = 23;
constexpr std::uint8_t kMonthCount = 12;
constexpr int kBrightnessCount = static_cast<int>(lists::kBrightness.size());

// These bytes have always been read as signed chars: 0xE2 minutes show as "-30" and an
// energy-saving hour of 255 looks for an entry "-1".
int AsSignedByte(std::uint8_t value) {
    return static_cast<int>(static_cast<std::int8_t>(value));
}

// Reads a decimal number the way atoi does: leading blanks, an optional sign, then digits up to the
// first non-digit; nothing readable gives 0.
int ReadDecimal(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front()))) return 0;
    int value = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc()) return 0;
    return negative ? -value : value;
}

struct TimeZoneParts {
    char sign;
    int hours;
    std::string minutes;  // "%02d" of the signed minutes byte
};

TimeZoneParts SplitTimeZone(TimeZoneCode code) {
    std::array<char, 8> minutes{};
    std::snprintf(minutes.data(), minutes.size(), "%02d", AsSignedByte(code.minutes));
    return {(code.hours & kWestOfUtc) != 0 ? '-' : '+', code.hours & 0x7F, minutes.data()};
}

template <std::size_t N>
void FillIfEmpty(DialogControls& controls, int id, const std::array<std::string_view, N>& entries) {
    if (controls.ComboCount(id) != 0) return;
    controls.ComboReset(id);
    for (auto entry : entries) controls.ComboAdd(id, entry);
}

void FillHoursIfEmpty(DialogControls& controls, int id) {
    if (controls.ComboCount(id) != 0) return;
    controls.ComboReset(id);
    for (int hour = 0; hour <= kMaxHour; ++hour) controls.ComboAdd(id, std::to_string(hour));
}

// Index of a 1-based code in a list of `count` entries, or -1 for a code outside it.
int IndexOfCode(int code, int count) {
    return (code >= 1 && code <= count) ? code - 1 : -1;
}

struct RuleListIds {
    int month, week, day, hour;
};
constexpr RuleListIds kStartLists{ctl::DstStartMonth, ctl::DstStartWeek, ctl::DstStartDay, ctl::DstStartHour};
constexpr RuleListIds kEndLists{ctl::DstEndMonth, ctl::DstEndWeek, ctl::DstEndDay, ctl::DstEndHour};

void ShowRulePoint(DialogControls& controls, const RuleListIds& ids, std::uint8_t month, std::uint8_t week,
                   std::uint8_t day, std::uint8_t hour) {
    controls.ComboSelect(ids.month, month - 1);
    controls.ComboSelect(ids.week, IndexOfCode(week, static_cast<int>(lists::kWeekOrdinals.size())));
    controls.ComboSelect(ids.day, IndexOfCode(day, static_cast<int>(lists::kWeekdays.size())));
    controls.ComboSelect(ids.hour, hour);
}

void ClearRulePoint(DialogControls& controls, const RuleListIds& ids) {
    for (int id : {ids.month, ids.week, ids.day, ids.hour}) controls.ComboSelect(id, -1);
}

struct RulePointBytes {
    std::uint8_t month, when, hour;
};

// Rule 3 has made sure every list has a selection before this is read.
RulePointBytes TakeRulePoint(const DialogControls& controls, const RuleListIds& ids) {
    const int week = controls.ComboSelectedIndex(ids.week) + 1;
    const int day = controls.ComboSelectedIndex(ids.day) + 1;
    return {static_cast<std::uint8_t>(controls.ComboSelectedIndex(ids.month) + 1),
            static_cast<std::uint8_t>(week * 16 + day),
            static_cast<std::uint8_t>(controls.ComboSelectedIndex(ids.hour))};
}

std::optional<std::uint8_t> BrightnessCode(std::string_view text) {
    // Exact comparison on purpose: the list's own entries are the only texts a clock understands.
    for (std::size_t i = 0; i < lists::kBrightness.size(); ++i)
        if (text == lists::kBrightness[i]) return static_cast<std::uint8_t>(lists::kBrightness.size() - i);
    return std::nullopt;
}

}  // namespace

std::string TimeZoneDisplayText(TimeZoneCode code) {
    const auto parts = SplitTimeZone(code);
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "GMT %c%d:%2s", parts.sign, parts.hours, parts.minutes.c_str());
    return text.data();
}

std::string TimeZoneListText(TimeZoneCode code) {
    const auto parts = SplitTimeZone(code);
    std::array<char, 32> text{};
    if (parts.minutes == "00" && parts.hours == 0) return "UTC";
    if (parts.minutes == "00")
        std::snprintf(text.data(), text.size(), "UTC %c%d", parts.sign, parts.hours);
    else
        std::snprintf(text.data(), text.size(), "UTC %c%d:%s", parts.sign, parts.hours,
                      parts.minutes.c_str());
    return text.data();
}

TimeZoneCode TimeZoneCodeFromText(std::string_view listText) {
    TimeZoneCode code;
    if (listText.empty()) return code;
    std::string_view offset;
    if (const auto blank = listText.find(' '); blank != std::string_view::npos) {
        offset = listText.substr(blank + 1);
        offset = offset.substr(0, offset.find(' '));
    }
    std::string_view hoursPart = offset;
    std::string_view minutesPart = "0";
    if (const auto colon = offset.find(':'); colon != std::string_view::npos) {
        hoursPart = offset.substr(0, colon);
        minutesPart = offset.substr(colon + 1);
    }
    code.minutes = static_cast<std::uint8_t>(ReadDecimal(minutesPart));
    const int hours = hoursPart.empty() ? 0 : ReadDecimal(hoursPart.substr(1));
    const bool west = !hoursPart.empty() && hoursPart.front() == '-';
    code.hours = static_cast<std::uint8_t>(west ? (hours | kWestOfUtc) : (hours & ~kWestOfUtc));
    return code;
}

void FillRuleLists(DialogControls& controls) {
    FillIfEmpty(controls, ctl::DstStartMonth, lists::kMonths);
    FillIfEmpty(controls, ctl::DstStartWeek, lists::kWeekOrdinals);
    FillIfEmpty(controls, ctl::DstStartDay, lists::kWeekdays);
    FillHoursIfEmpty(controls, ctl::DstStartHour);
    FillIfEmpty(controls, ctl::DstEndMonth, lists::kMonths);
    FillIfEmpty(controls, ctl::DstEndWeek, lists::kWeekOrdinals);
    FillIfEmpty(controls, ctl::DstEndDay, lists::kWeekdays);
    FillHoursIfEmpty(controls, ctl::DstEndHour);
}

void ShowTimeFormat(DialogControls& controls, const ClockDatagram& reply) {
    // A value other than 12 or 24 leaves the pair as the caller left it.
    if (reply.timeFormat() != kFormat12 && reply.timeFormat() != kFormat24) return;
    const bool twelve = reply.timeFormat() == kFormat12;
    controls.SetChecked(ctl::Format12, twelve);
    controls.SetChecked(ctl::Format24, !twelve);
}

void ShowIpMode(DialogControls& controls, const ClockDatagram& reply) {
    if (reply.dynamicIp() == 1) {
        controls.SetChecked(ctl::DynamicIp, true);
        controls.SetChecked(ctl::StaticIp, false);
        OnDynamicIp(controls);
    } else if (reply.dynamicIp() == 0) {
        controls.SetChecked(ctl::StaticIp, true);
        controls.SetChecked(ctl::DynamicIp, false);
        OnStaticIp(controls);
    }
}

void ShowDaylightSaving(DialogControls& controls, const ClockDatagram& reply) {
    const bool shown = reply.dstStartMonth() >= 1 && reply.dstStartMonth() <= kMonthCount &&
                       reply.dstEndMonth() >= 1 && reply.dstEndMonth() <= kMonthCount &&
                       reply.dstStartHour() <= kMaxHour && reply.dstEndHour() <= kMaxHour;
    controls.SetChecked(ctl::DaylightSaving, shown);
    if (!shown) {
        ClearRulePoint(controls, kStartLists);
        ClearRulePoint(controls, kEndLists);
        return;
    }
    ShowRulePoint(controls, kStartLists, reply.dstStartMonth(), reply.dstStartWeek(), reply.dstStartDay(),
                  reply.dstStartHour());
    ShowRulePoint(controls, kEndLists, reply.dstEndMonth(), reply.dstEndWeek(), reply.dstEndDay(),
                  reply.dstEndHour());
}

void ShowTimeZone(DialogControls& controls, const ClockDatagram& reply) {
    const TimeZoneCode code{reply.tzHours(), reply.tzMinutes()};
    controls.SetText(ctl::TimeZoneText, TimeZoneDisplayText(code));
    SelectComboText(controls, ctl::TimeZoneList, TimeZoneListText(code));
}

void ShowEnergySaving(DialogControls& controls, const ClockDatagram& reply) {
    SelectComboText(controls, ctl::EnergyFrom, std::to_string(AsSignedByte(reply.saveFromHour())));
    SelectComboText(controls, ctl::EnergyTo, std::to_string(AsSignedByte(reply.saveToHour())));
}

void ShowBrightness(DialogControls& controls, const ClockDatagram& reply) {
    // Codes run from Dim (1) up to Brilliant (4), the list from Brilliant down to Dim.
    const int index = kBrightnessCount - reply.brightness();
    if (index < 0 || index >= kBrightnessCount) {
        controls.ComboSelect(ctl::Brightness, -1);
        return;
    }
    SelectComboText(controls, ctl::Brightness, lists::kBrightness[static_cast<std::size_t>(index)]);
}

void ShowSettingCodes(DialogControls& controls, const ClockDatagram& reply) {
    // The order in which a status reply fills the window.
    ShowIpMode(controls, reply);
    ShowDaylightSaving(controls, reply);
    ShowTimeZone(controls, reply);
    ShowEnergySaving(controls, reply);
    ShowBrightness(controls, reply);
    ShowTimeFormat(controls, reply);
}

bool TakeSettingCodes(const DialogControls& controls, ClockDatagram& datagram) {
    if (controls.IsChecked(ctl::DaylightSaving)) {
        const auto start = TakeRulePoint(controls, kStartLists);
        const auto end = TakeRulePoint(controls, kEndLists);
        datagram.setDstStartMonth(start.month);
        datagram.SetAt(ClockDatagram::kDstStartWhen, start.when);
        datagram.setDstStartHour(start.hour);
        datagram.setDstEndMonth(end.month);
        datagram.SetAt(ClockDatagram::kDstEndWhen, end.when);
        datagram.setDstEndHour(end.hour);
    }
    const auto zone = TimeZoneCodeFromText(controls.GetText(ctl::TimeZoneList));
    datagram.setTzHours(zone.hours);
    datagram.setTzMinutes(zone.minutes);
    datagram.setTimeFormat(controls.IsChecked(ctl::Format12) ? kFormat12 : kFormat24);

    const auto brightness = BrightnessCode(controls.GetText(ctl::Brightness));
    if (!brightness) return false;
    datagram.setBrightness(*brightness);
    datagram.setSaveFromHour(static_cast<std::uint8_t>(ReadDecimal(controls.GetText(ctl::EnergyFrom))));
    datagram.setSaveToHour(static_cast<std::uint8_t>(ReadDecimal(controls.GetText(ctl::EnergyTo))));
    datagram.setDynamicIp(controls.IsChecked(ctl::DynamicIp) ? 1 : 0);
    return true;
}

}  // namespace horavane
