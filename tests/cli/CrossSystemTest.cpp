// The Windows and the Linux programs speak the same bytes: horavanectl.exe under Wine reads and
// writes clocks of the Linux simulator, and the Linux horavanectl reads a clock of horavane-sim.exe.
// Part of the Linux build; the Windows programs come from the windows preset's build tree.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>

#include "tests/cli/CtlSupport.h"
#include "tests/common/SimSupport.h"

namespace horavane::test {
namespace {

using json = nlohmann::json;

const std::filesystem::path kWindowsBuild = HORAVANE_WINDOWS_BUILD_DIR;
const std::string kWine = (kWindowsBuild / "wine-run.sh").string();
const std::string kWindowsCtl = (kWindowsBuild / "tests/cli/horavanectl-test.exe").string();
const std::string kWindowsSim = (kWindowsBuild / "sim/horavane-sim.exe").string();

// Wine's first start in a fresh prefix sets the prefix up, which takes a while.
constexpr Ms kWineLimit{90'000};

class CrossSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const auto& program : {kWine, kWindowsCtl, kWindowsSim})
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

// Under Wine a UDP socket asked for 127.0.0.2 gets every address and every socket is reusable, so
// the Windows clock sits at 127.0.0.1, which Wine binds as asked. A socket without SO_REUSEADDR at
// 127.0.0.5 then keeps horavanectl off the clock port; rather than send from another port and
// take the clock for silent, it says that the clock port cannot be opened.
TEST_F(CrossSystem, LinuxCtlNamesAHeldClockPortBesideTheWindowsSimulatorWhichThenEndsByItself) {
    ChildProcess sim({kWine, kWindowsSim, "--clocks", "1", "--first-address", "127.0.0.1", "--port", "0",
                      "--exit-after", "4"});
    const auto banner = sim.ReadLine(kWineLimit);
    ASSERT_TRUE(banner) << sim.Stderr();
    std::smatch match;
    ASSERT_TRUE(
        std::regex_search(*banner, match, std::regex(R"(1 clocks on 127\.0\.0\.1-127\.0\.0\.1 port (\d+)$)")))
        << *banner;
    const auto port = static_cast<std::uint16_t>(std::stoi(match[1].str()));
    const PlainSocket blocker(Ipv4Address{{127, 0, 0, 5}}, port);
    ASSERT_TRUE(blocker.bound());

    const auto held = RunProgram({HORAVANECTL_PATH, "status", "127.0.0.1", "--port", std::to_string(port),
                                  "--own-address", "127.0.0.1", "--json"});
    EXPECT_EQ(held.exitCode, 3) << held.err;
    EXPECT_NE(held.err.find("the clock port " + std::to_string(port) + " cannot be opened: "),
              std::string::npos)
        << held.err;
    EXPECT_EQ(sim.Wait(Ms(30'000)), 0) << "--exit-after ends it with status 0";
}

}  // namespace
}  // namespace horavane::test
