#include "cli/ClockReport.h"

#include <iomanip>
#include <sstream>
#include <utility>

#include "dialog/ControlIds.h"

namespace horavane::cli {
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

Json RulePoint(const DialogControls& controls, int hour, int week, int day, int month) {
    Json point;
    point["hour"] = Selection(controls, hour);
    point["week"] = Selection(controls, week);
    point["day"] = Selection(controls, day);
    point["month"] = Selection(controls, month);
    return point;
}

std::string WithoutLineFeed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string PlainValue(const Json& value) {
    if (value.is_null()) return "-";
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "on" : "off";
    return value.dump();
}

std::string PointText(const Json& point) {
    return PlainValue(point["hour"]) + " O'clock on the " + PlainValue(point["week"]) + " " +
           PlainValue(point["day"]) + " " + PlainValue(point["month"]);
}

}  // namespace

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
    out["macAddress"] = WithoutLineFeed(controls.GetText(ctl::MacAddress));
    out["daylightSaving"] = controls.IsChecked(ctl::DaylightSaving);
    out["dstStart"] =
        RulePoint(controls, ctl::DstStartHour, ctl::DstStartWeek, ctl::DstStartDay, ctl::DstStartMonth);
    out["dstEnd"] = RulePoint(controls, ctl::DstEndHour, ctl::DstEndWeek, ctl::DstEndDay, ctl::DstEndMonth);
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
    static const std::vector<std::string> keys = {"address",  "serialNumber",      "syncStatus",
                                                  "timeZone", "currentTimeServer", "macAddress"};
    return keys;
}

Json WritableJson(const DialogControls& controls) {
    const Json all = StatusJson(controls, "");
    Json out;
    for (const std::string& key : WritableKeys()) out[key] = all[key];
    return out;
}

std::string StatusBlock(const DialogControls& controls, std::string_view address) {
    const Json s = StatusJson(controls, address);
    std::vector<std::pair<std::string, std::string>> rows = {
        {"Clock:", std::string(address)},
        {"SN:", PlainValue(s["serialNumber"])},
        {"Sync Status:", PlainValue(s["syncStatus"])},
        {"Time Zone:", PlainValue(s["timeZone"])},
        {"Time Format:", PlainValue(s["timeFormat"])},
        {"Static IP / Dynamic IP:", PlainValue(s["ipMode"])},
    };
    for (std::size_t k = 0; k < 5; ++k)
        rows.emplace_back("Time Server IP " + std::to_string(k + 1) + ":", PlainValue(s["timeServers"][k]));
    rows.insert(rows.end(), {
                                {"IP Address :", PlainValue(s["ipAddress"])},
                                {"Subnet Mask :", PlainValue(s["subnetMask"])},
                                {"Default Gateway :", PlainValue(s["defaultGateway"])},
                                {"DNS Server  :", PlainValue(s["dnsServer"])},
                                {"Current Time Server IP:", PlainValue(s["currentTimeServer"])},
                                {"MAC Address :", PlainValue(s["macAddress"])},
                                {"Daylight Saving Time", PlainValue(s["daylightSaving"])},
                                {"Start at:", PointText(s["dstStart"])},
                                {"and lasts until", PointText(s["dstEnd"])},
                                {"Time Zone (list):", PlainValue(s["timeZoneEntry"])},
                                {"Energy saving:", PlainValue(s["energySavingFrom"]) +
                                                       " To: " + PlainValue(s["energySavingTo"])},
                                {"Brightness Control :", PlainValue(s["brightness"])},
                            });
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    std::ostringstream out;
    for (const auto& [caption, value] : rows)
        out << std::left << std::setw(static_cast<int>(width + 2)) << caption << value << '\n';
    return out.str();
}

std::string DaylightSavingText(const DialogControls& controls) {
    if (!controls.IsChecked(ctl::DaylightSaving)) return "off";
    const Json s = StatusJson(controls, "");
    auto point = [](const Json& p) {
        return PlainValue(p["hour"]) + " " + PlainValue(p["week"]) + " " + PlainValue(p["day"]) + " " +
               PlainValue(p["month"]);
    };
    return point(s["dstStart"]) + " - " + point(s["dstEnd"]);
}

std::string VisibleText(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (byte < 0x20 || byte >= 0x7F) {
            static constexpr char kDigits[] = "0123456789abcdef";
            out += {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 0x0F]};
        } else {
            out += c;
        }
    }
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
        if (a != b) lines.push_back(key + ": wrote " + a.dump() + ", clock shows " + b.dump());
    }
    return lines;
}

}  // namespace horavane::cli
