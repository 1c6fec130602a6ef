// The commands in-process on the scripted network: addresses from a fleet file that no clock can
// have never reach the wire, whichever command reads it; a workstation without an adapter is told
// so; check ends within --timeout and its own words are never escaped.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/ExchangeArgs.h"
#include "cli/Horavanectl.h"
#include "cli/PasswordPrompt.h"
#include "cli/VisibleText.h"
#include "fleet/KnownClocks.h"
#include "tests/common/FakeNetwork.h"
#include "tests/common/TempFolder.h"
#include "tests/common/TestSupport.h"

namespace horavane::test {
namespace {

struct Ran {
    int code = 0;
    std::string out;
    std::string err;
};

// A fleet file that names no clock where the commands look when --fleet names none, and a journal
// folder of the tests' own, so that the workstation's files are never read.
void KeepToTheTestsFiles() {
    static const TempFolder folder;
    static const bool done = [] {
        for (const char* place : {"horavane", "Horavane"}) {
            std::filesystem::create_directories(folder.path() / place);
            std::ofstream(folder.path() / place / "fleet.csv", std::ios::binary)
                << "address,name,location,group\n";
        }
        const std::string home = folder.path().string();
#ifdef _WIN32
        _putenv_s("APPDATA", home.c_str());
        _putenv_s("LOCALAPPDATA", home.c_str());
#else
        ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        ::setenv("XDG_STATE_HOME", home.c_str(), 1);
#endif
        return true;
    }();
    (void)done;
}

// horavanectl on `args`, its exchanges on `net`.
Ran RunOn(FakeNetwork& net, std::vector<std::string> args, bool withAdapter = true) {
    KeepToTheTestsFiles();
    ExchangeOptions options = net.Options();
    if (!withAdapter) options.adapters = [] { return std::optional<std::vector<AdapterInfo>>{}; };
    cli::UseNetwork(options.openPort, options.adapters);
    args.insert(args.begin(), "horavanectl");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Ran run;
    run.code = cli::RunHoravanectl(static_cast<int>(args.size()), argv.data());
    std::fflush(stdout);
    run.out = testing::internal::GetCapturedStdout();
    run.err = testing::internal::GetCapturedStderr();
    cli::UseNetwork({}, {});
    return run;
}

// Every command that reads the fleet file, on a file whose third line names an address where no
// clock can be: refused naming the line, and nothing sent anywhere.
TEST(Boundaries, FleetRowsWhereNoClockCanBeReachNoCommand) {
    TempFolder folder;
    const std::string settings = folder.Write("settings.json", "{\"brightness\": \"Dim\"}");
    // The default password holds in a store of the test's own, so that a write that got past the
    // file would go on to the wire, and be judged there.
    cli::UsePasswordStore(folder.File("store"));
    const std::string password = folder.Write("password", "QXNdarvelint\n");
    for (const char* address : {"0.0.0.0", "224.0.0.1", "255.255.255.255"}) {
        const std::string fleet =
            folder.Write("fleet.csv", std::string("address,name,location,group\n") +
                                          "127.0.0.2,Gym,Hall,g\n" + address + ",Bad,,h\n");
        const std::vector<std::vector<std::string>> commands = {
            {"check"},
            {"check", "--group", "h"},
            {"monitor", "--once"},
            {"inventory", "--group", "h"},
            {"apply", settings, "--group", "h", "--password-file", password},
            {"set", "--group", "h", "--brightness", "Dim", "--password-file", password},
            {"status", "--group", "h"},
        };
        for (std::vector<std::string> command : commands) {
            FakeNetwork net;
            net.AddClock(Ip(127, 0, 0, 2), SimulatedClock(0));
            command.insert(command.end(), {"--fleet", fleet, "--own-address", "127.0.0.1", "--wait", "0.1"});
            const Ran run = RunOn(net, command);
            const std::string said = command[0] == "check" ? run.out : run.err;
            EXPECT_EQ(run.code, command[0] == "check" ? 3 : 1) << command[0] << " " << address;
            EXPECT_NE(said.find("fleet.csv, line 3: \"" + std::string(address) + "\""), std::string::npos)
                << command[0] << ": " << said;
            EXPECT_TRUE(net.sent().empty()) << command[0] << " " << address;
        }
    }
    cli::UsePasswordStore({});
}

TEST(Boundaries, WithoutAnAdapterTheSearchAndStatusSayNothingCouldBeSent) {
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"search", "127.0.0.1"}, {"search", "--fast", "127.0.0.1"}, {"status", "127.0.0.2"}}) {
        FakeNetwork net;
        const Ran run = RunOn(net, command, false);
        EXPECT_EQ(run.code, 3) << command[0];
        EXPECT_EQ(run.err, "horavanectl: nothing could be sent: no network adapter\n") << command[0];
        EXPECT_TRUE(run.out.empty());
        EXPECT_TRUE(net.sent().empty());
    }
}

// check keeps of a fleet file only the rows of its targets and groups, with their names.
TEST(Boundaries, CheckOfSomeClocksKnowsThemAndTheirGroupsByName) {
    TempFolder folder;
    const std::string fleet = folder.Write("fleet.csv",
                                           "address,name,location,group\n127.0.0.2,Gym,,g\n"
                                           "127.0.0.3,Hall,,h\n127.0.0.4,Lab,,h\n");
    FakeNetwork net;
    net.AddClock(Ip(127, 0, 0, 3), SimulatedClock(0));
    const Ran run = RunOn(net, {"check", "127.0.0.3", "--group", "g", "--fleet", fleet, "--own-address",
                                "127.0.0.1", "--wait", "0.1"});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.out.rfind("CLOCKS CRITICAL - 2 clocks, 1 synchronised - silent: Gym (127.0.0.2) |", 0), 0u)
        << run.out;
}

