#include "fleet/ClockRows.h"

#include "settings/SettingsChange.h"

namespace horavane {
namespace {

// The selected entry's text, or null without a selection.
Json Selection(const std::string& text) {
    if (text.empty()) return nullptr;
    return text;
}

Json Selection(SettingList list, int index) {
    if (index < 0) return nullptr;
    return std::string(EntriesOf(list)[static_cast<std::size_t>(index)]);
}

Json RadioPair(bool first, std::string_view firstText, bool second, std::string_view secondText) {
    if (first) return std::string(firstText);
    if (second) return std::string(secondText);
    return nullptr;
}

Json RulePointJson(const RuleSelection& point) {
    Json json;
    json["hour"] = Selection(SettingList::DstHour, point.hour);
    json["week"] = Selection(SettingList::DstWeek, point.week);
    json["day"] = Selection(SettingList::DstDay, point.day);
    json["month"] = Selection(SettingList::DstMonth, point.month);
    return json;
}

// Every key of StatusJson in its order; the read-outs only where `readout` is given.
Json FormJson(const SettingsForm& form, const ClockReadout* readout, std::string_view address) {
    Json out;
    if (readout) {
        out["address"] = std::string(address);
        out["serialNumber"] = readout->serialNumber;
        out["syncStatus"] = readout->syncStatus;
        out["timeZone"] = readout->timeZone;
    }
    out["timeZoneEntry"] = Selection(form.timeZone);
    out["timeFormat"] = RadioPair(form.twelveHour, "12", form.twentyFourHour, "24");
    out["ipMode"] = RadioPair(form.staticIp, "Static IP", form.dynamicIp, "Dynamic IP");
    Json servers = Json::array();
    for (const IpFieldValue& server : form.timeServers) servers.push_back(server.Text());
    out["timeServers"] = servers;
    out["ipAddress"] = form.ipAddress.Text();
    out["subnetMask"] = form.subnetMask.Text();
    out["defaultGateway"] = form.gateway.Text();
    out["dnsServer"] = form.dnsServer.Text();
    if (readout) {
        out["currentTimeServer"] = readout->currentTimeServer;
        out["macAddress"] = readout->macAddress;
    }
    out["daylightSaving"] = form.daylightSaving;
    out["dstStart"] = RulePointJson(form.dstStart);
    out["dstEnd"] = RulePointJson(form.dstEnd);
    out["energySavingFrom"] = Selection(form.energyFrom);
    out["energySavingTo"] = Selection(form.energyTo);
    out["brightness"] = Selection(form.brightness);
    return out;
}

}  // namespace

std::string WithoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

Json StatusJson(const ClockReadout& readout, std::string_view address) {
    return FormJson(readout.form, &readout, address);
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

Json SettingsJson(const SettingsForm& form) {
    return FormJson(form, nullptr, "");
}

Json SettingsJson(const ClockSettings& settings) {
    return SettingsJson(FormOf(settings));
}

std::string JsonText(const Json& value, int indent) {
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

std::vector<std::string> DifferingFields(const SettingsForm& written, const SettingsForm& shown) {
    std::vector<std::string> lines;
    if (written == shown) return lines;
    const Json a = SettingsJson(written);
    const Json b = SettingsJson(shown);
    for (const std::string& key : WritableKeys())
        if (a[key] != b[key])
            lines.push_back(key + ": wrote " + JsonText(a[key]) + ", clock shows " + JsonText(b[key]));
    return lines;
}

}  // namespace horavane
