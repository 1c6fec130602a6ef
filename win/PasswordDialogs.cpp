#include "win/PasswordDialogs.h"

#include <string_view>

#include "dialog/PasswordDialogLogic.h"
#include "win/MessageBoxes.h"

namespace horavane::win {
namespace {

constexpr int kPasswordField = 1053;
constexpr int kModifyButton = 3;
constexpr int kOldField = 1054;
constexpr int kNewField = 1055;
constexpr int kAgainField = 1056;

// The system's 8-bit code page, as the edit field delivers it to a program of that code page: the
// bytes whose digest the password file holds.
std::string PasswordBytes(HWND dialog, int id) {
    HWND field = GetDlgItem(dialog, id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(field)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(field, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Warn(HWND dialog, std::string_view text) {
    ShowMessage(dialog, MessageKind::Application, text);
}

}  // namespace

CInputPassword::CInputPassword(HINSTANCE resources, PasswordStore store)
    : ModalDialog(resources, kTemplateId), store_(std::move(store)), m_digest(InitialDigest()) {}

INT_PTR CInputPassword::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        closed_ = LoadPasswordFile(store_, m_digest);
        // The operator comes here to type the password; Enter still presses OK, the default button.
        ::SetFocus(Item(kPasswordField));
        return FALSE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDOK) OnOK();
    if (LOWORD(wParam) == kModifyButton) OnModify();
    if (LOWORD(wParam) == IDCANCEL) EndDialog(window(), IDCANCEL);
    return TRUE;
}

void CInputPassword::OnOK() {
    const auto message = CheckPasswordEntry(PasswordBytes(window(), kPasswordField), m_digest, closed_);
    if (message) return Warn(window(), *message);
    EndDialog(window(), IDOK);
}

// The change dialog has no owner window and works on a copy: only a change that reached the file
// replaces the digest in force. With the gate closed there is nothing to check a change against.
void CInputPassword::OnModify() {
    if (closed_) return Warn(window(), *closed_);
    CModifyPasswd change(resources(), store_, m_digest);
    if (change.DoModal(nullptr) == IDOK) m_digest = change.Digest();
}

INT_PTR CModifyPasswd::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        // The operator comes here to type: the first field has the focus, and Enter still presses OK.
        ::SetFocus(Item(kOldField));
        return FALSE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDOK) {
        const auto refused =
            ChangePassword(PasswordBytes(window(), kOldField), PasswordBytes(window(), kNewField),
                           PasswordBytes(window(), kAgainField), m_digest, store_);
        if (refused) {
            Warn(window(), *refused);
        } else {
            EndDialog(window(), IDOK);
        }
    }
    if (LOWORD(wParam) == IDCANCEL) EndDialog(window(), IDCANCEL);
    return TRUE;
}

}  // namespace horavane::win
