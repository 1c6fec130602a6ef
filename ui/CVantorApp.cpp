#include "ui/CVantorApp.h"

#include "ui/CInputPassword.h"
#include "ui/CVantorDlg.h"

namespace horavane::ui {

void CVantorApp::RunMainDialog() {
    CVantorDlg dialog;
    (void)dialog.exec();
}

CVantorApp::CVantorApp() : CVantorApp(PasswordStore(DefaultPasswordFilePath()), RunMainDialog) {}

CVantorApp::CVantorApp(PasswordStore store, MainWindowRunner runMainWindow)
    : store_(std::move(store)), runMainWindow_(std::move(runMainWindow)) {}

// The password dialog outlives the main window: its digest is the password state of the whole run.
bool CVantorApp::InitInstance() {
    CInputPassword password(store_);
    if (password.exec() == QDialog::Accepted) runMainWindow_();
    return false;
}

}  // namespace horavane::ui
