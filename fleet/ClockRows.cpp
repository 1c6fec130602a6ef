#include "fleet/ClockRows.h"

#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"

namespace horavane {
namespace {

// The selected entry's text, or null without a selection.
Json Selection(const DialogControls& controls, int id) {
    if (controls.ComboSelectedIndex(id) < 0) return nullptr;
    return controls.GetText(id);
}

Json RadioPair(const DialogControls& controls, int first, std::string_view firstText, int second,
               std::string_view secondText) {
    if (controls.IsChecked(first)) return std::string(firstText);
    if (controls.IsChecked(second)) return std::string(secondText);
    return nullptr;
}

// The field as typed: four parts joined by dots, an empty part left empty; "" when blank.
std::string IpText(const DialogControls& controls, int id) {
    const IpFieldValue value = controls.GetIp(id);
    if (value.IsBlank()) return "";
    std::string text;
    for (std::size_t i = 0; i < value.parts.size(); ++i) {
        if (i > 0) text += '.';
        if (value.parts[i]) text += std::to_string(*value.parts[i]);
    }
    return text;
}

Json RulePointJson(const DialogControls& controls, int hour, int week, int day, int month) {
    Json point;
    point["hour"] = Selection(controls, hour);
    point["week"] = Selection(controls, week);
    point["day"] = Selection(controls, day);
    point["month"] = Selection(controls, month);
    return point;
}

}  // namespace

std::string WithoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

InMemoryControls FreshWindow() {
    InMemoryControls controls;
    FillDialogLists(controls);
    return controls;
}

Json StatusJson(const DialogControls& controls, std::string_view address) {
    Json out;
    out["address"] = std::string(address);
    out["serialNumber"] = controls.GetText(ctl::SerialNumber);
    out["syncStatus"] = controls.GetText(ctl::SyncStatus);
    out["timeZone"] = controls.GetText(ctl::TimeZoneText);
    out["timeZoneEntry"] = Selection(controls, ctl::TimeZoneList);
    out["timeFormat"] = RadioPair(controls, ctl::Format12, "12", ctl::Format24, "24");
    out["ipMode"] = RadioPair(controls, ctl::StaticIp, "Static IP", ctl::DynamicIp, "Dynamic IP");
    Json servers = Json::array();
    for (int id = ctl::TimeServer1; id <= ctl::TimeServer5; ++id) servers.push_back(IpText(controls, id));
    out["timeServers"] = servers;
    out["ipAddress"] = IpText(controls, ctl::IpAddress);
    out["subnetMask"] = IpText(controls, ctl::SubnetMask);
    out["defaultGateway"] = IpText(controls, ctl::Gateway);
    out["dnsServer"] = IpText(controls, ctl::DnsServer);
    out["currentTimeServer"] = controls.GetText(ctl::CurrentTimeServer);
    out["macAddress"] = WithoutLineEnd(controls.GetText(ctl::MacAddress));
    out["daylightSaving"] = controls.IsChecked(ctl::DaylightSaving);
    out["dstStart"] =
        RulePointJson(controls, ctl::DstStartHour, ctl::DstStartWeek, ctl::DstStartDay, ctl::DstStartMonth);
    out["dstEnd"] =
        RulePointJson(controls, ctl::DstEndHour, ctl::DstEndWeek, ctl::DstEndDay, ctl::DstEndMonth);
    out["energySavingFrom"] = Selection(controls, ctl::EnergyFrom);
    out["energySavingTo"] = Selection(controls, ctl::EnergyTo);
    out["brightness"] = Selection(controls, ctl::Brightness);
    return out;
}

const std::vector<std::string>& WritableKeys() {
    static const std::vector<std::string> keys = {
        "timeZoneEntry", "timeFormat",       "ipMode",         "timeServers",    "ipAddress",
        "subnetMask",    "defaultGateway",   "dnsServer",      "daylightSaving", "dstStart",
        "dstEnd",        "energySavingFrom", "energySavingTo", "brightness"};
    return keys;
}

const std::vector<std::string>& ReadOnlyKeys() {
    // What the fleet file calls the clock rides along in `status --json` too.
    static const std::vector<std::string> keys = {"address",  "serialNumber",      "syncStatus",
                                                  "timeZone", "currentTimeServer", "macAddress",
                                                  "name",     "location",          "group"};
    return keys;
}

Json WritableJson(const DialogControls& controls) {
    const Json all = StatusJson(controls, "");
    Json out;
    for (const std::string& key : WritableKeys()) out[key] = all[key];
    return out;
}

std::string JsonText(const Json& value, int indent) {
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

std::vector<std::string> DifferingFields(const Json& written, const Json& shown) {
    std::vector<std::string> lines;
    for (const std::string& key : WritableKeys()) {
        const Json& a = written.contains(key) ? written[key] : Json();
        const Json& b = shown.contains(key) ? shown[key] : Json();
        if (a != b) lines.push_back(key + ": wrote " + JsonText(a) + ", clock shows " + JsonText(b));
    }
    return lines;
}

}  // namespace horavane
