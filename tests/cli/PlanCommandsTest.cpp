// plan and align as an operator meets them: a fleet file with two groups and desired settings beside
// it, against a real simulator, with drift made by another program's write.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/cli/CtlSupport.h"

namespace horavane::test {
namespace {

using nlohmann::json;

// Two wards and two corridors. The wards share their time servers, rule and dimming; Ward 4 is
// the ward whose display is dimmer. The corridors keep the full brightness. Everything desired is
// what the simulator's clocks hold from the start, but Ward 4's own brightness, which the test
// sets first.
constexpr const char* kFleet =
    "address,name,location,group\n"
    "127.0.0.2,Ward 3,Block B,Wards\n"
    "127.0.0.3,Ward 4,Block B,Wards\n"
    "127.0.0.4,Corridor A,Block B,Corridors\n"
    "127.0.0.5,Corridor B,Block B,Corridors\n"
    "127.0.0.6,Store,Block B,Stores\n";
constexpr const char* kDesired =
    "group,clock,setting,value,note\n"
    "Wards,,time-zone,UTC +1,\n"
    "Wards,,dst,\"2,Last,Sun,Mar-3,Last,Sun,Oct\",\n"
    "Wards,,time-server-1,192.168.1.10,\n"
    "Wards,,time-server-2,192.168.1.11,\n"
    "Wards,,energy-saving,22-6,\n"
    "Wards,,brightness,Normal,\n"
    ",127.0.0.3,brightness,Dim,the night nurse asked\n"
    "Corridors,,time-zone,UTC +1,\n"
    "Corridors,,brightness,Normal,\n";

// Each test has a simulator of seven clocks (.6 and up are no ward's nor corridor's), a fleet
// folder, a password store and a journal of its own.
class CtlPlan : public ::testing::Test {
  protected:
    void SetUp() override {
        HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
        sim.emplace(Faults());
        ASSERT_TRUE(sim->started()) << sim->Banner();
        fleet = site.Write("fleet.csv", kFleet);
        site.Write("desired.csv", kDesired);
    }
    virtual std::vector<std::string> Faults() { return {"--clocks", "7"}; }

    ProcessResult Ctl(std::vector<std::string> args) {
        args.insert(args.end(), {"--fleet", fleet});
        return RunCtl(*sim, args, journalHome);
    }
    // A write, with the default password from a file.
    ProcessResult Write(std::vector<std::string> args) {
        args.insert(args.end(), {"--password-file", password.path(), "--password-store", store.path()});
        return Ctl(args);
    }
    json Exported(const std::string& clock) {
        const auto result = RunCtl(*sim, {"export", clock});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.exitCode == 0 ? json::parse(result.out) : json();
    }
    json Records(const std::string& command) {
        const auto history = RunCtlPlain({"history", "--json"}, journalHome);
        EXPECT_EQ(history.exitCode, 0) << history.err;
        json chosen = json::array();
        for (const json& record : json::parse(history.out))
            if (record["command"] == command) chosen.push_back(record);
        return chosen;
    }

