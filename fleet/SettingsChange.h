#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialog/InMemoryControls.h"

namespace horavane {

// What the operator would change in the window before pressing Modify: entries picked in drop-down
// lists (by their texts), address fields typed, radio buttons and the check box clicked.
struct SettingsChange {
    std::vector<std::pair<int, std::string>> listChoices;  // list id, entry text; "" leaves no selection
    std::vector<std::pair<int, IpFieldValue>> addresses;   // field id, its four parts
    std::optional<bool> twelveHour;
    std::optional<bool> dynamicIp;
    std::optional<bool> daylightSaving;

    void DropAddress(int id);
};

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

// nullopt with `error` set for malformed input or a text that none of the lists holds (the error
// then names the valid entries).
[[nodiscard]] std::optional<SettingsChange> ChangeFromOptions(const SetOptions& options, std::string& error);
// The same from a settings file in the shape of `status --json` / `export`. Keys that only report
// on a clock are ignored; unknown keys are an error, so that a typo is not silently skipped.
[[nodiscard]] std::optional<SettingsChange> ChangeFromJson(const nlohmann::ordered_json& file,
                                                           std::string& error);

// Does to the controls what the operator's clicks would do, including the greying of the address
// fields that the Static/Dynamic IP buttons bring.
void ApplyChange(const SettingsChange& change, InMemoryControls& controls);

}  // namespace horavane
