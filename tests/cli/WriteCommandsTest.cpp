#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>

#include "access/PasswordStore.h"
#include "tests/cli/CtlSupport.h"

namespace horavane::test {
namespace {

using nlohmann::json;

// Every writing test has a simulator, a password store and a journal of its own; with no file in
// the store, the default password holds. Clocks .2, .7 and .8 take writes; the others each have
// one fault.
class CtlWrite : public ::testing::Test {
  protected:
    void SetUp() override {
        HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
        sim.emplace(std::vector<std::string>{"--clocks", "7", "--fault", "127.0.0.3:ignore-writes", "--fault",
                                             "127.0.0.4:silent", "--fault", "127.0.0.5:wrong-checksum=6",
                                             "--fault", "127.0.0.6:wrong-checksum=3"});
        ASSERT_TRUE(sim->started()) << sim->Banner();
    }

    // `command` (set or apply) with its arguments, and a password file, the default one unless given.
    ProcessResult Write(std::vector<std::string> args, const std::string& passwordFile = "") {
        args.insert(args.end(),
                    {"--password-file", passwordFile.empty() ? defaultPassword.path() : passwordFile,
                     "--password-store", store.path()});
        return RunCtl(*sim, args, journalHome);
    }
    ProcessResult Set(const std::string& clock, std::vector<std::string> settings,
                      const std::string& passwordFile = "") {
        settings.insert(settings.begin(), {"set", clock});
        return Write(settings, passwordFile);
    }
    json Status(const std::string& clock) {
        const auto result = RunCtl(*sim, {"status", clock, "--json"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.exitCode == 0 ? json::parse(result.out) : json();
    }

    std::optional<SimProcess> sim;  // none under Wine, where the tests skip
    TempFile defaultPassword{"QXNdarvelint\r\n", "password"};
    TempFile store{"", "ZOR.dat"};
    const TempFolder journal;
    std::string journalHome = journal.path().string();
};

TEST_F(CtlWrite, SetChangesExactlyTheGivenFieldsAndVerifies) {
    json expected = Status("127.0.0.2");
    const auto result = Set("127.0.0.2", {"--time-zone", "utc -3:30", "--dst", "off", "--time-server",
                                          "3=10.1.2.3", "--time-server", "1=", "--energy-saving", "0-0",
                                          "--brightness", "dim", "--time-format", "12"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    expected["timeZone"] = "GMT -3:30";
    expected["timeZoneEntry"] = "UTC -3:30";
    expected["daylightSaving"] = false;
    expected["dstStart"] =
        expected["dstEnd"] = {{"hour", nullptr}, {"week", nullptr}, {"day", nullptr}, {"month", nullptr}};
    expected["timeServers"][0] = "";
    expected["timeServers"][2] = "10.1.2.3";
    expected["energySavingFrom"] = expected["energySavingTo"] = "0";
    expected["brightness"] = "Dim";
    expected["timeFormat"] = "12";
    EXPECT_EQ(Status("127.0.0.2"), expected);

    // A daylight-saving rule and the switch to dynamic addressing, read back as written.
    ASSERT_EQ(Set("127.0.0.2", {"--dst", "2,Second,Sun,Mar-3,Last,Sun,Oct", "--ip-mode", "dynamic"}).exitCode,
              0);
    const json after = Status("127.0.0.2");
    EXPECT_EQ(after["dstStart"], json({{"hour", "2"}, {"week", "Second"}, {"day", "Sun"}, {"month", "Mar"}}));
    EXPECT_EQ(after["dstEnd"], json({{"hour", "3"}, {"week", "Last"}, {"day", "Sun"}, {"month", "Oct"}}));
    EXPECT_EQ(after["ipMode"], "Dynamic IP");
    EXPECT_EQ(after["ipAddress"], expected["ipAddress"]);
}

// Which changes the checks refuse, and with which message, the window logic's tests show; here how
// a refusal reaches the operator. The time zone rides along: had anything been sent, the clock
// would show it.
TEST_F(CtlWrite, SetARefusalOfTheChecksExitsTwoWithItsMessageAndSendsNothing) {
    const json before = Status("127.0.0.2");
    const auto result = Set("127.0.0.2", {"--dns-server", "224.0.0.1", "--time-zone", "UTC +14"});
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.err.find("ERROR: 224 is not a valid entry. Please specify a value between 1 and 223."),
              std::string::npos)
        << result.err;
    EXPECT_EQ(Status("127.0.0.2"), before);
}

// Which fields the verification names, apply's report of a mixed fleet shows.
TEST_F(CtlWrite, SetToAClockThatIgnoresItIsExitFiveUnlessUnverifiedAndToASilentOneExitThree) {
    const auto ignored = Set("127.0.0.3", {"--time-zone", "UTC +8"});
    EXPECT_EQ(ignored.exitCode, 5);
    EXPECT_NE(ignored.err.find("timeZoneEntry: wrote \"UTC +8\", clock shows \"UTC +1\""), std::string::npos)
        << ignored.err;

    const auto unverified = Set("127.0.0.3", {"--time-zone", "UTC +8", "--no-verify"});
    EXPECT_EQ(unverified.exitCode, 0) << unverified.err;
    EXPECT_EQ(Set("127.0.0.4", {"--time-zone", "UTC +8"}).exitCode, 3) << "silent";
}

// Which texts the options take, and how a wrong one is named, SetOptionsTest shows; here that it
// reaches the operator with exit 1.
TEST_F(CtlWrite, SetOfAnUnknownOrMalformedSettingIsExitOneNamingIt) {
    const auto result = Set("127.0.0.2", {"--dst", "2,Sixth,Sun,Mar-3,Last,Sun,Oct"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("\"Fifth\""), std::string::npos) << result.err;
}

TEST_F(CtlWrite, SetWrongOrMissingPasswordWritesNothing) {
    const json before = Status("127.0.0.2");
    const TempFolder folder;
    TempFile wrong("QXNdarvelint \n", "wrong");  // a trailing blank counts
    // A password line is short: a file without one within a few KiB is refused, even an endless one.
    TempFile tooLong(std::string(5000, 'x'), "long");
    const std::string directory = folder.path().string();
    // {password file, store, message}; a store that exists but cannot be read closes the lock.
    const std::vector<std::tuple<std::string, std::string, std::string>> refusals = {
        {wrong.path(), store.path(), "Passwod Error"},
        {"/nonexistent/password", store.path(), "cannot read the password file"},
        {directory, store.path(), "cannot read the password file"},
        {tooLong.path(), store.path(), "no line end within"},
        {"/dev/zero", store.path(), "no line end within"},
        {defaultPassword.path(), directory, "password file " + directory + " cannot be read"},
    };
    for (const auto& [file, storePath, message] : refusals) {
        const auto result = RunCtl(*sim, {"set", "127.0.0.2", "--time-zone", "UTC +8", "--password-file",
                                          file, "--password-store", storePath});
        EXPECT_EQ(result.exitCode, 7) << file << " " << storePath;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
    EXPECT_EQ(Status("127.0.0.2"), before);

    // Once a password of its own is stored, the default one no longer opens the lock.
    ASSERT_TRUE(PasswordStore(store.path()).WritePasswordFile("s3cret"));
    EXPECT_EQ(Set("127.0.0.2", {"--time-zone", "UTC +8"}).exitCode, 7);
    EXPECT_EQ(Status("127.0.0.2"), before);
    // From a pipe, as a password manager hands it over: `--password-file <(secret-tool lookup ...)`.
    const auto piped = RunProgram(
        {"/bin/bash", "-c", "exec \"$0\" \"$@\" --password-file <(printf 's3cret\\n')", HORAVANECTL_PATH,
         "set", "127.0.0.2", "--time-zone", "UTC +8", "--password-store", store.path(), "--port",
         std::to_string(sim->port()), "--wait", "0.15", "--own-address", "127.0.0.1"});
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
}

TEST_F(CtlWrite, ApplyOfExportedSettingsToManyClocksKeepsTheirOwnAddresses) {
    ASSERT_EQ(Set("127.0.0.2", {"--time-zone", "UTC +5:30", "--dst", "off", "--ip-address", "192.168.1.50"})
                  .exitCode,
              0);
    const auto exported = RunCtl(*sim, {"export", "127.0.0.2"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const json settings = json::parse(exported.out);
    EXPECT_FALSE(settings.contains("serialNumber")) << "only what a write carries";
    TempFile file(exported.out, "fleet.json");

    const auto result = Write({"apply", file.path(), "127.0.0.7", "127.0.0.8"});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out, "127.0.0.7  verified\n127.0.0.8  verified\napply: 2 of 2 clocks verified\n");
    const json last = Status("127.0.0.8");
    EXPECT_EQ(last["timeZoneEntry"], "UTC +5:30");
    EXPECT_EQ(last["daylightSaving"], false);
    EXPECT_EQ(last["ipAddress"], "192.168.1.106") << "one clock's address is never copied onto many";
    EXPECT_EQ(last["serialNumber"], "HV-2026-1007");

    // A single clock does take the address of the file.
    EXPECT_EQ(Write({"apply", file.path(), "127.0.0.7"}).exitCode, 0);
    EXPECT_EQ(Status("127.0.0.7")["ipAddress"], "192.168.1.50");
}

TEST_F(CtlWrite, ApplyWritesNothingItCannotReadCheckOrUnlock) {
    const json before = Status("127.0.0.2");
    TempFile refused(R"({"timeZoneEntry": "UTC +8", "energySavingFrom": "7", "energySavingTo": "7"})",
                     "refused.json");
    const auto checks = Write({"apply", refused.path(), "127.0.0.2", "127.0.0.7"});
    EXPECT_EQ(checks.exitCode, 5);
    EXPECT_NE(checks.out.find("127.0.0.2  refused: Two value not the same."), std::string::npos)
        << checks.out;

    // Which keys and values a settings file may hold, SettingsFileTest shows; here that a refused
    // file reaches the operator with exit 1.
    for (const char* bad : {R"({"colour": 1})", "not json"}) {
        TempFile file(bad, "bad.json");
        const auto result = Write({"apply", file.path(), "127.0.0.2"});
        EXPECT_EQ(result.exitCode, 1) << bad;
        EXPECT_FALSE(result.err.empty()) << bad;
    }

    const TempFolder folder;
    const auto unreadable = Write({"apply", folder.path().string(), "127.0.0.2"});
    EXPECT_EQ(unreadable.exitCode, 1) << unreadable.err;
    EXPECT_NE(unreadable.err.find("cannot read the settings file"), std::string::npos) << unreadable.err;

    TempFile good(R"({"timeZoneEntry": "UTC +8"})", "good.json");
    TempFile wrong("qxndarvelint\n", "wrong");
    const auto denied = Write({"apply", good.path(), "127.0.0.2"}, wrong.path());
    EXPECT_EQ(denied.exitCode, 7);
    EXPECT_NE(denied.err.find("Passwod Error"), std::string::npos);
    EXPECT_EQ(Status("127.0.0.2"), before);
}

// Each clock of a mixed fleet has its line; what a clock took the export test reads back.
TEST_F(CtlWrite, ApplyReportsEachClockOfAMixedFleetOnALineOfItsOwn) {
    TempFile settings(R"({"timeZoneEntry": "UTC +8", "brightness": "Dim"})", "settings.json");
    const auto result =
        Write({"apply", settings.path(), "127.0.0.6", "127.0.0.5", "127.0.0.4", "127.0.0.3", "127.0.0.2"});
    EXPECT_EQ(result.exitCode, 5) << result.out << result.err;
    EXPECT_EQ(
        result.out,
        "127.0.0.2  verified\n"
        "127.0.0.3  not verified: timeZoneEntry: wrote \"UTC +8\", clock shows \"UTC +1\"; brightness: wrote "
        "\"Dim\", clock shows \"Normal\"\n"
        "127.0.0.4  no reply\n"
        "127.0.0.5  Error CheckSum\n"
        "127.0.0.6  verified\n"
        "apply: 2 of 5 clocks verified\n");
}

// The journal's records, restore's choice among them and the refusals are tested in-process; here
// the commands meet them: what set replaced, history, and restore bringing it back.
TEST_F(CtlWrite, HistoryShowsWhatASetReplacedAndRestoreBringsItBack) {
    auto shown = [&](const char* clock) { return json::parse(RunCtl(*sim, {"export", clock}).out); };
    const json firstHeld = shown("127.0.0.2");
    ASSERT_EQ(Set("127.0.0.2", {"--time-zone", "UTC +8"}).exitCode, 0);

    const json records = json::parse(RunCtlPlain({"history", "--json"}, journalHome).out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["before"], firstHeld);
    EXPECT_EQ(records[0]["written"]["timeZoneEntry"], "UTC +8");
    EXPECT_EQ(records[0]["command"], "set");

    const auto back = Write({"restore", "127.0.0.2"});
    EXPECT_EQ(back.exitCode, 0) << back.out << back.err;
    EXPECT_EQ(back.out.rfind("127.0.0.2  verified\n", 0), 0u) << back.out;
    EXPECT_EQ(shown("127.0.0.2"), firstHeld);
    EXPECT_NE(RunCtlPlain({"history", "127.0.0.2"}, journalHome)
                  .out.find("restore  timeZoneEntry \"UTC +8\" -> \"UTC +1\""),
              std::string::npos);
}

#ifndef _WIN32
// A journal that is there but cannot be read is no empty journal: history and restore stop with
// exit 8 and the reason, at once, before any password is asked or anything is sent. A damaged line
// among good ones is counted, and the good ones are listed with a clock's text made visible. (What
// the journal refuses and which lines it skips, its own tests show.)
TEST(CtlJournal, UnreadableJournalIsExitEightAndADamagedLineIsCounted) {
    TempFolder home;
    const std::filesystem::path folder = home.path() / "horavane";
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    const std::string journal = (folder / "journal.jsonl").string();
    std::filesystem::create_directory(journal);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"history"}, std::vector<std::string>{"restore", "127.0.0.2"}}) {
        const auto result = RunCtlPlain(command, home.path().string());
        EXPECT_EQ(result.exitCode, 8) << command[0] << ": " << result.err;
        EXPECT_NE(result.err.find("not a regular file"), std::string::npos) << result.err;
    }
    std::filesystem::remove(journal);
    std::ofstream(journal) << R"({"time":"2026-12-07T10:11:12.345Z","user":"op","command":"set",)"
                           << R"("address":"127.0.0.2","serialNumber":"\u202eHV","before":{},"written":{}})"
                           << "\n{\"time\n";
    const auto history = RunCtlPlain({"history"}, home.path().string());
    EXPECT_EQ(history.exitCode, 0) << history.err;
    EXPECT_NE(history.out.find("127.0.0.2  \\u202eHV  op  set"), std::string::npos) << history.out;
    EXPECT_NE(history.err.find("1 damaged line(s)"), std::string::npos) << history.err;
}
#endif

}  // namespace
}  // namespace horavane::test
