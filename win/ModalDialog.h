#pragma once

#include "platform/Windows.h"

namespace horavane::win {

// A modal dialog built from a template of the resources: the dialog procedure hands every message
// to the object that opened it.
class ModalDialog {
  public:
    ModalDialog(HINSTANCE resources, int templateId) : resources_(resources), templateId_(templateId) {}
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Shows the dialog until it ends; its result (IDOK, IDCANCEL), or -1 when it could not open.
    INT_PTR DoModal(HWND owner = nullptr);
    [[nodiscard]] HWND window() const { return window_; }
    [[nodiscard]] HINSTANCE resources() const { return resources_; }

  protected:
    // A message of the dialog; FALSE for the default handling, as a dialog procedure returns.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    [[nodiscard]] HWND Item(int id) const { return GetDlgItem(window_, id); }

  private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE resources_;
    int templateId_;
    HWND window_ = nullptr;
};

}  // namespace horavane::win
