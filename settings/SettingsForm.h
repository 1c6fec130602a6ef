#pragma once

#include <array>
#include <string>

#include "protocol/ClockDatagram.h"
#include "settings/IpFieldValue.h"

namespace horavane {

// The selections of one daylight-saving row, as positions in its four lists; -1 where a list has
// no selection.
struct RuleSelection {
    int month = -1;
    int week = -1;
    int day = -1;
    int hour = -1;
    [[nodiscard]] bool Complete() const { return month >= 0 && week >= 0 && day >= 0 && hour >= 0; }
    friend bool operator==(const RuleSelection&, const RuleSelection&) = default;
};

// Everything a press of Modify reads from the window, as the fields hold it: what the checks
// judge and the write request is taken from.
struct SettingsForm {
    std::array<IpFieldValue, ClockDatagram::kTimeServerSlots> timeServers{};
    IpFieldValue ipAddress;
    IpFieldValue subnetMask;
    IpFieldValue gateway;
    IpFieldValue dnsServer;
    bool twelveHour = false;      // "12" chosen; otherwise the clock shows 24 hours
    bool dynamicIp = false;       // "Dynamic IP" chosen; otherwise static
    bool daylightSaving = false;  // the "Daylight Saving Time" box ticked
    RuleSelection dstStart;
    RuleSelection dstEnd;
    // The selected entries' texts, "" without a selection.
    std::string timeZone;
    std::string energyFrom;
    std::string energyTo;
    std::string brightness;
};

}  // namespace horavane
