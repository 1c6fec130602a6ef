#pragma once

#include <optional>

#include "dialog/DialogControls.h"
#include "protocol/ClockCodec.h"
#include "settings/SettingsChecks.h"
#include "settings/SettingsForm.h"

namespace horavane {

// The "Clock Information" group as the handlers fill, clear and read it.

// The time-zone, energy-saving and brightness lists as the window opens with them, then the eight
// daylight-saving lists (FillRuleLists). A list that already holds entries is left alone.
void FillDialogLists(DialogControls& controls);
void FillRuleLists(DialogControls& controls);

// What a query clears before it sends: the nine address fields, the read-outs, both radio pairs
// and the status line. The rule, time-zone, energy-saving and brightness lists keep what an
// earlier clock put there.
void ClearClockInformation(DialogControls& controls);

// One accepted status reply, every control of the group that it fills.
void ShowReply(DialogControls& controls, const ClockStatus& status);
// The part of it that turns codes into selections: the rule box and lists, the time zone (read-out
// and list), the energy-saving and brightness lists, and both radio pairs with the enabling of the
// four clock-address fields.
void ShowSettingCodes(DialogControls& controls, const ClockSettings& settings);

// Everything a press of Modify reads.
[[nodiscard]] SettingsForm ReadSettingsForm(const DialogControls& controls);
// That and the read-outs: what the group shows, as the command line prints it.
[[nodiscard]] ClockReadout ReadClockReadout(const DialogControls& controls);

// A refused check as the operator sees it: the message in the window's own box, then the focus on
// the address field it names, or the list it names starts over at its first entry, with the focus.
void ShowRefusal(DialogControls& controls, const Refusal& refusal);

// The address of the entry selected in the clock list. nullopt without a selection, and for an
// entry that is not a dotted address: the list only holds what a search put there, and a
// malformed entry must never become a broadcast.
[[nodiscard]] std::optional<Ipv4Address> SelectedClockAddress(const DialogControls& controls);

// Selects the entry whose whole text equals `text` ignoring case, or drops the selection.
void SelectComboText(DialogControls& controls, int id, std::string_view text);

// Static/dynamic addressing greys or frees the four clock-address fields, never clearing them.
void OnDynamicIp(DialogControls& controls);
void OnStaticIp(DialogControls& controls);

}  // namespace horavane
