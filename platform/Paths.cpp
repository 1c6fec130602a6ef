#include "platform/Paths.h"

#ifdef _WIN32
#include <string>

#include "platform/Windows.h"
#else
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>
#endif

namespace horavane {
namespace {

#ifdef _WIN32
std::wstring Environment(const wchar_t* name) {
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), needed);
    if (length == 0 || length >= needed) return {};
    value.resize(length);
    return value;
}
#else
std::filesystem::path AbsoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return {};
    std::filesystem::path path(value);
    return path.is_absolute() ? path : std::filesystem::path();
}
#endif

}  // namespace

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

std::filesystem::path UserStateFolder() {
#ifdef _WIN32
    const std::wstring local = Environment(L"LOCALAPPDATA");
    if (local.empty()) return {};
    return std::filesystem::path(local) / L"Horavane";
#else
    // XDG Base Directory: a relative value is to be ignored, as if it were not set.
    if (auto state = AbsoluteFromEnvironment("XDG_STATE_HOME"); !state.empty()) return state / "horavane";
    if (auto home = AbsoluteFromEnvironment("HOME"); !home.empty())
        return home / ".local" / "state" / "horavane";
    return {};
#endif
}

std::filesystem::path UserConfigFolder() {
#ifdef _WIN32
    const std::wstring roaming = Environment(L"APPDATA");
    if (roaming.empty()) return {};
    return std::filesystem::path(roaming) / L"Horavane";
#else
    if (auto config = AbsoluteFromEnvironment("XDG_CONFIG_HOME"); !config.empty()) return config / "horavane";
    if (auto home = AbsoluteFromEnvironment("HOME"); !home.empty()) return home / ".config" / "horavane";
    return {};
#endif
}

std::filesystem::path WorkstationConfigFolder() {
#ifdef _WIN32
    const std::wstring shared = Environment(L"ProgramData");
    if (shared.empty()) return {};
    return std::filesystem::path(shared) / L"Horavane";
#else
    return "/etc/horavane";
#endif
}

std::string UserName() {
#ifdef _WIN32
    wchar_t name[257];  // UNLEN + 1
    DWORD length = 257;
    if (!GetUserNameW(name, &length) || length <= 1) return "unknown";
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(length - 1), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes <= 0 || WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(length - 1), text.data(), bytes,
                                          nullptr, nullptr) != bytes)
        return "unknown";
    return text;
#else
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->pw_name;
    return "uid " + std::to_string(::geteuid());
#endif
}

}  // namespace horavane
