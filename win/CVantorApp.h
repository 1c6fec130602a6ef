#pragma once

#include "access/PasswordStore.h"
#include "platform/Windows.h"
#include "protocol/Exchange.h"

namespace horavane::win {

// The application: start-up puts the password dialog in front of the main window. There is no
// message loop beyond the two modal dialogs, so the program ends when start-up returns.
class CVantorApp {
  public:
    // `resources`: the module whose templates, icon and strings the windows are built from.
    CVantorApp(HINSTANCE resources, PasswordStore store, ExchangeOptions options = {})
        : resources_(resources), store_(std::move(store)), options_(std::move(options)) {}

    // Always false, "do not continue": whichever dialog ends, the program ends with it.
    [[nodiscard]] bool InitInstance();

  private:
    HINSTANCE resources_;
    PasswordStore store_;
    ExchangeOptions options_;
};

}  // namespace horavane::win
