#include "win/CVantorApp.h"

#include "win/CVantorDlg.h"
#include "win/PasswordDialogs.h"

namespace horavane::win {

// The password dialog outlives the main window: its digest is the password state of the whole run.
bool CVantorApp::InitInstance() {
    CInputPassword password(resources_, store_);
    if (password.DoModal() == IDOK) {
        CVantorDlg dialog(resources_, options_);
        (void)dialog.DoModal();
    }
    return false;
}

}  // namespace horavane::win
