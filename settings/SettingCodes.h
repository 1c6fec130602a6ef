#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/ClockDatagram.h"
#include "settings/DialogControls.h"

namespace horavane {

// How each coded setting of a clock becomes what the operator sees in the window, and back.

struct TimeZoneCode {
    std::uint8_t hours = 0;    // bit 7 set west of UTC
    std::uint8_t minutes = 0;  // minutes past the hour
    friend bool operator==(const TimeZoneCode&, const TimeZoneCode&) = default;
};

// "GMT +8:00", "GMT -9:30": the read-out of the time-zone label (1007).
[[nodiscard]] std::string TimeZoneDisplayText(TimeZoneCode code);
// "UTC", "UTC +8", "UTC -9:30": the entry the time-zone list (1045) selects for a code.
[[nodiscard]] std::string TimeZoneListText(TimeZoneCode code);
// The code of a time-zone list text; "" (no selection) gives the code of "UTC".
[[nodiscard]] TimeZoneCode TimeZoneCodeFromText(std::string_view listText);

// Fills the eight daylight-saving lists, each only while it is still empty.
void FillRuleLists(DialogControls& controls);

// Each piece of showing a status reply, so the query can run them in its own order.
void ShowTimeFormat(DialogControls& controls, const ClockDatagram& reply);
void ShowIpMode(DialogControls& controls, const ClockDatagram& reply);
void ShowDaylightSaving(DialogControls& controls, const ClockDatagram& reply);
void ShowTimeZone(DialogControls& controls, const ClockDatagram& reply);
void ShowEnergySaving(DialogControls& controls, const ClockDatagram& reply);
void ShowBrightness(DialogControls& controls, const ClockDatagram& reply);
// All of the above.
void ShowSettingCodes(DialogControls& controls, const ClockDatagram& reply);

// Writes the rule bytes, time zone, time format, brightness, energy-saving hours and IP mode from
// the controls into a datagram already cleared. false when the brightness list has no valid entry.
[[nodiscard]] bool TakeSettingCodes(const DialogControls& controls, ClockDatagram& datagram);

}  // namespace horavane