    std::optional<SimProcess> sim;
    TempFolder site;
    std::string fleet;
    TempFile password{"QXNdarvelint\n", "password"};
    TempFile store{"", "ZOR.dat"};
    const TempFolder journal;
    std::string journalHome = journal.path().string();
};

constexpr const char* kDriftPlan =
    "Ward 3 (127.0.0.2)\n"
    "  time-zone: \"UTC +8\" -> \"UTC +1\"\n"
    "  time-server-2: \"10.9.9.9\" -> \"192.168.1.11\"\n"
    "Corridor A (127.0.0.4)\n"
    "  brightness: \"Dim\" -> \"Normal\"\n"
    "plan: 4 clocks, 2 in line, 2 drifted (3 settings), 0 could not tell; 1 clock with nothing desired "
    "not asked\n";

TEST_F(CtlPlan, DriftByAnotherWriteIsPlannedPutRightAndUndoneClockByClock) {
    ASSERT_EQ(Write({"set", "127.0.0.3", "--brightness", "dim"}).exitCode, 0);
    const auto inLine = Ctl({"plan"});
    EXPECT_EQ(inLine.exitCode, 0) << inLine.out << inLine.err;
    EXPECT_EQ(inLine.out,
              "plan: 4 clocks, 4 in line, 0 drifted (0 settings), 0 could not tell; 1 clock with nothing "
              "desired not asked\n")
        << "Ward 4's own brightness wins over its group's";

    // Another program's writes: the drift.
    ASSERT_EQ(Write({"set", "127.0.0.2", "--time-zone", "UTC +8", "--time-server", "2=10.9.9.9"}).exitCode,
              0);
    ASSERT_EQ(Write({"set", "127.0.0.4", "--brightness", "Dim"}).exitCode, 0);
    const json driftedWard = Exported("127.0.0.2");
    const json driftedCorridor = Exported("127.0.0.4");
    const auto drift = Ctl({"plan"});
    EXPECT_EQ(drift.exitCode, 12) << drift.err;
    EXPECT_EQ(drift.out, kDriftPlan);
    const auto ward = Ctl({"plan", "--group", "Wards"});
    EXPECT_EQ(ward.exitCode, 12) << ward.err;
    EXPECT_EQ(ward.out.find("Corridor"), std::string::npos) << ward.out;
    EXPECT_NE(ward.out.find("plan: 2 clocks, 1 in line, 1 drifted (2 settings)"), std::string::npos)
        << ward.out;
    const auto corridor = Ctl({"plan", "127.0.0.5", "127.0.0.4", "127.0.0.7"});
    EXPECT_EQ(corridor.exitCode, 12) << corridor.err;
    EXPECT_NE(corridor.out.find("plan: 2 clocks, 1 in line, 1 drifted (1 setting), 0 could not tell; 1 clock "
                                "with nothing desired not asked"),
              std::string::npos)
        << corridor.out;

    const auto aligned = Write({"align", "--yes"});
    EXPECT_EQ(aligned.exitCode, 0) << aligned.out << aligned.err;
    EXPECT_EQ(aligned.out, std::string(kDriftPlan) +
                               "Ward 3 (127.0.0.2)  verified\n"
                               "Corridor A (127.0.0.4)  verified\n"
                               "align: 2 of 2 clocks put right and verified\n\nafter:\n"
                               "plan: 4 clocks, 4 in line, 0 drifted (0 settings), 0 could not tell; 1 clock "
                               "with nothing desired not asked\n");
    EXPECT_EQ(Ctl({"plan"}).exitCode, 0);
    json expected = driftedWard;
    expected["timeZoneEntry"] = "UTC +1";
    expected["timeServers"][1] = "192.168.1.11";
    EXPECT_EQ(Exported("127.0.0.2"), expected) << "only the settings that differed were written";

    // One record per clock written, each undone by restore: the drift is back, as it was.
    const json records = Records("align");
    ASSERT_EQ(records.size(), 2u) << records;
    EXPECT_EQ(records[0]["address"], "127.0.0.2");
    EXPECT_EQ(records[1]["address"], "127.0.0.4");
    EXPECT_EQ(records[1]["before"]["brightness"], "Dim");
    for (const char* clock : {"127.0.0.2", "127.0.0.4"}) {
        const auto restored = RunCtl(
            *sim, {"restore", clock, "--password-file", password.path(), "--password-store", store.path()},
            journalHome);
        EXPECT_EQ(restored.exitCode, 0) << restored.out << restored.err;
        EXPECT_NE(restored.out.find("what it held before the align of"), std::string::npos) << restored.out;
    }
    EXPECT_EQ(Exported("127.0.0.2"), driftedWard);
    EXPECT_EQ(Exported("127.0.0.4"), driftedCorridor);
    const auto again = Ctl({"plan"});
    EXPECT_EQ(again.exitCode, 12);
    EXPECT_EQ(again.out, kDriftPlan);
}

TEST_F(CtlPlan, PlanJsonListsEveryClockAskedWithItsState) {
    ASSERT_EQ(Write({"set", "127.0.0.5", "--time-zone", "UTC -3:30"}).exitCode, 0);
    const auto result = Ctl({"plan", "--json", "--group", "Corridors", "--group", "Wards"});
    EXPECT_EQ(result.exitCode, 12) << result.err;
    const json plan = json::parse(result.out);
    ASSERT_EQ(plan["clocks"].size(), 4u) << plan;
    EXPECT_EQ(plan["clocks"][0]["state"], "in line");
    EXPECT_EQ(plan["clocks"][0]["name"], "Ward 3");
    EXPECT_EQ(plan["clocks"][1]["state"], "drifted") << "Ward 4 is not yet dimmed";
    EXPECT_EQ(plan["clocks"][1]["drift"],
              json::parse(R"([{"setting": "brightness", "holds": "Normal", "should": "Dim"}])"));
    EXPECT_EQ(plan["clocks"][3]["address"], "127.0.0.5");
    EXPECT_EQ(plan["clocks"][3]["group"], "Corridors");
    EXPECT_EQ(plan["clocks"][3]["drift"][0],
              json::parse(R"({"setting": "time-zone", "holds": "UTC -3:30", "should": "UTC +1"})"));
    EXPECT_EQ(plan["clocks"][3]["refusal"], nullptr);
    EXPECT_EQ(plan["summary"], json::parse(R"({"clocks": 4, "inLine": 2, "drifted": 2, "settings": 2,
                                               "couldNotTell": 0, "notAsked": 0})"));
    // What scripts use parses it too.
    const auto python =
        RunProgram({"/usr/bin/python3", "-c",
                    "import json,sys; print(json.loads(sys.argv[1])['summary']['drifted'])", result.out});
    EXPECT_EQ(python.exitCode, 0) << python.err;
    EXPECT_EQ(python.out, "2\n");
}

// The desired settings are judged before any clock is asked: a refusal names the file and line,
// and nothing is sent (the journal stays empty, the clocks as they were).
TEST_F(CtlPlan, ARefusedDesiredFileIsExitOneWithFileAndLineAndNothingSent) {
    const json before = Exported("127.0.0.2");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"group,clock,setting,value\nWards,,time-zone,UTC +1\nWards,,brightness,Blinding\n", "line 3: "},
        {"group,clock,setting,value\nWards,,colour,red\n", "line 2: unknown setting \"colour\""},
        {"group,clock,setting,value\nWards,,brightness,Dim\nLabs,,brightness,Dim\n",
         "line 3: the group \"Labs\" has no clock in the fleet file"},
        {"group,clock,setting,value\n,127.0.0.9,brightness,Dim\n",
         "line 2: no clock 127.0.0.9 in the fleet file"},
        {"group,clock,setting,value\nWards,,brightness,Dim\nWards,,brightness,Normal\n",
         "line 3: brightness of "
         "group \"Wards\""},
    };
    for (const auto& [text, message] : refused) {
        const std::string file = site.Write("desired.csv", text);
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"plan"}, std::vector<std::string>{"align", "--yes"}}) {
            const auto result = command[0] == "plan" ? Ctl(command) : Write(command);
            EXPECT_EQ(result.exitCode, 1) << command[0] << "\n" << text;
            EXPECT_NE(result.err.find("the desired settings file " + file + ", " + message),
                      std::string::npos)
                << result.err;
            EXPECT_EQ(result.out, "");
        }
    }
    EXPECT_EQ(Records("align").size(), 0u);
    EXPECT_EQ(Exported("127.0.0.2"), before);

    // A file with no setting, and none at all, say where the settings are looked for.
    site.Write("desired.csv", "group,clock,setting,value\n");
    const auto empty = Ctl({"plan"});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.err.find("desired.csv gives no setting"), std::string::npos) << empty.err;
    std::filesystem::remove(site.File("desired.csv"));
    const auto none = Ctl({"plan"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("no desired settings: " + site.File("desired.csv").string() + " does not exist"),
              std::string::npos)
        << none.err;
    const auto named = Ctl({"plan", "--desired", site.File("missing.csv").string()});
    EXPECT_EQ(named.exitCode, 1);
    EXPECT_NE(named.err.find("missing.csv does not exist"), std::string::npos) << named.err;
}

