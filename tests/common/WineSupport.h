#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/Windows.h"
#endif

namespace horavane::test {

// True when this Windows program runs under Wine, whose ntdll alone exports wine_get_version.
inline bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

// Why tests with simulated clocks skip under Wine. Seen with wine64 8.0 on Debian 12.
inline constexpr const char* kWineClockAddresses =
    "Wine binds a UDP socket asked for 127.0.0.2 (any loopback address but 127.0.0.1) to every local "
    "address, and makes every socket reusable, so simulated clocks cannot have addresses of their own "
    "beside a program on their port; the Linux build runs this test, and the cross-system tests run "
    "horavanectl.exe against the Linux simulator";

inline constexpr const char* kWineSharedPorts =
    "Wine makes every UDP socket reusable, so no program can hold a port against another here";

}  // namespace horavane::test

// For a test body or SetUp(): ends the test as skipped under Wine, saying why.
#define HORAVANE_SKIP_UNDER_WINE(reason) \
    if (::horavane::test::RunningUnderWine()) GTEST_SKIP() << (reason)
