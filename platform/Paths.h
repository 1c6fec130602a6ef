#pragma once

#include <filesystem>

namespace horavane {

// The one folder every user of the workstation shares for the program's own files: the Windows
// directory on Windows, /var/lib/horavane elsewhere. Empty when the system cannot say; callers then
// have no path rather than half of one.
[[nodiscard]] std::filesystem::path WorkstationDataFolder();

}  // namespace horavane
