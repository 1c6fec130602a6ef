#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/cli/CtlSupport.h"

namespace horavane::test {
namespace {

using nlohmann::json;

json StatusOf(const SimProcess& sim, const std::string& clock) {
    const auto result = RunCtl(sim, {"status", clock, "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.exitCode == 0 ? json::parse(result.out) : json();
}

class CtlApply : public ::testing::Test {
  protected:
    ProcessResult Apply(const SimProcess& sim, const std::string& file,
                        const std::vector<std::string>& clocks) {
        std::vector<std::string> args = {"apply", file};
        args.insert(args.end(), clocks.begin(), clocks.end());
        args.insert(args.end(), {"--password-file", password.path(), "--password-store", store.path()});
        return RunCtl(sim, args);
    }

    TempFile password{"QXNdarvelint\n", "password"};
    TempFile store{"", "ZOR.dat"};
};

TEST_F(CtlApply, ReportsEachClockOfAMixedFleet) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "5", "--fault", "127.0.0.3:silent", "--fault", "127.0.0.4:wrong-checksum=6",
                    "--fault", "127.0.0.5:ignore-writes", "--fault", "127.0.0.6:wrong-checksum=3"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    TempFile settings(R"({"timeZoneEntry": "UTC +8", "brightness": "Dim"})", "settings.json");

    const auto result =
        Apply(sim, settings.path(), {"127.0.0.6", "127.0.0.5", "127.0.0.4", "127.0.0.3", "127.0.0.2"});
    EXPECT_EQ(result.exitCode, 5) << result.out << result.err;
    EXPECT_EQ(
        result.out,
        "127.0.0.2  verified\n"
        "127.0.0.3  no reply\n"
        "127.0.0.4  Error CheckSum\n"
        "127.0.0.5  not verified: timeZoneEntry: wrote \"UTC +8\", clock shows \"UTC +1\"; brightness: wrote "
        "\"Dim\", clock shows \"Normal\"\n"
        "127.0.0.6  verified\n"
        "apply: 2 of 5 clocks verified\n");
    for (const char* clock : {"127.0.0.2", "127.0.0.6"}) {
        const json status = StatusOf(sim, clock);
        EXPECT_EQ(status["timeZoneEntry"], "UTC +8") << clock;
        EXPECT_EQ(status["brightness"], "Dim") << clock;
    }
}

TEST_F(CtlApply, ExportedSettingsGoToManyClocksWhichKeepTheirOwnAddresses) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "3"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    ASSERT_EQ(
        RunCtl(sim, {"set", "127.0.0.2", "--time-zone", "UTC +5:30", "--dst", "off", "--ip-address",
                     "192.168.1.50", "--password-file", password.path(), "--password-store", store.path()})
            .exitCode,
        0);
    const auto exported = RunCtl(sim, {"export", "127.0.0.2"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const json settings = json::parse(exported.out);
    EXPECT_FALSE(settings.contains("serialNumber")) << "only what a write carries";
    EXPECT_EQ(settings["ipAddress"], "192.168.1.50");
    TempFile file(exported.out, "fleet.json");

    const auto result = Apply(sim, file.path(), {"127.0.0.3", "127.0.0.4"});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out, "127.0.0.3  verified\n127.0.0.4  verified\napply: 2 of 2 clocks verified\n");
    const json third = StatusOf(sim, "127.0.0.4");
    EXPECT_EQ(third["timeZoneEntry"], "UTC +5:30");
    EXPECT_EQ(third["daylightSaving"], false);
    EXPECT_EQ(third["ipAddress"], "192.168.1.102") << "one clock's address is never copied onto many";
    EXPECT_EQ(third["serialNumber"], "HV-2026-1003");

    // A single clock does take the address of the file.
    EXPECT_EQ(Apply(sim, file.path(), {"127.0.0.3"}).exitCode, 0);
    EXPECT_EQ(StatusOf(sim, "127.0.0.3")["ipAddress"], "192.168.1.50");
}

TEST_F(CtlApply, RefusalsBadFilesAndWrongPasswordsWriteNothing) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "2"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    const json before = StatusOf(sim, "127.0.0.2");

    TempFile refused(R"({"timeZoneEntry": "UTC +8", "energySavingFrom": "7", "energySavingTo": "7"})",
                     "refused.json");
    const auto checks = Apply(sim, refused.path(), {"127.0.0.2", "127.0.0.3"});
    EXPECT_EQ(checks.exitCode, 5);
    EXPECT_NE(checks.out.find("127.0.0.2  refused: Two value not the same."), std::string::npos)
        << checks.out;

    for (const std::string& bad :
         {std::string(R"({"timeZoneEntry": "UTC +15"})"), std::string(R"({"colour": 1})"),
          std::string("not json"), std::string(R"({"timeServers": ["10.0.0.1"]})"),
          std::string(R"({"dstStart": {"hour": "2", "weeek": "Last", "day": "Sun", "month": "Mar"}})")}) {
        TempFile file(bad, "bad.json");
        const auto result = Apply(sim, file.path(), {"127.0.0.2"});
        EXPECT_EQ(result.exitCode, 1) << bad;
        EXPECT_FALSE(result.err.empty()) << bad;
    }

    const TempFolder folder;
    const auto unreadable = Apply(sim, folder.path().string(), {"127.0.0.2"});
    EXPECT_EQ(unreadable.exitCode, 1) << unreadable.err;
    EXPECT_NE(unreadable.err.find("cannot read the settings file"), std::string::npos) << unreadable.err;

    TempFile good(R"({"timeZoneEntry": "UTC +8"})", "good.json");
    TempFile wrong("qxndarvelint\n", "wrong");
    const auto denied = RunCtl(sim, {"apply", good.path(), "127.0.0.2", "--password-file", wrong.path(),
                                     "--password-store", store.path()});
    EXPECT_EQ(denied.exitCode, 7);
    EXPECT_NE(denied.err.find("Passwod Error"), std::string::npos);
    EXPECT_EQ(StatusOf(sim, "127.0.0.2"), before);
}

TEST(CtlMonitor, OnceJsonExitsZeroOnlyWhenEveryClockAnswersInSync) {
    TempFile state(R"({"clocks": {"127.0.0.3": {"synchronised": false}}})", "state.json");
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "3", "--fault", "127.0.0.4:silent", "--state-file", state.path()});
    ASSERT_TRUE(sim.started()) << sim.Banner();

