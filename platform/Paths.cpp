#include "platform/Paths.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#endif

namespace horavane {

// Sized by asking the system first, so that no directory is too long for the buffer.
std::filesystem::path WorkstationDataFolder() {
#ifdef _WIN32
    const UINT needed = GetWindowsDirectoryW(nullptr, 0);
    if (needed == 0) return {};
    std::wstring folder(needed, L'\0');
    const UINT length = GetWindowsDirectoryW(folder.data(), needed);
    if (length == 0 || length >= needed) return {};
    folder.resize(length);
    return std::filesystem::path(folder);
#else
    return "/var/lib/horavane";
#endif
}

}  // namespace horavane
