// CVantorDlg's side of the control interface: each operation sends the template's control with the
// given id the message that does it.
#include "platform/Windows.h"
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "dialog/ControlIds.h"
#include "win/AddressParts.h"
#include "win/CVantorDlg.h"
#include "win/MessageBoxes.h"
#include "win/WideText.h"

namespace horavane::win {
namespace {

bool IsClass(HWND control, const wchar_t* name) {
    wchar_t actual[32] = {};
    GetClassNameW(control, actual, 32);
    return lstrcmpiW(actual, name) == 0;
}

std::string ItemText(HWND control, UINT lengthMessage, UINT textMessage, int index) {
    const auto length = SendMessageW(control, lengthMessage, static_cast<WPARAM>(index), 0);
    if (index < 0 || length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(SendMessageW(control, textMessage, static_cast<WPARAM>(index),
                                                      reinterpret_cast<LPARAM>(text.data()))));
    return Narrow(text);
}

// The next tab stop after the control in the template's order, passing over radio buttons: one that
// takes the focus unchecked counts as clicked. The dialog manager's own choice differs between
// systems where radio groups are concerned.
HWND NextTabStop(HWND dialog, HWND control) {
    HWND next = control;
    for (int i = 0; i < 256; ++i) {
        next = GetWindow(next, GW_HWNDNEXT);
        if (next == nullptr) next = GetWindow(dialog, GW_CHILD);
        if (next == nullptr || next == control) return nullptr;
        const auto style = GetWindowLongW(next, GWL_STYLE);
        const bool radio = (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
        if ((style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE) && !radio)
            return next;
    }
    return nullptr;
}

std::string IpText(const IpFieldValue& value) {
    std::string text;
    for (std::size_t i = 0; i < value.parts.size(); ++i) {
        if (i > 0) text += '.';
        if (value.parts[i]) text += std::to_string(*value.parts[i]);
    }
    return text;
}

}  // namespace

std::string CVantorDlg::GetText(int id) const {
    HWND control = Item(id);
    if (IsClass(control, L"ComboBox"))
        return ItemText(control, CB_GETLBTEXTLEN, CB_GETLBTEXT, ComboSelectedIndex(id));
    if (IsClass(control, L"ListBox")) return ListText(id, ListSelectedIndex(id));
    if (IsClass(control, WC_IPADDRESSW)) return IpText(GetIp(id));
    return control == nullptr ? std::string() : WindowText(control);
}

void CVantorDlg::PaintNow(int id) {
    if (HWND control = Item(id)) UpdateWindow(control);
}

void CVantorDlg::SetText(int id, std::string_view text) {
    HWND control = Item(id);
    if (!IsClass(control, WC_IPADDRESSW)) {
        SetWindowTextW(control, Widen(text).c_str());
        return;
    }
    const IpFieldValue value = IpFieldValue::Parse(text).value_or(IpFieldValue{});
    ClearIp(id);
    const auto parts = AddressParts(control);
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (value.parts[i]) SetWindowTextW(parts[i], std::to_wstring(*value.parts[i]).c_str());
}

// A control that has the focus hands it to the next tab stop before it goes grey (a disabled window
// keeps no focus, and the dialog would take no keys), and takes it back when it is enabled again if
// the operator has left it where it went.
void CVantorDlg::Enable(int id, bool enabled) {
    HWND control = Item(id);
    const auto holds = [](HWND owner, HWND focus) {
        return owner != nullptr && focus != nullptr && (focus == owner || IsChild(owner, focus));
    };
    if (!enabled && IsWindowEnabled(control) && holds(control, GetFocus())) {
        HWND next = NextTabStop(window(), control);
        if (next != nullptr && next != control) {
            SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
            focusOwner_ = control;
            focusStandIn_ = next;
        }
    }
    EnableWindow(control, enabled ? TRUE : FALSE);
    if (enabled && control != nullptr && control == focusOwner_) {
        if (holds(focusStandIn_, GetFocus()))
            SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        focusOwner_ = nullptr;
        focusStandIn_ = nullptr;
    }
}

bool CVantorDlg::IsEnabled(int id) const {
    return IsWindowEnabled(Item(id)) != FALSE;
}

// Through the dialog manager, which also moves the default-button look along.
void CVantorDlg::SetFocus(int id) {
    SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

bool CVantorDlg::IsChecked(int id) const {
    return IsDlgButtonChecked(window(), id) == BST_CHECKED;
}

// An automatic radio button gives up its tab stop when it is unchecked, so a pair the logic clears
// would drop out of the Tab order: the first of a pair with neither chosen keeps the pair's stop, as
// a radio group the dialog manager builds with nothing chosen has it.
void CVantorDlg::SetChecked(int id, bool checked) {
    CheckDlgButton(window(), id, checked ? BST_CHECKED : BST_UNCHECKED);
    for (const auto& [first, second] :
         {std::pair{ctl::Format12, ctl::Format24}, {ctl::StaticIp, ctl::DynamicIp}}) {
        if ((id != first && id != second) || IsChecked(first) || IsChecked(second)) continue;
        HWND button = Item(first);
        SetWindowLongPtrW(button, GWL_STYLE, GetWindowLongPtrW(button, GWL_STYLE) | WS_TABSTOP);
    }
}

void CVantorDlg::ComboReset(int id) {
    SendDlgItemMessageW(window(), id, CB_RESETCONTENT, 0, 0);
}

void CVantorDlg::ComboAdd(int id, std::string_view text) {
    SendDlgItemMessageW(window(), id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

int CVantorDlg::ComboCount(int id) const {
    return static_cast<int>(SendDlgItemMessageW(window(), id, CB_GETCOUNT, 0, 0));
}

void CVantorDlg::ComboSelect(int id, int index) {
    const bool inside = index >= 0 && index < ComboCount(id);
    SendDlgItemMessageW(window(), id, CB_SETCURSEL, static_cast<WPARAM>(inside ? index : -1), 0);
}

int CVantorDlg::ComboFindExact(int id, std::string_view text) const {
    const std::wstring wanted = Widen(text);
    return static_cast<int>(SendDlgItemMessageW(window(), id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(wanted.c_str())));
}

int CVantorDlg::ComboSelectedIndex(int id) const {
    return static_cast<int>(SendDlgItemMessageW(window(), id, CB_GETCURSEL, 0, 0));
}

void CVantorDlg::ListReset(int id) {
    SendDlgItemMessageW(window(), id, LB_RESETCONTENT, 0, 0);
}

void CVantorDlg::ListAdd(int id, std::string_view text) {
    SendDlgItemMessageW(window(), id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

int CVantorDlg::ListFindExact(int id, std::string_view text) const {
    const std::wstring wanted = Widen(text);
    return static_cast<int>(SendDlgItemMessageW(window(), id, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(wanted.c_str())));
}

int CVantorDlg::ListSelectedIndex(int id) const {
    return static_cast<int>(SendDlgItemMessageW(window(), id, LB_GETCURSEL, 0, 0));
}

std::string CVantorDlg::ListText(int id, int index) const {
    return ItemText(Item(id), LB_GETTEXTLEN, LB_GETTEXT, index);
}

IpFieldValue CVantorDlg::GetIp(int id) const {
    IpFieldValue value;
    const auto parts = AddressParts(Item(id));
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string text = parts[i] == nullptr ? std::string() : WindowText(parts[i]);
        if (!text.empty()) value.parts[i] = static_cast<std::uint8_t>(std::clamp(std::stoi(text), 0, 255));
    }
    return value;
}

void CVantorDlg::SetIp(int id, Ipv4Address address) {
    const auto& b = address.octets;
    SendDlgItemMessageW(window(), id, IPM_SETADDRESS, 0,
                        static_cast<LPARAM>(MAKEIPADDRESS(b[0], b[1], b[2], b[3])));
}

void CVantorDlg::ClearIp(int id) {
    SendDlgItemMessageW(window(), id, IPM_CLEARADDRESS, 0, 0);
}

void CVantorDlg::SetProgressRange(int id, int low, int high) {
    SendDlgItemMessageW(window(), id, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void CVantorDlg::SetProgressPos(int id, int position) {
    SendDlgItemMessageW(window(), id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void CVantorDlg::ShowAppMessage(std::string_view text) {
    ShowMessage(window(), MessageKind::Application, text);
}

void CVantorDlg::ShowDialogMessage(std::string_view text, std::optional<std::string_view> title) {
    ShowMessage(window(), MessageKind::Dialog, text, title);
}

}  // namespace horavane::win
