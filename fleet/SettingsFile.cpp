#include "fleet/SettingsFile.h"

#include <algorithm>
#include <array>

namespace horavane {
namespace {

// A list value is its entry text or null for no selection; numbers are taken as text.
std::optional<std::string> ListText(const Json& value) {
    if (value.is_null()) return std::string();
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_integer()) return std::to_string(value.get<long long>());
    return std::nullopt;
}

bool JsonList(std::optional<int>& target, const Json& value, SettingList list, const std::string& key,
              std::string& error) {
    const auto text = ListText(value);
    if (!text) {
        error = "settings file: \"" + key + "\" must be a text or null";
        return false;
    }
    const auto index = PickEntry(list, *text, error);
    if (!index) return false;
    target = *index;
    return true;
}

bool JsonAddress(std::optional<IpFieldValue>& target, const Json& value, const std::string& key,
                 std::string& error) {
    if (!value.is_string()) {
        error = "settings file: \"" + key + "\" must be a text";
        return false;
    }
    const std::string text = value.get<std::string>();
    const auto field = IpFieldValue::Parse(text);
    if (!field) {
        error = "settings file: " + key + ": \"" + text +
                "\" is not an address (up to four numbers 0 to 255 joined by dots)";
        return false;
    }
    target = *field;
    return true;
}

bool JsonRulePoint(std::optional<RuleSelection>& target, const Json& value, const std::string& key,
                   std::string& error) {
    if (!value.is_object()) {
        error = "settings file: \"" + key + "\" must be an object with hour, week, day and month";
        return false;
    }
    static const std::array<std::string, 4> names = {"hour", "week", "day", "month"};
    for (const auto& item : value.items()) {
        if (std::find(names.begin(), names.end(), item.key()) == names.end()) {
            error = "settings file: unknown key \"" + key + "." + item.key() + "\" (hour, week, day, month)";
            return false;
        }
    }
    RuleSelection point;
    const std::array<std::pair<int*, SettingList>, 4> lists = {{{&point.hour, SettingList::DstHour},
                                                                {&point.week, SettingList::DstWeek},
                                                                {&point.day, SettingList::DstDay},
                                                                {&point.month, SettingList::DstMonth}}};
    for (std::size_t i = 0; i < lists.size(); ++i) {
        std::optional<int> picked;
        const Json item = value.contains(names[i]) ? value[names[i]] : Json();
        if (!JsonList(picked, item, lists[i].second, key + "." + names[i], error)) return false;
        *lists[i].first = *picked;
    }
    target = point;
    return true;
}

bool JsonRadio(std::optional<bool>& target, const Json& value, const std::string& key,
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

bool JsonKey(SettingsChange& change, const std::string& key, const Json& value, std::string& error) {
    if (key == "timeZoneEntry") return JsonList(change.timeZone, value, SettingList::TimeZone, key, error);
    if (key == "timeFormat") return JsonRadio(change.twelveHour, value, key, "12", "24", error);
    if (key == "ipMode") return JsonRadio(change.dynamicIp, value, key, "Dynamic IP", "Static IP", error);
    if (key == "ipAddress") return JsonAddress(change.ipAddress, value, key, error);
    if (key == "subnetMask") return JsonAddress(change.subnetMask, value, key, error);
    if (key == "defaultGateway") return JsonAddress(change.gateway, value, key, error);
    if (key == "dnsServer") return JsonAddress(change.dnsServer, value, key, error);
    if (key == "energySavingFrom")
        return JsonList(change.energyFrom, value, SettingList::EnergyFrom, key, error);
    if (key == "energySavingTo") return JsonList(change.energyTo, value, SettingList::EnergyTo, key, error);
    if (key == "brightness") return JsonList(change.brightness, value, SettingList::Brightness, key, error);
    if (key == "dstStart") return JsonRulePoint(change.dstStart, value, key, error);
    if (key == "dstEnd") return JsonRulePoint(change.dstEnd, value, key, error);
    if (key == "daylightSaving") {
        if (!value.is_boolean()) {
            error = "settings file: \"daylightSaving\" must be true or false";
            return false;
        }
        change.daylightSaving = value.get<bool>();
        return true;
    }
    if (key == "timeServers") {
        if (!value.is_array() || value.size() != change.timeServers.size()) {
            error = "settings file: \"timeServers\" must be an array of 5 addresses (\"\" for a blank one)";
            return false;
        }
        for (std::size_t k = 0; k < change.timeServers.size(); ++k)
            if (!JsonAddress(change.timeServers[k], value[k], key, error)) return false;
        return true;
    }
    error = "settings file: unknown key \"" + key + "\"";
    return false;
}

}  // namespace

std::optional<SettingsChange> ChangeFromJson(const Json& file, std::string& error) {
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

}  // namespace horavane