    const auto healthy = RunCtl(sim, {"monitor", "127.0.0.2", "--once", "--json"});
    EXPECT_EQ(healthy.exitCode, 0) << healthy.err;
    const json one = json::parse(healthy.out);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0]["state"], "ok");
    EXPECT_EQ(one[0]["serialNumber"], "HV-2026-1001");
    EXPECT_EQ(one[0]["currentTimeServer"], "192.168.1.10");
    EXPECT_EQ(one[0]["daylightSaving"], "2 Last Sun Mar - 3 Last Sun Oct");

    const auto mixed = RunCtl(sim, {"monitor", "127.0.0.4", "127.0.0.3", "127.0.0.2", "--once", "--json"});
    EXPECT_EQ(mixed.exitCode, 6);
    const json rows = json::parse(mixed.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["state"], "ok");
    EXPECT_EQ(rows[1]["state"], "unsynchronised");
    EXPECT_EQ(rows[1]["syncStatus"], "Unsync");
    EXPECT_EQ(rows[2]["state"], "silent");
    EXPECT_EQ(rows[2]["answered"], false);

    const auto noPause = RunCtl(sim, {"monitor", "127.0.0.2", "--interval", "nan", "--rounds", "2"});
    EXPECT_EQ(noPause.exitCode, 1) << noPause.out;
    EXPECT_NE(noPause.err.find("--interval"), std::string::npos) << noPause.err;

    // The subnet is searched first; the silent clock is then not among those found.
    const auto bySearch = RunCtl(sim, {"monitor", "--subnet", "127.0.0.0", "--once"});
    EXPECT_EQ(bySearch.exitCode, 6);
    EXPECT_NE(bySearch.out.find("127.0.0.2"), std::string::npos);
    EXPECT_NE(bySearch.out.find("** unsynchronised"), std::string::npos) << bySearch.out;
    EXPECT_EQ(bySearch.out.find("127.0.0.4"), std::string::npos);
}

TEST(CtlMonitor, MarksAClockThatStoppedAnsweringAndStopsOnItsOwn) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "1", "--exit-after", "1"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    // A round every 0.3 s for eight rounds; the simulator ends after one second.
    const auto result = RunCtl(sim, {"monitor", "127.0.0.2", "--interval", "0.3", "--json", "--rounds", "8"});
    EXPECT_EQ(result.exitCode, 6);
    std::istringstream lines(result.out);
    std::string line;
    std::vector<json> rounds;
    while (std::getline(lines, line)) rounds.push_back(json::parse(line));
    ASSERT_EQ(rounds.size(), 8u) << result.out;
    EXPECT_EQ(rounds.front()[0]["state"], "ok");
    EXPECT_EQ(rounds.back()[0]["state"], "silent");
    EXPECT_EQ(rounds.back()[0]["serialNumber"], "HV-2026-1001") << "the last values seen stay on show";
}

}  // namespace
}  // namespace horavane::test
