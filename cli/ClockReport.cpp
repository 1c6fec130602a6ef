#include "cli/ClockReport.h"

#include <iomanip>
#include <sstream>
#include <utility>

#include "cli/VisibleText.h"

namespace horavane::cli {
namespace {

// Strings reach here from the clock's reply: shown with their control characters made visible.
std::string PlainValue(const Json& value) {
    if (value.is_null()) return "-";
    if (value.is_string()) return VisibleText(value.get<std::string>());
    if (value.is_boolean()) return value.get<bool>() ? "on" : "off";
    return value.dump();
}

std::string PointText(const Json& point) {
    return PlainValue(point["hour"]) + " O'clock on the " + PlainValue(point["week"]) + " " +
           PlainValue(point["day"]) + " " + PlainValue(point["month"]);
}

}  // namespace

std::string StatusBlock(const ClockReadout& readout, std::string_view address) {
    const Json s = StatusJson(readout, address);
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

std::string DaylightSavingText(const Json& s) {
    if (!s["daylightSaving"].get<bool>()) return "off";
    auto point = [](const Json& p) {
        return PlainValue(p["hour"]) + " " + PlainValue(p["week"]) + " " + PlainValue(p["day"]) + " " +
               PlainValue(p["month"]);
    };
    return point(s["dstStart"]) + " - " + point(s["dstEnd"]);
}

}  // namespace horavane::cli
