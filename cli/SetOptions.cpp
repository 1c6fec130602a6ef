#include "cli/SetOptions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <tuple>

namespace horavane::cli {
namespace {

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

bool Pick(std::optional<int>& target, SettingList list, const std::string& text, std::string& error) {
    const auto index = PickEntry(list, text, error);
    if (index) target = *index;
    return index.has_value();
}

bool Address(std::optional<IpFieldValue>& target, std::string_view name, const std::string& text,
             std::string& error) {
    const auto value = IpFieldValue::Parse(text);
    if (!value) {
        error = std::string(name) + ": \"" + text +
                "\" is not an address (up to four numbers 0 to 255 joined by dots)";
        return false;
    }
    target = *value;
    return true;
}

bool TimeServer(SettingsChange& change, const std::string& assignment, std::string& error) {
    const std::size_t equals = assignment.find('=');
    const std::string slot = assignment.substr(0, equals);
    if (equals == std::string::npos || slot.size() != 1 || slot[0] < '1' || slot[0] > '5') {
        error = "--time-server: \"" + assignment + "\" is not K=ADDRESS with K from 1 to 5";
        return false;
    }
    return Address(change.timeServers[static_cast<std::size_t>(slot[0] - '1')], "--time-server " + slot,
                   assignment.substr(equals + 1), error);
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

// "H,WEEK,DAY,MON-H,WEEK,DAY,MON", "on" (tick only) or "off".
bool DaylightSaving(SettingsChange& change, const std::string& rule, std::string& error) {
    const std::string lower = Lower(rule);
    if (lower == "off" || lower == "on") {
        change.daylightSaving = lower == "on";
        return true;
    }
    const auto points = Split(rule, '-');
    const auto start = points.size() == 2 ? Split(points[0], ',') : std::vector<std::string>{};
    const auto end = points.size() == 2 ? Split(points[1], ',') : std::vector<std::string>{};
    if (start.size() != 4 || end.size() != 4) {
        error = "--dst: \"" + rule + "\" is not off, on or HOUR,WEEK,DAY,MONTH-HOUR,WEEK,DAY,MONTH";
        return false;
    }
    change.daylightSaving = true;
    return RulePoints(change, start, end, error);
}

bool EnergySaving(SettingsChange& change, const std::string& range, std::string& error) {
    const auto hours = Split(range, '-');
    if (hours.size() != 2) {
        error = "--energy-saving: \"" + range + "\" is not FROM-TO (hours 0 to 23)";
        return false;
    }
    return Pick(change.energyFrom, SettingList::EnergyFrom, hours[0], error) &&
           Pick(change.energyTo, SettingList::EnergyTo, hours[1], error);
}

}  // namespace

std::optional<SettingsChange> ChangeFromOptions(const SetOptions& o, std::string& error) {
    SettingsChange change;
    if (o.timeZone && !Pick(change.timeZone, SettingList::TimeZone, *o.timeZone, error)) return std::nullopt;
    if (o.timeFormat) {
        if (*o.timeFormat != "12" && *o.timeFormat != "24") {
            error = "--time-format: \"" + *o.timeFormat + "\" must be 12 or 24";
            return std::nullopt;
        }
        change.twelveHour = *o.timeFormat == "12";
    }
    if (o.ipMode) {
        const std::string mode = Lower(*o.ipMode);
        if (mode != "static" && mode != "dynamic") {
            error = "--ip-mode: \"" + *o.ipMode + "\" must be static or dynamic";
            return std::nullopt;
        }
        change.dynamicIp = mode == "dynamic";
    }
    for (const std::string& assignment : o.timeServers)
        if (!TimeServer(change, assignment, error)) return std::nullopt;
    const std::array<std::tuple<const std::optional<std::string>*, std::optional<IpFieldValue>*, const char*>,
                     4>
        addresses = {{{&o.ipAddress, &change.ipAddress, "--ip-address"},
                      {&o.subnetMask, &change.subnetMask, "--subnet-mask"},
                      {&o.gateway, &change.gateway, "--gateway"},
                      {&o.dnsServer, &change.dnsServer, "--dns-server"}}};
    for (const auto& [text, field, name] : addresses)
        if (*text && !Address(*field, name, **text, error)) return std::nullopt;
    if (o.dst && !DaylightSaving(change, *o.dst, error)) return std::nullopt;
    if (o.energySaving && !EnergySaving(change, *o.energySaving, error)) return std::nullopt;
    if (o.brightness && !Pick(change.brightness, SettingList::Brightness, *o.brightness, error))
        return std::nullopt;
    return change;
}

}  // namespace horavane::cli
