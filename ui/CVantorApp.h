#pragma once

#include <functional>

#include "access/PasswordStore.h"

namespace horavane::ui {

// The application: start-up puts the password dialog in front of the main window. There is no
// message loop beyond the two modal dialogs, so the program ends when start-up returns.
class CVantorApp {
  public:
    // Shows the main window modally until it ends; how it ended does not matter.
    using MainWindowRunner = std::function<void()>;

    // The workstation's password file and the real main window.
    CVantorApp();
    CVantorApp(PasswordStore store, MainWindowRunner runMainWindow);

    // Always false, "do not continue": whichever dialog ends, the program ends with it.
    [[nodiscard]] bool InitInstance();

    // The real main window, with no parent window, for as long as it runs.
    static void RunMainDialog();

  private:
    PasswordStore store_;
    MainWindowRunner runMainWindow_;
};

}  // namespace horavane::ui
