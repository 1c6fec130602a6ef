#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Windows.h"

namespace horavane::win {

// Drives the program's dialogs from another thread of the same process, as an operator would but
// with window messages to controls found by their ids, never with screen positions. The screenshot
// tool and the tests use it. Each wait is bounded; each call returns once the dialog's thread has
// handled the message, unless it says otherwise.
class WindowDriver {
  public:
    explicit WindowDriver(DWORD dialogThread) : thread_(dialogThread) {}

    // The enabled dialog of the thread with this caption, within `limit`; nullptr after it.
    [[nodiscard]] HWND AwaitDialog(std::wstring_view caption, std::chrono::milliseconds limit) const;
    // Polls `done` every 10 ms until it holds or `limit` has passed.
    [[nodiscard]] static bool Await(const std::function<bool()>& done, std::chrono::milliseconds limit);

    static void Type(HWND dialog, int id, std::string_view text);
    static void SetAddress(HWND dialog, int id, std::string_view dotted);
    // BM_CLICK: the button acts as when clicked with the mouse.
    static void Click(HWND dialog, int id);
    // The same, without waiting: for a button whose handler opens a modal dialog of its own.
    static void ClickLater(HWND dialog, int id);
    // A mouse click in the middle of a list-box entry.
    static void ClickListEntry(HWND dialog, int id, int index);
    // The focus to the control, then the key posted as the keyboard would, through the dialog's
    // own keyboard handling.
    void PressKey(HWND dialog, int id, WPARAM key) const;
    [[nodiscard]] static std::string Text(HWND dialog, int id);
    // The window that holds the keyboard focus of the dialogs' thread.
    [[nodiscard]] HWND Focus() const;

  private:
    DWORD thread_;
};

}  // namespace horavane::win
