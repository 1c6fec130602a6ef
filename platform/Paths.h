#pragma once

#include <filesystem>
#include <string>

namespace horavane {

// The one folder every user of the workstation shares for the program's own files: the Windows
// directory on Windows, /var/lib/horavane elsewhere. Empty when the system cannot say; callers then
// have no path rather than half of one.
[[nodiscard]] std::filesystem::path WorkstationDataFolder();

// The folder of the user running the program for what it keeps of its own work (the journal of
// writes): $XDG_STATE_HOME/horavane, or ~/.local/state/horavane when that is not set to an absolute
// path; %LOCALAPPDATA%\Horavane on Windows. Empty when the system cannot say.
[[nodiscard]] std::filesystem::path UserStateFolder();

// The folder of the user running the program for the settings a person writes (the fleet file):
// $XDG_CONFIG_HOME/horavane, or ~/.config/horavane when that is not set to an absolute path;
// %APPDATA%\Horavane on Windows. Empty when the system cannot say.
[[nodiscard]] std::filesystem::path UserConfigFolder();

// The folder of the settings every user of the workstation shares: /etc/horavane;
// %ProgramData%\Horavane on Windows. Empty when the system cannot say.
[[nodiscard]] std::filesystem::path WorkstationConfigFolder();

// The account the program runs under, as records name who did something; "unknown" when the
// system cannot say.
[[nodiscard]] std::string UserName();

}  // namespace horavane
