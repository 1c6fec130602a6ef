#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/ClockCodec.h"
#include "settings/SettingsForm.h"

namespace horavane {

// How each coded setting of a clock becomes what the operator sees, and what the operator picked
// becomes a code again. Pure functions: the window logic puts the results on the controls.

// "GMT +8:00", "GMT -9:30": the time-zone read-out beside "Time Zone:".
[[nodiscard]] std::string TimeZoneDisplayText(TimeZoneCode code);
// "UTC", "UTC +8", "UTC -9:30": the time-zone list entry a code selects (it may be none of them).
[[nodiscard]] std::string TimeZoneListText(TimeZoneCode code);
// The code of a time-zone list text; "" (no selection) gives the code of "UTC".
[[nodiscard]] TimeZoneCode TimeZoneCodeFromText(std::string_view listText);

// A rule is shown only with both months in 1..12 and both hours at most 23; otherwise the box is
// cleared and the eight lists lose their selection.
[[nodiscard]] bool RuleIsShown(const RulePoint& start, const RulePoint& end);
// The list positions a rule end selects; -1 for a week or day code outside its list.
[[nodiscard]] RuleSelection SelectionOf(const RulePoint& point);
[[nodiscard]] RulePoint PointOf(const RuleSelection& selection);

// The hour entry ("0".."23") an energy-saving code selects: the byte read as signed, so 255
// looks for "-1" and finds nothing.
[[nodiscard]] std::string HourEntryText(std::uint8_t code);
// An hour list's text read as a decimal number, the empty text as 0.
[[nodiscard]] std::uint8_t HourCode(std::string_view text);

// The brightness entry of a code (1 Dim .. 4 Brilliant); nullopt outside.
[[nodiscard]] std::optional<std::string_view> BrightnessEntry(std::uint8_t code);
// Exact comparison with the four entries: the only texts a clock understands.
[[nodiscard]] std::optional<std::uint8_t> BrightnessCode(std::string_view text);

// Radio pairs: nullopt for a code that leaves the pair as it was.
[[nodiscard]] std::optional<bool> TwelveHourOf(std::uint8_t timeFormat);
[[nodiscard]] std::optional<bool> DynamicIpOf(std::uint8_t dynamicIp);

// The time servers a reply shows, each in its own field: walking the slots in order, the non-zero
// ones until as many as counted are shown. The count is read as a signed byte, so a clock reporting
// 0x80..0xFF shows none.
[[nodiscard]] std::array<std::optional<Ipv4Address>, ClockDatagram::kTimeServerSlots> ShownTimeServers(
    const ClockSettings& settings);

// "00-1A-2B-3C-4D-5E\n": the MAC read-out of the window, line feed included.
[[nodiscard]] std::string MacReadout(const MacAddress& mac);

// The settings a write request carries, taken from the form: the time servers and the four clock
// addresses (blank fields travel as 0.0.0.0, whatever the addressing mode), the rule (only while the
// box is ticked), time zone, time format, brightness, energy-saving hours and addressing mode.
// nullopt when the brightness text is none of the four entries. The form must have passed the
// address and daylight-saving checks.
[[nodiscard]] std::optional<ClockSettings> TakeSettingCodes(const SettingsForm& form);

}  // namespace horavane
