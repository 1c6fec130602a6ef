#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/SettingsChange.h"

namespace horavane::cli {

// The options of `set`, as typed.
struct SetOptions {
    std::optional<std::string> timeZone;
    std::optional<std::string> timeFormat;
    std::optional<std::string> ipMode;
    std::vector<std::string> timeServers;  // "K=ADDR"
    std::optional<std::string> ipAddress;
    std::optional<std::string> subnetMask;
    std::optional<std::string> gateway;
    std::optional<std::string> dnsServer;
    std::optional<std::string> dst;
    std::optional<std::string> energySaving;
    std::optional<std::string> brightness;
};

// The change `set`'s options make. nullopt with `error` set for malformed input or a text that
// none of the lists holds (the error then names the valid entries).
[[nodiscard]] std::optional<SettingsChange> ChangeFromOptions(const SetOptions& options, std::string& error);

}  // namespace horavane::cli
