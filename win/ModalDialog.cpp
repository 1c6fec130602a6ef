#include "win/ModalDialog.h"

#include <vector>

#include "win/AccessibleNames.h"
#include "win/DesktopText.h"

namespace horavane::win {

// The template's font follows the desktop's text size; the template as it stands where it cannot.
INT_PTR ModalDialog::DoModal(HWND owner) {
    const std::vector<WORD> grown = TemplateAtTextScale(resources_, templateId_, DesktopTextScale());
    if (grown.empty())
        return DialogBoxParamW(resources_, MAKEINTRESOURCEW(templateId_), owner, Procedure,
                               reinterpret_cast<LPARAM>(this));
    return DialogBoxIndirectParamW(resources_, reinterpret_cast<LPCDLGTEMPLATEW>(grown.data()), owner,
                                   Procedure, reinterpret_cast<LPARAM>(this));
}

// WM_INITDIALOG brings the object; messages before it (WM_SETFONT) get the default handling.
INT_PTR CALLBACK ModalDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* opening = reinterpret_cast<ModalDialog*>(lParam);
        opening->window_ = window;
        // Every control a screen reader is to name, named from its label before anyone can ask.
        (void)AnnotateWindows(TemplateNames(window, opening->resources_, opening->templateId_));
    }
    auto* dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) return FALSE;
    const INT_PTR result = dialog->OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) dialog->window_ = nullptr;
    return result;
}

}  // namespace horavane::win