// --desired names a file kept elsewhere; the clock's own value of a clock named by address.
TEST_F(CtlPlan, DesiredNamesAFileKeptElsewhere) {
    const TempFile other("group,clock,setting,value\n,127.0.0.6,time-format,12\n", "store.csv");
    const auto result = Ctl({"plan", "--desired", other.path()});
    EXPECT_EQ(result.exitCode, 12) << result.err;
    EXPECT_EQ(result.out,
              "Store (127.0.0.6)\n  time-format: \"24\" -> \"12\"\nplan: 1 clock, 0 in line, 1 drifted (1 "
              "setting), 0 could not tell; 4 clocks with nothing desired not asked\n");
}

// A drifted clock whose settings, put right, Modify's checks would refuse (an address the mask leaves
// a host part of all ones) is shown so, and left out of the write; the others are put right.
TEST_F(CtlPlan, AClockTheChecksWouldRefuseIsShownSoAndNotWritten) {
    const TempFile desired(
        "group,clock,setting,value\n,127.0.0.5,subnet-mask,255.255.255.252\n,127.0.0.3,brightness,Dim\n",
        "refused.csv");
    const std::string refused =
        "Corridor B (127.0.0.5)\n  subnet-mask: \"255.255.255.0\" -> \"255.255.255.252\"\n  cannot be put "
        "right: "
        "Modify's checks refuse it: Invalid Subnet Mask or Default Gateway,Please try again!\n";
    const auto plan = Ctl({"plan", "--desired", desired.path()});
    EXPECT_EQ(plan.exitCode, 12);
    EXPECT_NE(plan.out.find(refused), std::string::npos) << plan.out;

    const auto aligned = Write({"align", "--yes", "--desired", desired.path()});
    EXPECT_EQ(aligned.exitCode, 12) << aligned.err;
    EXPECT_NE(aligned.out.find(
                  "Ward 4 (127.0.0.3)  verified\nalign: 1 of 1 clocks put right and verified\n\nafter:\n" +
                  refused),
              std::string::npos)
        << aligned.out;
    const json records = Records("align");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["address"], "127.0.0.3");

    const auto again = Write({"align", "--yes", "--desired", desired.path()});
    EXPECT_EQ(again.exitCode, 12);
    EXPECT_NE(again.out.find("align: no drifted clock can be put right"), std::string::npos) << again.out;
    EXPECT_EQ(Records("align").size(), 1u);
}

