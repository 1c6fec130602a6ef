// horavane.exe: the native Windows window.
#include "platform/Windows.h"
// After windows.h, whose types it uses.
#include <commctrl.h>

#include "win/CVantorApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The address fields and the progress bar are common controls.
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                       ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    horavane::win::CVantorApp vantor(instance, horavane::PasswordStore(horavane::DefaultPasswordFilePath()));
    // Start-up never asks to go on: when its dialogs end, the program ends.
    (void)vantor.InitInstance();
    return 0;
}
