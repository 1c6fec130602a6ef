#include "cli/SetOptions.h"

#include <array>
#include <utility>

#include "settings/SettingWords.h"

namespace horavane::cli {
namespace {

bool TimeServer(SettingsChange& change, const std::string& assignment, std::string& error) {
    const std::size_t equals = assignment.find('=');
    const std::string slot = assignment.substr(0, equals);
    if (equals == std::string::npos || slot.size() != 1 || slot[0] < '1' || slot[0] > '5') {
        error = "--time-server: \"" + assignment + "\" is not K=ADDRESS with K from 1 to 5";
        return false;
    }
    const Setting server = *TimeServerSlot(static_cast<std::size_t>(slot[0] - '1'));
    return SetFromWords(change, server, assignment.substr(equals + 1), "--time-server " + slot, error);
}

}  // namespace

std::optional<SettingsChange> ChangeFromOptions(const SetOptions& o, std::string& error) {
    SettingsChange change;
    // In the order the options were always judged, so that the first one named wrong is the one
    // the error is about.
    const std::array<std::pair<const std::optional<std::string>*, Setting>, 3> first = {
        {{&o.timeZone, Setting::TimeZone},
         {&o.timeFormat, Setting::TimeFormat},
         {&o.ipMode, Setting::IpMode}}};
    const std::array<std::pair<const std::optional<std::string>*, Setting>, 7> then = {
        {{&o.ipAddress, Setting::IpAddress},
         {&o.subnetMask, Setting::SubnetMask},
         {&o.gateway, Setting::Gateway},
         {&o.dnsServer, Setting::DnsServer},
         {&o.dst, Setting::Dst},
         {&o.energySaving, Setting::EnergySaving},
         {&o.brightness, Setting::Brightness}}};
    const auto set = [&](const std::optional<std::string>& words, Setting setting) {
        return !words || SetFromWords(change, setting, *words, "--" + std::string(NameOf(setting)), error);
    };
    for (const auto& [words, setting] : first)
        if (!set(*words, setting)) return std::nullopt;
    for (const std::string& assignment : o.timeServers)
        if (!TimeServer(change, assignment, error)) return std::nullopt;
    for (const auto& [words, setting] : then)
        if (!set(*words, setting)) return std::nullopt;
    return change;
}

}  // namespace horavane::cli