// Writing asks first: without a terminal and without --yes nothing is sent; the password is
// checked before any write.
TEST_F(CtlPlan, AlignWithoutTerminalOrPasswordSendsNothing) {
    const json before = Exported("127.0.0.3");
    const auto unasked = Write({"align"});
    EXPECT_EQ(unasked.exitCode, 1) << unasked.out << unasked.err;
    EXPECT_NE(unasked.err.find("no terminal to ask whether to put the clocks right: give --yes"),
              std::string::npos)
        << unasked.err;
    EXPECT_NE(unasked.out.find("Ward 4 (127.0.0.3)\n  brightness: \"Normal\" -> \"Dim\"\n"),
              std::string::npos)
        << "the plan is shown first\n"
        << unasked.out;

    const TempFile wrong("wrong\n", "wrong");
    const auto denied =
        Ctl({"align", "--yes", "--password-file", wrong.path(), "--password-store", store.path()});
    EXPECT_EQ(denied.exitCode, 7) << denied.err;
    EXPECT_EQ(Exported("127.0.0.3"), before);
    EXPECT_EQ(Records("align").size(), 0u);

    // Nothing drifted: said so, and nothing asked.
    ASSERT_EQ(Write({"set", "127.0.0.3", "--brightness", "dim"}).exitCode, 0);
    const auto nothing = Write({"align"});
    EXPECT_EQ(nothing.exitCode, 0) << nothing.err;
    EXPECT_NE(nothing.out.find("align: nothing to put right\n"), std::string::npos) << nothing.out;
}

