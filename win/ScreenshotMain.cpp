// horavane-screenshot.exe: the real start-up and main window, driven through WindowDriver, so that
// the README's picture can be taken under a virtual display. Built beside the programs, never
// installed: the product itself takes no arguments.
//   horavane-screenshot.exe PORT PASSWORD [HOLD_SECONDS]
// types the password, searches 127.0.0.1 on PORT, selects the first clock, prints "ready", and
// closes the window HOLD_SECONDS later (10 by default).
#include "platform/Windows.h"
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "dialog/ControlIds.h"
#include "settings/Messages.h"
#include "win/CVantorApp.h"
#include "win/WindowDriver.h"

using horavane::win::WindowDriver;
using std::chrono::milliseconds;

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fputs("usage: horavane-screenshot.exe PORT PASSWORD [HOLD_SECONDS]\n", stderr);
        return 1;
    }
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                       ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    horavane::ExchangeOptions options;
    options.port = static_cast<std::uint16_t>(std::atoi(argv[1]));
    const std::string password = argv[2];
    const int hold = argc > 3 ? std::atoi(argv[3]) : 10;

    const WindowDriver driver(GetCurrentThreadId());
    std::jthread script([&] {
        HWND gate = driver.AwaitDialog(L"Password", milliseconds(20'000));
        WindowDriver::Type(gate, 1053, password);
        WindowDriver::Click(gate, IDOK);
        HWND main = driver.AwaitDialog(L"Horavane", milliseconds(20'000));
        // Only simulated clocks on loopback are ever swept.
        WindowDriver::SetAddress(main, horavane::ctl::SearchAddress, "127.0.0.1");
        WindowDriver::Click(main, horavane::ctl::SearchButton);
        (void)WindowDriver::Await(
            [&] {
                return WindowDriver::Text(main, horavane::ctl::StatusLine) == horavane::msg::kSearchFinished;
            },
            milliseconds(60'000));
        WindowDriver::ClickListEntry(main, horavane::ctl::ClockList, 0);
        std::puts("ready");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::seconds(hold));
        PostMessageW(main, WM_CLOSE, 0, 0);
    });
    horavane::win::CVantorApp vantor(GetModuleHandleW(nullptr),
                                     horavane::PasswordStore(horavane::DefaultPasswordFilePath()), options);
    (void)vantor.InitInstance();
    return 0;
}
