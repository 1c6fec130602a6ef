#pragma once

#include "protocol/ExchangeOptions.h"

namespace horavane::ui {

class CVantorDlg;

// A hidden hook for the screenshot script, off unless HORAVANE_SCREENSHOT names a file:
// HORAVANE_DEMO_PORT points the window at a simulator's port, HORAVANE_DEMO_SEARCH types a loopback
// address (127.x.x.x) into the search field and presses Search, HORAVANE_DEMO_SELECT=n selects the
// n-th clock once the search has finished; then the window is grabbed into the file and closed.
[[nodiscard]] bool DemoRequested();
// With HORAVANE_DEMO_PASSWORD set as well, types it into the password dialog and presses OK, as
// the operator would.
void EnterDemoPassword();
[[nodiscard]] ExchangeOptions DemoOptions();
void RunDemo(CVantorDlg& dialog);

}  // namespace horavane::ui
