#include "settings/SettingCodes.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include "settings/ValueLists.h"

namespace horavane {
namespace {

constexpr std::uint8_t kWestOfUtc = 0x80;
constexpr std::uint8_t kFormat12 = 12;
constexpr std::uint8_t kFormat24 = 24;
constexpr std::uint8_t kMaxHour = 23;
constexpr std::uint8_t kMonthCount = 12;

// These bytes are read as signed chars: 0xE2 minutes show as "-30" and an energy-saving hour of
// 255 looks for an entry "-1". Clocks in the field have been read this way all along.
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

// Index of a 1-based code in a list of `count` entries, or -1 for a code outside it.
int IndexOfCode(int code, std::size_t count) {
    return (code >= 1 && code <= static_cast<int>(count)) ? code - 1 : -1;
}

std::uint8_t CodeOfIndex(int index) {
    return static_cast<std::uint8_t>(index + 1);
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

bool RuleIsShown(const RulePoint& start, const RulePoint& end) {
    return start.month >= 1 && start.month <= kMonthCount && end.month >= 1 && end.month <= kMonthCount &&
           start.hour <= kMaxHour && end.hour <= kMaxHour;
}

RuleSelection SelectionOf(const RulePoint& point) {
    return {IndexOfCode(point.month, lists::kMonths.size()),
            IndexOfCode(point.week, lists::kWeekOrdinals.size()),
            IndexOfCode(point.day, lists::kWeekdays.size()), point.hour <= kMaxHour ? int{point.hour} : -1};
}

RulePoint PointOf(const RuleSelection& selection) {
    return {CodeOfIndex(selection.month), CodeOfIndex(selection.week), CodeOfIndex(selection.day),
            static_cast<std::uint8_t>(selection.hour)};
}

std::string HourEntryText(std::uint8_t code) {
    return std::to_string(AsSignedByte(code));
}

std::uint8_t HourCode(std::string_view text) {
    return static_cast<std::uint8_t>(ReadDecimal(text));
}

std::optional<std::string_view> BrightnessEntry(std::uint8_t code) {
    // Codes run from Dim (1) up to Brilliant (4), the list from Brilliant down to Dim.
    const std::size_t count = lists::kBrightness.size();
    if (code < 1 || code > count) return std::nullopt;
    return lists::kBrightness[count - code];
}

std::optional<std::uint8_t> BrightnessCode(std::string_view text) {
    for (std::size_t i = 0; i < lists::kBrightness.size(); ++i)
        if (text == lists::kBrightness[i]) return static_cast<std::uint8_t>(lists::kBrightness.size() - i);
    return std::nullopt;
}

std::optional<bool> TwelveHourOf(std::uint8_t timeFormat) {
    if (timeFormat == kFormat12) return true;
    if (timeFormat == kFormat24) return false;
    return std::nullopt;
}

std::optional<bool> DynamicIpOf(std::uint8_t dynamicIp) {
    if (dynamicIp == 1) return true;
    if (dynamicIp == 0) return false;
    return std::nullopt;
}

std::array<std::optional<Ipv4Address>, ClockDatagram::kTimeServerSlots> ShownTimeServers(
    const ClockSettings& settings) {
    std::array<std::optional<Ipv4Address>, ClockDatagram::kTimeServerSlots> shown{};
    const int wanted = AsSignedByte(settings.timeServerCount);
    int count = 0;
    for (std::size_t slot = 0; slot < shown.size() && count < wanted; ++slot) {
        if (settings.timeServers[slot].IsZero()) continue;
        shown[slot] = settings.timeServers[slot];
        ++count;
    }
    return shown;
}

std::string MacReadout(const MacAddress& mac) {
    return MacText(mac) + "\n";
}

std::optional<ClockSettings> TakeSettingCodes(const SettingsForm& form) {
    ClockSettings s;
    // Each given time server keeps its own slot; blank fields leave gaps rather than being closed
    // up, so a clock sees "server 3" where the operator typed it.
    for (std::size_t slot = 0; slot < form.timeServers.size(); ++slot) {
        if (form.timeServers[slot].IsBlank()) continue;
        s.timeServers[slot] = form.timeServers[slot].Address();
        ++s.timeServerCount;
    }
    // Taken whatever the addressing mode: disabled fields keep their contents and still travel.
    s.clockIp = form.ipAddress.Address();
    s.subnetMask = form.subnetMask.Address();
    s.gateway = form.gateway.Address();
    s.dnsServer = form.dnsServer.Address();
    if (form.daylightSaving) {
        s.dstStart = PointOf(form.dstStart);
        s.dstEnd = PointOf(form.dstEnd);
    }
    s.timeZone = TimeZoneCodeFromText(form.timeZone);
    s.timeFormat = form.twelveHour ? kFormat12 : kFormat24;
    const auto brightness = BrightnessCode(form.brightness);
    if (!brightness) return std::nullopt;
    s.brightness = *brightness;
    s.saveFromHour = HourCode(form.energyFrom);
    s.saveToHour = HourCode(form.energyTo);
    s.dynamicIp = form.dynamicIp ? 1 : 0;
    return s;
}

}  // namespace horavane
