#include "fleet/SettingsChange.h"

#include <algorithm>
#include <cctype>

#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"
#include "dialog/InMemoryControls.h"
#include "fleet/ClockRows.h"

namespace horavane {
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

// The window's lists as a fresh dialog holds them, to check texts before anything is sent.
const InMemoryControls& WindowLists() {
    static const InMemoryControls lists = FreshWindow();
    return lists;
}

std::string ListName(int id) {
    switch (id) {
        case ctl::TimeZoneList:
            return "time zone";
        case ctl::EnergyFrom:
            return "energy saving from-hour";
        case ctl::EnergyTo:
            return "energy saving to-hour";
        case ctl::Brightness:
            return "brightness";
        case ctl::DstStartHour:
        case ctl::DstEndHour:
            return "daylight-saving hour";
        case ctl::DstStartWeek:
        case ctl::DstEndWeek:
            return "daylight-saving week";
        case ctl::DstStartDay:
        case ctl::DstEndDay:
            return "daylight-saving day";
        default:
            return "daylight-saving month";
    }
}

// An entry is picked as the window picks it: whole text, letter case ignored. "" means no selection.
bool AddListChoice(SettingsChange& change, int id, const std::string& text, std::string& error) {
    const InMemoryControls& lists = WindowLists();
    if (!text.empty() && lists.ComboFindExact(id, text) < 0) {
        error = "unknown " + ListName(id) + " \"" + text + "\"; valid entries:";
        for (const std::string& entry : lists.ComboEntries(id)) error += " \"" + entry + "\"";
        return false;
    }
    change.listChoices.emplace_back(id, text);
    return true;
}

bool AddAddress(SettingsChange& change, int id, std::string_view name, const std::string& text,
                std::string& error) {
    const auto value = IpFieldValue::Parse(text);
    if (!value) {
        error = std::string(name) + ": \"" + text +
                "\" is not an address (up to four numbers 0 to 255 joined by dots)";
        return false;
    }
    change.addresses.emplace_back(id, *value);
    return true;
}

bool AddTimeServer(SettingsChange& change, const std::string& assignment, std::string& error) {
    const std::size_t equals = assignment.find('=');
    const std::string slot = assignment.substr(0, equals);
    if (equals == std::string::npos || slot.size() != 1 || slot[0] < '1' || slot[0] > '5') {
        error = "--time-server: \"" + assignment + "\" is not K=ADDRESS with K from 1 to 5";
        return false;
    }
    return AddAddress(change, ctl::TimeServer1 + (slot[0] - '1'), "--time-server " + slot,
                      assignment.substr(equals + 1), error);
}

// "H,WEEK,DAY,MON-H,WEEK,DAY,MON", "on" (tick only) or "off". An empty item leaves its list
// without a selection.
bool AddDaylightSaving(SettingsChange& change, const std::string& rule, std::string& error) {
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
    const int startIds[] = {ctl::DstStartHour, ctl::DstStartWeek, ctl::DstStartDay, ctl::DstStartMonth};
    const int endIds[] = {ctl::DstEndHour, ctl::DstEndWeek, ctl::DstEndDay, ctl::DstEndMonth};
    for (std::size_t i = 0; i < 4; ++i)
        if (!AddListChoice(change, startIds[i], start[i], error) ||
            !AddListChoice(change, endIds[i], end[i], error))
            return false;
    return true;
}

bool AddEnergySaving(SettingsChange& change, const std::string& range, std::string& error) {
    const auto hours = Split(range, '-');
    if (hours.size() != 2) {
        error = "--energy-saving: \"" + range + "\" is not FROM-TO (hours 0 to 23)";
        return false;
    }
    return AddListChoice(change, ctl::EnergyFrom, hours[0], error) &&
           AddListChoice(change, ctl::EnergyTo, hours[1], error);
}

// JSON helpers: a list value is its entry text or null for no selection; numbers are taken as text.
std::optional<std::string> ListText(const nlohmann::ordered_json& value) {
    if (value.is_null()) return std::string();
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_integer()) return std::to_string(value.get<long long>());
    return std::nullopt;
}

bool JsonList(SettingsChange& change, const nlohmann::ordered_json& value, int id, const std::string& key,
              std::string& error) {
    const auto text = ListText(value);
    if (!text) {
        error = "settings file: \"" + key + "\" must be a text or null";
        return false;
    }
    return AddListChoice(change, id, *text, error);
}

bool JsonAddress(SettingsChange& change, const nlohmann::ordered_json& value, int id, const std::string& key,
                 std::string& error) {
    if (!value.is_string()) {
        error = "settings file: \"" + key + "\" must be a text";
        return false;
    }
    return AddAddress(change, id, "settings file: " + key, value.get<std::string>(), error);
}

bool JsonRulePoint(SettingsChange& change, const nlohmann::ordered_json& value, const std::string& key,
                   const int (&ids)[4], std::string& error) {
    if (!value.is_object()) {
        error = "settings file: \"" + key + "\" must be an object with hour, week, day and month";
        return false;
    }
    const std::string names[] = {"hour", "week", "day", "month"};
    for (const auto& item : value.items()) {
        if (std::find(std::begin(names), std::end(names), item.key()) == std::end(names)) {
            error = "settings file: unknown key \"" + key + "." + item.key() + "\" (hour, week, day, month)";
            return false;
        }
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const auto item = value.contains(names[i]) ? value[names[i]] : nlohmann::ordered_json();
        if (!JsonList(change, item, ids[i], key + "." + names[i], error)) return false;
    }
    return true;
}

