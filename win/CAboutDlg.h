#pragma once

#include "win/ModalDialog.h"

namespace horavane::win {

// The about box (template 100): the icon, "version: 1.5" and OK.
class CAboutDlg : public ModalDialog {
  public:
    static constexpr int kTemplateId = 100;
    explicit CAboutDlg(HINSTANCE resources) : ModalDialog(resources, kTemplateId) {}

  protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM) override {
        if (message == WM_INITDIALOG) return TRUE;
        if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            EndDialog(window(), LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
};

}  // namespace horavane::win
