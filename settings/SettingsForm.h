#pragma once

#include <array>
#include <string>

#include "protocol/ClockCodec.h"
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
    // Both buttons of each radio pair: a reply with a code outside the pair leaves neither chosen,
    // and Modify then writes the second one (24 hours, static).
    bool twelveHour = false;      // "12" chosen; otherwise the clock shows 24 hours
    bool twentyFourHour = false;  // "24" chosen
    bool dynamicIp = false;       // "Dynamic IP" chosen; otherwise static
    bool staticIp = false;        // "Static IP" chosen
    bool daylightSaving = false;  // the "Daylight Saving Time" box ticked
    RuleSelection dstStart;
    RuleSelection dstEnd;
    // The selected entries' texts, "" without a selection.
    std::string timeZone;
    std::string energyFrom;
    std::string energyTo;
    std::string brightness;
    friend bool operator==(const SettingsForm&, const SettingsForm&) = default;
};

// The "Clock Information" group as a fresh window shows one status reply: the form, and the
// read-outs only the clock reports.
struct ClockReadout {
    SettingsForm form;
    std::string serialNumber;
    std::string syncStatus;         // "Sync" or "Unsync"
    std::string timeZone;           // "GMT +8:00"
    std::string currentTimeServer;  // its address when synchronised, otherwise "Unsync"
    std::string macAddress;         // "00-1A-2B-3C-4D-5E", without the window's line feed
    friend bool operator==(const ClockReadout&, const ClockReadout&) = default;
};

// What a freshly opened window shows of `settings`: every list entry the codes select (none for a
// code outside its list), the fields the one decoder fills, neither radio button for a code
// outside its pair. The window logic shows a reply the same way; the command line and the journal
// read this value instead of a window.
[[nodiscard]] SettingsForm FormOf(const ClockSettings& settings);
[[nodiscard]] ClockReadout ReadoutOf(const ClockStatus& status);

}  // namespace horavane