bool JsonRadio(std::optional<bool>& target, const nlohmann::ordered_json& value, const std::string& key,
               std::string_view trueText, std::string_view falseText, std::string& error) {
    if (value.is_null()) return true;  // neither button selected: left as the clock shows it
    if (value.is_string() && value.get<std::string>() == trueText)
        target = true;
    else if (value.is_string() && value.get<std::string>() == falseText)
        target = false;
    else {
        error = "settings file: \"" + key + "\" must be \"" + std::string(trueText) + "\", \"" +
                std::string(falseText) + "\" or null";
        return false;
    }
    return true;
}

bool JsonKey(SettingsChange& change, const std::string& key, const nlohmann::ordered_json& value,
             std::string& error) {
    static const int startIds[] = {ctl::DstStartHour, ctl::DstStartWeek, ctl::DstStartDay,
                                   ctl::DstStartMonth};
    static const int endIds[] = {ctl::DstEndHour, ctl::DstEndWeek, ctl::DstEndDay, ctl::DstEndMonth};
    if (key == "timeZoneEntry") return JsonList(change, value, ctl::TimeZoneList, key, error);
    if (key == "timeFormat") return JsonRadio(change.twelveHour, value, key, "12", "24", error);
    if (key == "ipMode") return JsonRadio(change.dynamicIp, value, key, "Dynamic IP", "Static IP", error);
    if (key == "ipAddress") return JsonAddress(change, value, ctl::IpAddress, key, error);
    if (key == "subnetMask") return JsonAddress(change, value, ctl::SubnetMask, key, error);
    if (key == "defaultGateway") return JsonAddress(change, value, ctl::Gateway, key, error);
    if (key == "dnsServer") return JsonAddress(change, value, ctl::DnsServer, key, error);
    if (key == "energySavingFrom") return JsonList(change, value, ctl::EnergyFrom, key, error);
    if (key == "energySavingTo") return JsonList(change, value, ctl::EnergyTo, key, error);
    if (key == "brightness") return JsonList(change, value, ctl::Brightness, key, error);
    if (key == "dstStart") return JsonRulePoint(change, value, key, startIds, error);
    if (key == "dstEnd") return JsonRulePoint(change, value, key, endIds, error);
    if (key == "daylightSaving") {
        if (!value.is_boolean()) {
            error = "settings file: \"daylightSaving\" must be true or false";
            return false;
        }
        change.daylightSaving = value.get<bool>();
        return true;
    }
    if (key == "timeServers") {
        if (!value.is_array() || value.size() != 5) {
            error = "settings file: \"timeServers\" must be an array of 5 addresses (\"\" for a blank one)";
            return false;
        }
        for (std::size_t k = 0; k < 5; ++k)
            if (!JsonAddress(change, value[k], ctl::TimeServer1 + static_cast<int>(k), key, error))
                return false;
        return true;
    }
    error = "settings file: unknown key \"" + key + "\"";
    return false;
}

}  // namespace

void SettingsChange::DropAddress(int id) {
    std::erase_if(addresses, [id](const auto& entry) { return entry.first == id; });
}

std::optional<SettingsChange> ChangeFromOptions(const SetOptions& o, std::string& error) {
    SettingsChange change;
    if (o.timeZone && !AddListChoice(change, ctl::TimeZoneList, *o.timeZone, error)) return std::nullopt;
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
        if (!AddTimeServer(change, assignment, error)) return std::nullopt;
    const std::pair<const std::optional<std::string>*, std::pair<int, const char*>> addresses[] = {
        {&o.ipAddress, {ctl::IpAddress, "--ip-address"}},
        {&o.subnetMask, {ctl::SubnetMask, "--subnet-mask"}},
        {&o.gateway, {ctl::Gateway, "--gateway"}},
        {&o.dnsServer, {ctl::DnsServer, "--dns-server"}},
    };
    for (const auto& [text, field] : addresses)
        if (*text && !AddAddress(change, field.first, field.second, **text, error)) return std::nullopt;
    if (o.dst && !AddDaylightSaving(change, *o.dst, error)) return std::nullopt;
    if (o.energySaving && !AddEnergySaving(change, *o.energySaving, error)) return std::nullopt;
    if (o.brightness && !AddListChoice(change, ctl::Brightness, *o.brightness, error)) return std::nullopt;
    return change;
}

std::optional<SettingsChange> ChangeFromJson(const nlohmann::ordered_json& file, std::string& error) {
    if (!file.is_object()) {
        error = "settings file: expected one JSON object as `export` prints it";
        return std::nullopt;
    }
    SettingsChange change;
    const auto& readOnly = ReadOnlyKeys();
    for (const auto& [key, value] : file.items()) {
        if (std::find(readOnly.begin(), readOnly.end(), key) != readOnly.end()) continue;
        if (!JsonKey(change, key, value, error)) return std::nullopt;
    }
    return change;
}

void ApplyChange(const SettingsChange& change, InMemoryControls& controls) {
    if (change.twelveHour) {
        controls.SetChecked(ctl::Format12, *change.twelveHour);
        controls.SetChecked(ctl::Format24, !*change.twelveHour);
    }
    if (change.dynamicIp) {
        controls.SetChecked(ctl::DynamicIp, *change.dynamicIp);
        controls.SetChecked(ctl::StaticIp, !*change.dynamicIp);
        if (*change.dynamicIp)
            OnDynamicIp(controls);
        else
            OnStaticIp(controls);
    }
    if (change.daylightSaving) controls.SetChecked(ctl::DaylightSaving, *change.daylightSaving);
    for (const auto& [id, text] : change.listChoices) {
        if (text.empty())
            controls.ComboSelect(id, -1);
        else
            SelectComboText(controls, id, text);
    }
    for (const auto& [id, value] : change.addresses) {
        // Typed part by part, as the operator types it: an empty part stays empty for the checks.
        controls.SetIpParts(id, value);
    }
}

}  // namespace horavane
