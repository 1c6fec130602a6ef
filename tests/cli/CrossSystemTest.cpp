// The Windows and the Linux programs speak the same bytes: horavanectl.exe under Wine reads and
// writes clocks of the Linux simulator, and decodes them as the Linux horavanectl does. Part of the
// Linux build; the Windows programs come from the windows preset's build tree.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/cli/CtlSupport.h"
#include "tests/common/SimSupport.h"

namespace horavane::test {
namespace {

using json = nlohmann::json;

const std::filesystem::path kWindowsBuild = HORAVANE_WINDOWS_BUILD_DIR;
const std::string kWine = (kWindowsBuild / "wine-run.sh").string();
const std::string kWindowsCtl = (kWindowsBuild / "tests/cli/horavanectl-test.exe").string();

// Wine's first start in a fresh prefix sets the prefix up, which takes a while.
constexpr Ms kWineLimit{90'000};

class CrossSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const auto& program : {kWine, kWindowsCtl})
            if (!std::filesystem::exists(program))
                GTEST_SKIP()
                    << program << " is missing: the Windows programs are built by "
                    << "`cmake --preset windows && cmake --build --preset windows` (scripts/test.sh does)";
    }

    static ProcessResult RunWindowsCtl(std::vector<std::string> args) {
        args.insert(args.begin(), {kWine, kWindowsCtl});
        return RunProgram(std::move(args), kWineLimit);
    }
};

json Parsed(const ProcessResult& result) {
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.exitCode == 0 ? json::parse(result.out, nullptr, false) : json();
}

// The request of horavanectl.exe carries the address of the last adapter GetAdaptersInfo lists
// (Wine's view of this machine's adapters): the status read needs no --own-address.
TEST_F(CrossSystem, WindowsCtlReadsAndWritesClocksOfTheLinuxSimulator) {
    SimProcess sim({"--clocks", "2"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    const std::string port = std::to_string(sim.port());

    const json windows = Parsed(RunWindowsCtl({"status", "127.0.0.2", "--port", port, "--json"}));
    EXPECT_EQ(windows["serialNumber"], "HV-2026-1001");
    EXPECT_EQ(windows, Parsed(RunCtl(sim, {"status", "127.0.0.2", "--json"}))) << "both decode alike";

    const TempFile password{"QXNdarvelint\r\n", "password"};
    const TempFile store{"", "ZOR.dat"};
    const auto set = RunWindowsCtl({"set", "127.0.0.3", "--time-zone", "UTC +8", "--brightness", "Dim",
                                    "--password-file", password.path(), "--password-store", store.path(),
                                    "--port", port, "--own-address", "127.0.0.1"});
    ASSERT_EQ(set.exitCode, 0) << set.out << set.err;
    const json written = Parsed(RunCtl(sim, {"status", "127.0.0.3", "--json"}));
    EXPECT_EQ(written["timeZoneEntry"], "UTC +8");
    EXPECT_EQ(written["brightness"], "Dim");
}

}  // namespace
}  // namespace horavane::test
