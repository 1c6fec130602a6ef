#pragma once

#include "settings/DialogControls.h"

namespace horavane {

// The checks a press of Modify runs before anything is sent. Each shows its one message in the
// window's own message box and returns false on a refusal.

// Rules 1 and 2: the nine address fields in order, then the IP address against the subnet mask.
[[nodiscard]] bool ValidateAddresses(DialogControls& controls);
// Rule 3, only called while "Daylight Saving Time" is ticked: all eight lists need a selection.
[[nodiscard]] bool CheckDaylightSavingRule(DialogControls& controls);
// Rule 4: equal from and to hours are refused unless both are "0"; resets the from-list.
[[nodiscard]] bool CheckEnergySavingRule(DialogControls& controls);
// Rule 5, run when the brightness list holds none of its entries: message, reset, focus.
void RefuseBrightness(DialogControls& controls);

// Static/dynamic addressing greys or frees the four clock-address fields, never clearing them.
void OnDynamicIp(DialogControls& controls);
void OnStaticIp(DialogControls& controls);

}  // namespace horavane
