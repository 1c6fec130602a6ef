#pragma once

namespace horavane::cli {

// The whole program on its arguments; returns the exit code. The shipped main and the test build
// (tests/cli/TestCtlMain.cpp) both run it.
[[nodiscard]] int RunHoravanectl(int argc, char** argv);

}  // namespace horavane::cli
