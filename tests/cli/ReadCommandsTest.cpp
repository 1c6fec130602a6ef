#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/VisibleText.h"
#include "tests/cli/CtlSupport.h"
#include "tests/common/SimSupport.h"

namespace horavane::test {
namespace {

using nlohmann::json;

TEST(CtlSearch, ListsAnsweringClocksOfASubnetOrOfBlocksInTheListBoxOrder) {
    // Eleven clocks, 127.0.0.2 to .12, the third silent: the list box sorts as text, so .10 comes first.
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "11", "--fault", "127.0.0.4:silent"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    const std::string expected =
        "127.0.0.10\n127.0.0.11\n127.0.0.12\n127.0.0.2\n127.0.0.3\n127.0.0.5\n"
        "127.0.0.6\n127.0.0.7\n127.0.0.8\n127.0.0.9\n";

    const auto fast = RunCtl(sim, {"search", "127.0.0.77", "--fast"});
    EXPECT_EQ(fast.exitCode, 0) << fast.err;
    EXPECT_EQ(fast.out, expected);
    EXPECT_EQ(fast.err, "") << "progress goes to stderr only when it is a terminal";

    const auto asJson = RunCtl(sim, {"search", "127.0.0", "--fast", "--json"});
    EXPECT_EQ(asJson.exitCode, 0) << asJson.err;
    std::string listed;
    for (const json& clock : json::parse(asJson.out)) listed += clock.get<std::string>() + "\n";
    EXPECT_EQ(listed, expected);

    // Blocks of a site, swept together; which hosts a block names is the block parser's test.
    const auto blocks = RunCtl(sim, {"search", "127.0.0.8/30", "127.0.0.2-127.0.0.4", "--fast", "--json"});
    ASSERT_EQ(blocks.exitCode, 0) << blocks.err;
    EXPECT_EQ(json::parse(blocks.out),
              json({"127.0.0.10", "127.0.0.11", "127.0.0.2", "127.0.0.3", "127.0.0.8", "127.0.0.9"}));
}

// What the window shows the JSON keeps in the window's order, an empty field as "" and an empty
// list as null; which fields show what is the window logic's test.
TEST(CtlStatus, JsonKeepsTheWindowsFieldsInOrderAndPlainTextTheirLabels) {
    TempFile state(R"({"clocks": {"127.0.0.2": {
        "timeZone": {"west": true, "hours": 9, "minutes": 30}, "timeServerCount": 2,
        "timeServers": ["0.0.0.0", "10.0.0.1", "0.0.0.0", "10.0.0.2", "10.0.0.3"],
        "daylightSaving": {"startMonth": 0, "startWeek": 2, "startDay": 7, "startHour": 2,
                           "endMonth": 10, "endWeek": 6, "endDay": 7, "endHour": 3}}}})",
                   "state.json");
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "1", "--state-file", state.path()});
    ASSERT_TRUE(sim.started()) << sim.Banner();

    const auto result = RunCtl(sim, {"status", "127.0.0.2", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto status = nlohmann::ordered_json::parse(result.out);
    std::string keys;
    for (const auto& item : status.items()) keys += item.key() + " ";
    EXPECT_EQ(
        keys,
        "address serialNumber syncStatus timeZone timeZoneEntry timeFormat ipMode timeServers ipAddress "
        "subnetMask defaultGateway dnsServer currentTimeServer macAddress daylightSaving dstStart dstEnd "
        "energySavingFrom energySavingTo brightness name location group ");
    EXPECT_EQ(status["timeServers"], nlohmann::ordered_json({"", "10.0.0.1", "", "10.0.0.2", ""}));
    EXPECT_EQ(status["daylightSaving"], false);
    EXPECT_EQ(
        status["dstStart"],
        nlohmann::ordered_json({{"hour", nullptr}, {"week", nullptr}, {"day", nullptr}, {"month", nullptr}}));

    const auto plain = RunCtl(sim, {"status", "127.0.0.2"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_NE(plain.out.find("DNS Server  :"), std::string::npos);
    EXPECT_NE(plain.out.find("GMT -9:30"), std::string::npos);
}

// .2 and .3 name themselves: an escape sequence or a line end in a serial number must not reach the
// operator's terminal, where it could clear the screen or forge a line such as "Sync Status: Sync";
// and a reply cut after the first byte of a two-byte letter must still give valid JSON, the byte kept.
TEST(CtlStatus, AClocksOwnTextIsShownVisibleAndAsValidJson) {
    TempFile state(
        R"({"clocks": {"127.0.0.2": {"serialNumber": "\u001b\nSync Status: Sync", "synchronised": false},
                                  "127.0.0.3": {"serialNumber": "HV-\u00e9"}}})",
        "state.json");
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "2", "--state-file", state.path(), "--fault", "127.0.0.3:short=72"});
    ASSERT_TRUE(sim.started()) << sim.Banner();

    const std::string shown = R"(\x1b\nSync Status: Sync)";
    for (const auto& args :
         {std::vector<std::string>{"status", "127.0.0.2"}, {"monitor", "127.0.0.2", "--once"}}) {
        const auto output = RunCtl(sim, args);
        EXPECT_NE(output.out.find(shown), std::string::npos) << output.out;
        EXPECT_TRUE(std::none_of(output.out.begin(), output.out.end(), [](char c) {
            return c != '\n' && std::iscntrl(c & 0xFF);
        })) << output.out;
        EXPECT_EQ(output.out.find("\nSync Status: Sync"), std::string::npos) << output.out;
    }

    const auto cut = RunCtl(sim, {"status", "127.0.0.3", "--json"});
    ASSERT_EQ(cut.exitCode, 0) << cut.err;
    EXPECT_EQ(json::parse(cut.out)["serialNumber"], "HV-\\xc3") << "the byte kept, not U+FFFD";
    const auto monitor = RunCtl(sim, {"monitor", "127.0.0.3", "--once", "--json"});
    ASSERT_EQ(monitor.exitCode, 0) << monitor.err;
    EXPECT_EQ(json::parse(monitor.out)[0]["serialNumber"], "HV-\\xc3");
}

