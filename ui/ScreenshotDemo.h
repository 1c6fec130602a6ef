#pragma once

#include <QString>
#include <cstdint>

#include "protocol/Exchange.h"

namespace horavane::ui {

class CVantorDlg;

// What the screenshot tool does with the real program: type the password into the password
// dialog, search a loopback subnet, select a clock, grab the main window into a file and close.
struct ScreenshotScript {
    QString output;          // PNG file
    QString password;        // typed into the password dialog, as an operator would
    std::uint16_t port = 0;  // the simulator's port
    QString search;          // a 127.x.x.x address; anything else is not searched
    int select = 1;          // 1-based row of the clock list
};

// Types the password into the password dialog as soon as it shows, and presses OK.
void EnterPassword(const QString& password);
[[nodiscard]] ExchangeOptions ScriptOptions(const ScreenshotScript& script);
void RunScript(CVantorDlg& dialog, const ScreenshotScript& script);

}  // namespace horavane::ui