// A clock that takes ten seconds to answer: the check gives up at its --timeout, UNKNOWN, saying
// what it had not finished, and the virtual clock shows it never waited longer.
TEST(Boundaries, CheckEndsWithinItsTimeoutNamingWhatItHadNotFinished) {
    for (const bool timed : {false, true}) {
        FakeNetwork net;
        net.AddClock(Ip(127, 0, 0, 2), SimulatedClock(0, [] {
                         sim::FaultSwitches faults;
                         faults.delay = Ms(10'000);
                         return faults;
                     }()));
        std::vector<std::string> command = {"check",     "127.0.0.2", "127.0.0.3", "--own-address",
                                            "127.0.0.1", "--wait",    "20"};
        if (timed) command.insert(command.end(), {"--timeout", "2"});
        const Ran run = RunOn(net, command);
        if (!timed) {
            EXPECT_EQ(run.code, 2) << run.out;
            continue;
        }
        EXPECT_EQ(run.code, 3);
        EXPECT_EQ(run.out,
                  "CLOCKS UNKNOWN - --timeout 2 s ran out before the check finished: 2 requests sent to 2 "
                  "clocks, 0 datagrams received, the rest not waited for\n");
        EXPECT_LE(net.now(), Ms(2000));
    }
}

// check's own texts hold no ";", so that nothing of its own is shown escaped.
TEST(Boundaries, ChecksOwnMessagesAreNeverEscaped) {
    FakeNetwork net;
    for (const std::vector<std::string>& command :
         std::vector<std::vector<std::string>>{{"check", "127.0.0.0/31"},
                                               {"check", "127.0.0.0"},
                                               {"check", "--timeout", "0"},
                                               {"check", "--fleet", "/nonexistent/fleet.csv"},
                                               {"check", "--bogus"}}) {
        const Ran run = RunOn(net, command);
        EXPECT_EQ(run.code, 3);
        EXPECT_EQ(run.out.rfind("CLOCKS UNKNOWN - ", 0), 0u) << run.out;
        EXPECT_EQ(run.out.find("\\x3b"), std::string::npos) << run.out;
    }
    EXPECT_TRUE(net.sent().empty());
}

// --output and --format prometheus hold one whole round, whatever names the clocks.
TEST(Boundaries, MonitorRefusesAFileOrPrometheusWithoutOnceWhateverTheTargets) {
    TempFolder folder;
    const std::string fleet = folder.Write("fleet.csv", "address,name,location,group\n127.0.0.2,Gym,,g\n");
    for (const std::vector<std::string>& targets : std::vector<std::vector<std::string>>{
             {}, {"127.0.0.2"}, {"--group", "g"}, {"--subnet", "127.0.0.0/30"}})
        for (const std::vector<std::string>& format : std::vector<std::vector<std::string>>{
                 {"--output", folder.File("out.prom").string()}, {"--format", "prometheus"}}) {
            FakeNetwork net;
            // One round at most, should the refusal ever go.
            std::vector<std::string> command = {"monitor", "--fleet", fleet, "--rounds", "1"};
            command.insert(command.end(), targets.begin(), targets.end());
            command.insert(command.end(), format.begin(), format.end());
            const Ran run = RunOn(net, command);
            EXPECT_EQ(run.code, 1) << format[0];
            EXPECT_NE(run.err.find("needs --once"), std::string::npos) << run.err;
            EXPECT_TRUE(net.sent().empty());
        }
}

// A fleet file saved from inventory --csv names the clocks as they hold their texts, whatever the
// CSV writer had to guard or escape in them.
TEST(Boundaries, AFleetFileSavedFromTheInventoryReadsBackAsTheClocksHoldTheirNames) {
    const std::vector<std::string> names = {"Gym",
                                            "=SUM(A1:A9)",
                                            "+1 555",
                                            "-2",
                                            "@cmd",
                                            "\tTab first",
                                            "a;b",
                                            "a,b",
                                            "a;=cmd|' /C calc'!A0",
                                            "x,@y;+z,-w",
                                            "in;\"quote",
                                            "'=kept",
                                            "''",
                                            "a;'\"b",
                                            "'plain",
                                            "'\"at the start",
                                            "quo\"te",
                                            "two\nlines",
                                            "\x1b[31mred",
                                            "raw \xff\xfe bytes",
                                            "back\\slash",
                                            "\\x41",
                                            "\u202egnp.exe",
                                            "nel\u0085",
                                            "caf\u00e9 \u65e5",
                                            ""};
    std::string text = "address,name,location,group\n";
    for (std::size_t i = 0; i < names.size(); ++i)
        text += "127.0.1." + std::to_string(i + 1) + "," + cli::CsvField(names[i]) + "," +
                cli::CsvField(names[names.size() - 1 - i]) + ",g\n";
    std::string error;
    const auto known = ParseFleetFile(text, "saved.csv", error);
    ASSERT_TRUE(known) << error;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const KnownClock* clock = known->Find(Ip(127, 0, 1, static_cast<std::uint8_t>(i + 1)));
        ASSERT_NE(clock, nullptr);
        EXPECT_EQ(clock->name, names[i]) << cli::CsvField(names[i]);
        EXPECT_EQ(clock->location, names[names.size() - 1 - i]);
    }
}

}  // namespace
}  // namespace horavane::test