TEST(CtlUsage, VersionAndEveryCommandsHelpWithItsExitCodes) {
    const auto version = RunCtlPlain({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "horavanectl 1.0.5.1\n");
    for (const char* command :
         {"search", "status", "export", "set", "apply", "monitor", "inventory", "check", "restore"}) {
        const auto help = RunCtlPlain({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_NE(help.out.find("Exit codes"), std::string::npos) << command;
        EXPECT_NE(help.out.find("--own-address"), std::string::npos) << command;
    }
}

// With an empty store of the caller's, the public default password would open every clock.
TEST(CtlUsage, TheShippedProgramHasNoWayToChooseThePasswordStore) {
    const TempFile emptyStore{"", "ZOR.dat"};
    const auto shipped = RunProgram({HORAVANECTL_SHIPPED_PATH, "set", "127.0.0.2", "--time-zone", "UTC +8",
                                     "--password-store", emptyStore.path(), "--port", "9"});
    EXPECT_EQ(shipped.exitCode, 1) << shipped.err;
    EXPECT_NE(shipped.err.find("--password-store"), std::string::npos) << shipped.err;
}

TEST(CtlUsage, MalformedAddressesAndOptionsAreExitOneBeforeAnythingIsSent) {
    const auto blank = RunCtlPlain({"search", "...", "--fast"});
    EXPECT_EQ(blank.exitCode, 1);
    EXPECT_NE(blank.err.find("Search ip is Error!"), std::string::npos) << blank.err;
    // Each would sweep loopback at worst, should the parsing ever let one through; the other
    // malformed addresses are the parser's tests.
    for (const char* malformed : {"127.0.0.256", "-1"}) {
        const auto result = RunCtlPlain({"search", malformed, "--fast", "--wait", "0.15"});
        EXPECT_EQ(result.exitCode, 1) << malformed;
        EXPECT_NE(result.err.find(std::string("\"") + malformed + "\""), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(RunCtlPlain({}).exitCode, 1);
    EXPECT_EQ(RunCtlPlain({"reboot"}).exitCode, 1);
    EXPECT_EQ(RunCtlPlain({"status"}).exitCode, 1);
    EXPECT_EQ(RunCtlPlain({"status", "127.0.0.2", "--port", "70000"}).exitCode, 1);
}

// The password is asked before any clock is: without a terminal there is no one to ask.
TEST(CtlUsage, WithoutATerminalThePasswordCannotBeAskedAndNothingIsSentExitSeven) {
    const TempFile store{"", "ZOR.dat"};
    const auto noTerminal =
        RunCtlPlain({"set", "127.0.0.2", "--time-zone", "UTC +8", "--password-store", store.path()});
    EXPECT_EQ(noTerminal.exitCode, 7);
    EXPECT_NE(noTerminal.err.find("--password-file"), std::string::npos) << noTerminal.err;
}

// A clock port held by another program: nothing can be asked from another port without taking the
// clocks for silent, so every command says so and ends with 3 (check: UNKNOWN). Nothing is sent.
TEST(CtlExitCodes, AClockPortThatCannotBeBoundIsExitThreeWithTheReasonInEveryCommand) {
    const PlainSocket holder(Ipv4Address{{127, 0, 0, 1}});
    ASSERT_TRUE(holder.bound());
    const std::string port = std::to_string(holder.port());
    const std::string said = "the clock port " + port + " cannot be opened: ";
    const TempFile password{"QXNdarvelint\n", "password"};
    const TempFile store{"", "ZOR.dat"};
    const std::vector<std::vector<std::string>> commands = {
        {"status", "127.0.0.2"},
        {"search", "--fast", "127.0.0.0/30"},
        {"inventory", "127.0.0.2"},
        {"monitor", "127.0.0.2", "--once"},
        {"set", "127.0.0.2", "--time-zone", "UTC +8", "--password-file", password.path(), "--password-store",
         store.path()},
    };
    for (std::vector<std::string> command : commands) {
        command.insert(command.end(), {"--port", port, "--own-address", "127.0.0.1"});
        const auto result = RunCtlPlain(command);
        EXPECT_EQ(result.exitCode, 3) << command[0] << ": " << result.err;
        EXPECT_NE(result.err.find(said), std::string::npos) << command[0] << ": " << result.err;
    }
    const auto check = RunCtlPlain({"check", "127.0.0.2", "--port", port, "--own-address", "127.0.0.1"});
    EXPECT_EQ(check.exitCode, 3) << check.out;
    EXPECT_NE(check.out.find("UNKNOWN - " + said), std::string::npos) << check.out;
}

// Four clocks: .2 synchronised, .3 not, .4 silent, .5 failing the checksum every time.
class FourKindsOfClock : public ::testing::Test {
  protected:
    void SetUp() override {
        HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
        sim.emplace(std::vector<std::string>{"--clocks", "4", "--fault", "127.0.0.4:silent", "--fault",
                                             "127.0.0.5:wrong-checksum=1000", "--state-file", state.path()});
        ASSERT_TRUE(sim->started()) << sim->Banner();
    }
    ProcessResult Run(const std::vector<std::string>& args) { return RunCtl(*sim, args); }

    TempFile state{R"({"clocks": {"127.0.0.3": {"synchronised": false}}})", "state.json"};
    std::optional<SimProcess> sim;  // none under Wine, where the tests skip
};

TEST_F(FourKindsOfClock, StatusOfASilentClockIsExitThreeAndOfAChecksumFailureExitFour) {
    const auto silent = Run({"status", "127.0.0.4", "--json"});
    EXPECT_EQ(silent.exitCode, 3);
    EXPECT_EQ(silent.out, "");

    const auto broken = Run({"status", "127.0.0.5", "--json"});
    EXPECT_EQ(broken.exitCode, 4);
    EXPECT_NE(broken.err.find("Error CheckSum"), std::string::npos) << broken.err;
    EXPECT_EQ(broken.out, "");
}

// The clock failing the checksum is left out of the inventory, said on stderr, and exit 4 tells it.
TEST_F(FourKindsOfClock, InventoryLeavesOutAClockFailingTheChecksumAndExitsFour) {
    const auto result = Run({"inventory", "127.0.0.0/29", "--csv"});
    EXPECT_EQ(result.exitCode, 4) << result.err;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 3) << result.out;
    EXPECT_NE(result.err.find("127.0.0.5: Error CheckSum, left out of the inventory"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("inventory: 2 clocks answered of 7 addresses"), std::string::npos)
        << result.err;
}

TEST_F(FourKindsOfClock, MonitorRoundGivesEachClocksStateAndExitSixWhenAnyIsNotOk) {
    const auto healthy = Run({"monitor", "127.0.0.2", "--once", "--json"});
    EXPECT_EQ(healthy.exitCode, 0) << healthy.err;
    const json one = json::parse(healthy.out);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0]["state"], "ok");
    EXPECT_EQ(one[0]["currentTimeServer"], "192.168.1.10");
    EXPECT_EQ(one[0]["daylightSaving"], "2 Last Sun Mar - 3 Last Sun Oct");

    const auto mixed = Run({"monitor", "127.0.0.4", "127.0.0.3", "127.0.0.2", "--once", "--json"});
    EXPECT_EQ(mixed.exitCode, 6);
    const json rows = json::parse(mixed.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["state"], "ok");
    EXPECT_EQ(rows[1]["state"], "unsynchronised");
    EXPECT_EQ(rows[1]["syncStatus"], "Unsync");
    EXPECT_EQ(rows[2]["state"], "silent");
    EXPECT_EQ(rows[2]["answered"], false);

    const auto noPause = Run({"monitor", "127.0.0.2", "--interval", "nan", "--rounds", "2"});
    EXPECT_EQ(noPause.exitCode, 1) << noPause.out;
    EXPECT_NE(noPause.err.find("--interval"), std::string::npos) << noPause.err;
}

// Given up one wait after its request: the fleet, not one query after another with its extra wait.
TEST_F(FourKindsOfClock, MonitorGivesUpASilentClockOneWaitAfterItsRequest) {
    const auto silent = Run({"monitor", "--once", "127.0.0.2", "127.0.0.4", "--wait", "1"});
    EXPECT_EQ(silent.exitCode, 6);
    EXPECT_GE(silent.elapsed, Ms(1000));
    EXPECT_LT(silent.elapsed, Ms(2000));
}

TEST_F(FourKindsOfClock, MonitorSearchesASubnetFirstSoASilentClockIsNotAmongThoseShown) {
    const auto bySearch = Run({"monitor", "--subnet", "127.0.0.0", "--once"});
    EXPECT_EQ(bySearch.exitCode, 6);
    EXPECT_NE(bySearch.out.find("127.0.0.2"), std::string::npos);
    EXPECT_NE(bySearch.out.find("** unsynchronised"), std::string::npos) << bySearch.out;
    EXPECT_EQ(bySearch.out.find("127.0.0.4"), std::string::npos);
}

// Which clocks a check takes from its targets, blocks, groups and fleet file (how it judges them is
// tested in-process). 127.0.0.6 is known, inside the block, and silent: a known clock must answer.
TEST_F(FourKindsOfClock, CheckTakesNamedClocksGroupsAndTheKnownClocksOfABlock) {
    const TempFile fleet("address,name,location,group\n127.0.0.2,Hall,A,Sport\n127.0.0.6,Gym,B,Sport\n",
                         "fleet.csv");
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"127.0.0.4", "127.0.0.4", "--crit-silent", "1"},
         0,
         "CLOCKS OK - 1 clock, 0 synchronised - silent: 127.0.0.4 |"},
        {{"127.0.0.0/29"},
         2,
         "CLOCKS CRITICAL - 3 clocks, 1 synchronised - checksum errors: 127.0.0.5 - unsynchronised: "
         "127.0.0.3 |"},
        {{"127.0.0.0/29", "--fleet", fleet.path(), "--crit-silent", "1", "--warn-unsynced", "1"},
         2,
         "CLOCKS CRITICAL - 4 clocks, 1 synchronised - silent: Gym (127.0.0.6) - checksum errors: 127.0.0.5 "
         "- "
         "unsynchronised: 127.0.0.3 - unknown: 127.0.0.3, 127.0.0.5 | clocks=4;;;0 synchronised=1;;;0 "
         "silent=1;;1;0 checksum_errors=1;;1;0 unsynchronised=1;1;;0 unknown=2;;;0 response_time="},
        {{"--group", "Sport", "--fleet", fleet.path()},
         2,
         "CLOCKS CRITICAL - 2 clocks, 1 synchronised - silent: Gym (127.0.0.6) |"},
        {{"127.0.1.0/30"}, 2, "CLOCKS CRITICAL - no clock answered |"},
    };
    for (const auto& [arguments, code, start] : cases) {
        std::vector<std::string> all = {"check"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const auto result = Run(all);
        EXPECT_EQ(result.exitCode, code) << start << "\n" << result.out << result.err;
        EXPECT_EQ(result.out.rfind(start, 0), 0u) << result.out;
    }
}

TEST(CtlCheck, RefusedTargetsThresholdsAndFleetFilesAreUnknownWithTheReason) {
    const TempFile fleet("address,name,location,group\n127.0.0.2,Hall,A,Sport\n", "fleet.csv");
    const TempFile badFleet("address,name,location,group\n127.0.0.2,Hall,A\n", "bad.csv");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"127.0.0.2", "127.0.0.255"}, "CLOCKS UNKNOWN - \"127.0.0.255\" is the last address of its /24 ("},
        {{"--group", "Wards", "--fleet", fleet.path()},
         "CLOCKS UNKNOWN - --group: no clock of the fleet file is in the group \"Wards\"\n"},
        {{"127.0.0.2", "--fleet", badFleet.path()},
         // The path is the operator's text: on Windows its backslashes show doubled.
         "CLOCKS UNKNOWN - the fleet file " + VisibleText(badFleet.path()) +
             ", line 2: the row has 3 fields, the header 4\n"},
        {{"127.0.0.0/15"}, "CLOCKS UNKNOWN - \"127.0.0.0/15\" is larger than a /16 ("},
        {{"127.0.0.2", "--warn-unsynced", "-1"}, "CLOCKS UNKNOWN - --warn-unsynced"},
    };
    for (const auto& [arguments, start] : cases) {
        std::vector<std::string> all = {"check"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        // Refused before anything is sent: no clock port, no simulator.
        all.insert(all.end(), {"--port", "9", "--own-address", "127.0.0.1"});
        const auto result = RunCtlPlain(all);
        EXPECT_EQ(result.exitCode, 3) << start << "\n" << result.out << result.err;
        EXPECT_EQ(result.out.rfind(start, 0), 0u) << result.out;
    }
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