// On a terminal, align asks; only a yes writes.
TEST_F(CtlPlan, AlignAsksOnTheTerminal) {
    if (RunProgram({"/bin/sh", "-c", "command -v script"}).exitCode != 0)
        GTEST_SKIP() << "no script(1) to give the program a terminal";
    const auto typed = [&](const std::string& answer) {
        std::string line = "printf '" + answer + "\\n' | script -qec '";
        for (const std::string& arg : CtlCommand(*sim,
                                                 {"align", "--fleet", fleet, "--password-file",
                                                  password.path(), "--password-store", store.path()},
                                                 journalHome))
            line += "\"" + arg + "\" ";
        line += "; echo \"exit $?\"' /dev/null";
        return RunProgram({"/bin/sh", "-c", line});
    };
    const auto no = typed("n");
    EXPECT_NE(no.out.find("Put 1 clock right? [y/N]"), std::string::npos) << no.out << no.err;
    EXPECT_NE(no.out.find("align: nothing was sent"), std::string::npos) << no.out;
    EXPECT_NE(no.out.find("exit 12"), std::string::npos) << no.out;
    EXPECT_EQ(Records("align").size(), 0u);

    const auto yes = typed("Y");
    EXPECT_NE(yes.out.find("Ward 4 (127.0.0.3)  verified"), std::string::npos) << yes.out << yes.err;
    EXPECT_NE(yes.out.find("exit 0"), std::string::npos) << yes.out;
    EXPECT_EQ(Records("align").size(), 1u);
}

// Clocks that cannot tell what they hold are listed apart and never counted in line; a clock that
// does not take the write is reported and never counted put right.
class CtlPlanFaults : public CtlPlan {
  protected:
    std::vector<std::string> Faults() override {
        return {"--clocks", "7",
                "--fault",  "127.0.0.2:silent",
                "--fault",  "127.0.0.4:wrong-checksum=1000000",
                "--fault",  "127.0.0.3:ignore-writes"};
    }
};

TEST_F(CtlPlanFaults, SilentAndChecksumFailingClocksAreExitThirteenAndNeverInLine) {
    const auto result = Ctl({"plan"});
    EXPECT_EQ(result.exitCode, 13) << result.err;
    EXPECT_EQ(
        result.out,
        "Ward 4 (127.0.0.3)\n  brightness: \"Normal\" -> \"Dim\"\n"
        "could not tell:\n  Ward 3 (127.0.0.2)  no reply\n  Corridor A (127.0.0.4)  Error CheckSum\n"
        "plan: 4 clocks, 1 in line, 1 drifted (1 setting), 2 could not tell; 1 clock with nothing desired "
        "not asked\n");
    const json plan = json::parse(Ctl({"plan", "--json"}).out);
    EXPECT_EQ(plan["clocks"][0]["state"], "silent");
    EXPECT_EQ(plan["clocks"][2]["state"], "checksum error");
    EXPECT_EQ(plan["summary"]["inLine"], 1);

    const auto silentOnly = Ctl({"plan", "127.0.0.2"});
    EXPECT_EQ(silentOnly.exitCode, 13) << "a silent clock is never taken for one in line";
    EXPECT_EQ(Ctl({"plan", "127.0.0.5"}).exitCode, 0);
    const auto nothing = Write({"align", "--yes", "127.0.0.2", "127.0.0.5"});
    EXPECT_EQ(nothing.exitCode, 13) << "nothing to put right, and a clock that could not tell";
    EXPECT_NE(nothing.out.find("align: nothing to put right\n"), std::string::npos) << nothing.out;
}

TEST_F(CtlPlanFaults, AClockThatDoesNotTakeTheWriteIsNeverCountedPutRight) {
    ASSERT_EQ(Write({"set", "127.0.0.5", "--brightness", "Dim"}).exitCode, 0);
    const auto aligned = Write({"align", "--yes"});
    EXPECT_EQ(aligned.exitCode, 5) << "5 wins over the silent clock's 13\n" << aligned.out << aligned.err;
    EXPECT_NE(aligned.out.find("Ward 4 (127.0.0.3)  not verified: brightness: wrote \"Dim\", clock shows "
                               "\"Normal\"\nCorridor B (127.0.0.5)  verified\n"
                               "align: 1 of 2 clocks put right and verified\n"),
              std::string::npos)
        << aligned.out;
    EXPECT_NE(
        aligned.out.find("after:\nWard 4 (127.0.0.3)\n  brightness: \"Normal\" -> \"Dim\"\ncould not tell:"),
        std::string::npos)
        << aligned.out;
}

}  // namespace
}  // namespace horavane::test
