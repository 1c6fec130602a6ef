#include "settings/SettingWords.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <tuple>
#include <vector>

namespace horavane {
namespace {

constexpr std::array<Setting, kSettingCount> kSettings = {
    Setting::TimeZone,    Setting::TimeFormat,   Setting::IpMode,      Setting::TimeServer1,
    Setting::TimeServer2, Setting::TimeServer3,  Setting::TimeServer4, Setting::TimeServer5,
    Setting::IpAddress,   Setting::SubnetMask,   Setting::Gateway,     Setting::DnsServer,
    Setting::Dst,         Setting::EnergySaving, Setting::Brightness};

constexpr std::array<std::string_view, kSettings.size()> kNames = {
    "time-zone",     "time-format",   "ip-mode",       "time-server-1", "time-server-2",
    "time-server-3", "time-server-4", "time-server-5", "ip-address",    "subnet-mask",
    "gateway",       "dns-server",    "dst",           "energy-saving", "brightness"};

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = text.find(separator, start);
        parts.emplace_back(
            text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

bool Pick(std::optional<int>& target, SettingList list, std::string_view text, std::string& error) {
    const auto index = PickEntry(list, text, error);
    if (index) target = *index;
    return index.has_value();
}

bool Address(std::optional<IpFieldValue>& target, std::string_view shownAs, std::string_view text,
             std::string& error) {
    const auto value = IpFieldValue::Parse(text);
    if (!value) {
        error = std::string(shownAs) + ": \"" + std::string(text) +
                "\" is not an address (up to four numbers 0 to 255 joined by dots)";
        return false;
    }
    target = *value;
    return true;
}

bool Pair(std::optional<bool>& target, std::string_view shownAs, std::string_view words,
          std::string_view first, std::string_view second, std::string_view expected, std::string& error) {
    const std::string lower = Lower(words);
    if (lower != first && lower != second) {
        error = std::string(shownAs) + ": \"" + std::string(words) + "\" must be " + std::string(expected);
        return false;
    }
    target = lower == first;
    return true;
}

// Each list of the two points in turn (start hour, end hour, start week, ...), so that the first
// wrong item named is the first one typed wrong in that order; an empty item leaves its list
// without a selection.
bool RulePoints(SettingsChange& change, const std::vector<std::string>& start,
                const std::vector<std::string>& end, std::string& error) {
    RuleSelection from;
    RuleSelection to;
    const std::array<std::tuple<int*, int*, SettingList>, 4> lists = {
        {{&from.hour, &to.hour, SettingList::DstHour},
         {&from.week, &to.week, SettingList::DstWeek},
         {&from.day, &to.day, SettingList::DstDay},
         {&from.month, &to.month, SettingList::DstMonth}}};
    for (std::size_t i = 0; i < lists.size(); ++i) {
        const auto& [first, second, list] = lists[i];
        const auto a = PickEntry(list, start[i], error);
        if (!a) return false;
        const auto b = PickEntry(list, end[i], error);
        if (!b) return false;
        *first = *a;
        *second = *b;
    }
    change.dstStart = from;
    change.dstEnd = to;
    return true;
}

bool DaylightSaving(SettingsChange& change, std::string_view shownAs, std::string_view rule,
                    std::string& error) {
    const std::string lower = Lower(rule);
    if (lower == "off" || lower == "on") {
        change.daylightSaving = lower == "on";
        return true;
    }
    const auto points = Split(rule, '-');
    const auto start = points.size() == 2 ? Split(points[0], ',') : std::vector<std::string>{};
    const auto end = points.size() == 2 ? Split(points[1], ',') : std::vector<std::string>{};
    if (start.size() != 4 || end.size() != 4) {
        error = std::string(shownAs) + ": \"" + std::string(rule) +
                "\" is not off, on or HOUR,WEEK,DAY,MONTH-HOUR,WEEK,DAY,MONTH";
        return false;
    }
    change.daylightSaving = true;
    return RulePoints(change, start, end, error);
}

bool EnergySaving(SettingsChange& change, std::string_view shownAs, std::string_view range,
                  std::string& error) {
    const auto hours = Split(range, '-');
    if (hours.size() != 2) {
        error = std::string(shownAs) + ": \"" + std::string(range) + "\" is not FROM-TO (hours 0 to 23)";
        return false;
    }
    return Pick(change.energyFrom, SettingList::EnergyFrom, hours[0], error) &&
           Pick(change.energyTo, SettingList::EnergyTo, hours[1], error);
}

std::string Entry(SettingList list, int index) {
    return index < 0 ? std::string() : std::string(EntriesOf(list)[static_cast<std::size_t>(index)]);
}

std::string RuleWords(const RuleSelection& point) {
    return Entry(SettingList::DstHour, point.hour) + "," + Entry(SettingList::DstWeek, point.week) + "," +
           Entry(SettingList::DstDay, point.day) + "," + Entry(SettingList::DstMonth, point.month);
}

std::string PairWords(bool first, bool second, std::string_view firstWords, std::string_view secondWords) {
    if (first) return std::string(firstWords);
    if (second) return std::string(secondWords);
    return "";
}

std::size_t SlotOf(Setting setting) {
    return static_cast<std::size_t>(static_cast<int>(setting) - static_cast<int>(Setting::TimeServer1));
}

bool SetFrom(SettingsChange& change, Setting setting, std::string_view words, std::string_view shownAs,
             std::string& error) {
    switch (setting) {
        case Setting::TimeZone:
            return Pick(change.timeZone, SettingList::TimeZone, words, error);
        case Setting::TimeFormat:
            if (words != "12" && words != "24") {
                error = std::string(shownAs) + ": \"" + std::string(words) + "\" must be 12 or 24";
                return false;
            }
            change.twelveHour = words == "12";
            return true;
        case Setting::IpMode:
            return Pair(change.dynamicIp, shownAs, words, "dynamic", "static", "static or dynamic", error);
        case Setting::TimeServer1:
        case Setting::TimeServer2:
        case Setting::TimeServer3:
        case Setting::TimeServer4:
        case Setting::TimeServer5:
            return Address(change.timeServers[SlotOf(setting)], shownAs, words, error);
        case Setting::IpAddress:
            return Address(change.ipAddress, shownAs, words, error);
        case Setting::SubnetMask:
            return Address(change.subnetMask, shownAs, words, error);
        case Setting::Gateway:
            return Address(change.gateway, shownAs, words, error);
        case Setting::DnsServer:
            return Address(change.dnsServer, shownAs, words, error);
        case Setting::Dst:
            return DaylightSaving(change, shownAs, words, error);
        case Setting::EnergySaving:
            return EnergySaving(change, shownAs, words, error);
        case Setting::Brightness:
            break;
    }
    return Pick(change.brightness, SettingList::Brightness, words, error);
}

}  // namespace

std::span<const Setting> AllSettings() {
    return kSettings;
}

std::string_view NameOf(Setting setting) {
    return kNames[static_cast<std::size_t>(setting)];
}

std::optional<Setting> SettingNamed(std::string_view name) {
    const std::string lower = Lower(name);
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == lower) return kSettings[i];
    return std::nullopt;
}

std::optional<Setting> TimeServerSlot(std::size_t slot) {
    if (slot >= ClockDatagram::kTimeServerSlots) return std::nullopt;
    return static_cast<Setting>(static_cast<int>(Setting::TimeServer1) + static_cast<int>(slot));
}

bool SetFromWords(SettingsChange& change, Setting setting, std::string_view words, std::string_view shownAs,
                  std::string& error) {
    // A value refused halfway (an energy-saving range with a good from-hour) leaves nothing behind.
    SettingsChange changed = change;
    if (!SetFrom(changed, setting, words, shownAs, error)) return false;
    change = changed;
    return true;
}

std::string WordsOf(Setting setting, const SettingsForm& form) {
    switch (setting) {
        case Setting::TimeZone:
            return form.timeZone;
        case Setting::TimeFormat:
            return PairWords(form.twelveHour, form.twentyFourHour, "12", "24");
        case Setting::IpMode:
            return PairWords(form.dynamicIp, form.staticIp, "dynamic", "static");
        case Setting::TimeServer1:
        case Setting::TimeServer2:
        case Setting::TimeServer3:
        case Setting::TimeServer4:
        case Setting::TimeServer5:
            return form.timeServers[SlotOf(setting)].Text();
        case Setting::IpAddress:
            return form.ipAddress.Text();
        case Setting::SubnetMask:
            return form.subnetMask.Text();
        case Setting::Gateway:
            return form.gateway.Text();
        case Setting::DnsServer:
            return form.dnsServer.Text();
        case Setting::Dst:
            return form.daylightSaving ? RuleWords(form.dstStart) + "-" + RuleWords(form.dstEnd) : "off";
        case Setting::EnergySaving:
            return form.energyFrom + "-" + form.energyTo;
        case Setting::Brightness:
            break;
    }
    return form.brightness;
}

}  // namespace horavane
