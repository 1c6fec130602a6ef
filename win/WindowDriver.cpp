#include "win/WindowDriver.h"

#include "platform/Windows.h"
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <thread>

#include "platform/NetTypes.h"
#include "win/WideText.h"

namespace horavane::win {

HWND WindowDriver::AwaitDialog(std::wstring_view caption, std::chrono::milliseconds limit) const {
    struct Search {
        std::wstring_view caption;
        HWND found = nullptr;
    } search{caption};
    (void)Await(
        [&] {
            EnumThreadWindows(
                thread_,
                [](HWND window, LPARAM context) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(context);
                    wchar_t text[128] = {};
                    GetWindowTextW(window, text, 128);
                    if (s->caption != text || !IsWindowVisible(window) || !IsWindowEnabled(window))
                        return TRUE;
                    s->found = window;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        limit);
    return search.found;
}

bool WindowDriver::Await(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void WindowDriver::Type(HWND dialog, int id, std::string_view text) {
    SendDlgItemMessageW(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void WindowDriver::SetAddress(HWND dialog, int id, std::string_view dotted) {
    const auto address = Ipv4Address::Parse(dotted);
    if (!address) return;
    const auto& o = address->octets;
    SendDlgItemMessageW(dialog, id, IPM_SETADDRESS, 0,
                        static_cast<LPARAM>(MAKEIPADDRESS(o[0], o[1], o[2], o[3])));
}

void WindowDriver::Click(HWND dialog, int id) {
    SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0);
}

void WindowDriver::ClickLater(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void WindowDriver::ClickListEntry(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    RECT entry{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&entry));
    const LPARAM at = MAKELPARAM((entry.left + entry.right) / 2, (entry.top + entry.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
}

void WindowDriver::PressKey(HWND dialog, int id, WPARAM key) const {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
    HWND focus = Focus() != nullptr ? Focus() : dialog;
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

HWND WindowDriver::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread_, &info);
    return info.hwndFocus;
}

std::string WindowDriver::Text(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

}  // namespace horavane::win
