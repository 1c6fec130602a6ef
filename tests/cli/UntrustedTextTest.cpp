// Text no program of ours wrote reaches the operator only through the escaper of the medium it is
// shown in: each test goes in by one door (the command line, the fleet file, the journal, a clock,
// the simulator's state file) and reads what comes out as a terminal, a monitoring system or a
// spreadsheet would. The escapers themselves, and the lock file's holder text, are tested in-process
// (OutputTextTest).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/cli/CtlSupport.h"

namespace horavane::test {
namespace {

using nlohmann::json;

// A title-setting and a screen-clearing sequence, a carriage return that would overwrite the line, a
// plugin's separators, formulas, quotes and a line end; files that must be UTF-8 (JSON, and the fleet
// file) carry this, the command line a byte that is not UTF-8 as well.
const std::string kText = "\x1b]0;owned\x07\x1b[2J\r=cmd|' /C calc'!A0;\"x\";=2+3\nSync";
const std::string kHostile = kText + "\xff";
// How a terminal shows them.
const std::string kTextShown = R"(\x1b]0;owned\x07\x1b[2J\r=cmd|' /C calc'!A0;"x";=2+3\nSync)";
const std::string kShown = kTextShown + R"(\xff)";

// Nothing a terminal acts on: no control character but the line ends, no byte that is not UTF-8.
::testing::AssertionResult OnlyText(const std::string& said) {
    for (const char c : said) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n') || byte == 0x7f || byte == 0xff)
            return ::testing::AssertionFailure() << "byte " << int{byte} << " in: " << said;
    }
    return ::testing::AssertionSuccess();
}

// A value typed on the command line and echoed in the refusal, whichever parser refused it. (A
// value with a "/" or "-" is taken for a block: the paced search's own refusal needs one without.)
TEST(CtlUntrustedText, ACommandLineValueIsEchoedEscaped) {
    const std::string noBlock = "1\x1b[2J\r;=x\nSync\xff";
    const std::string noBlockShown = R"(1\x1b[2J\r;=x\nSync\xff)";
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"status", kHostile}, kShown},
        {{"search", kHostile}, kShown},
        {{"search", noBlock}, noBlockShown},
        {{"inventory", kHostile}, kShown},
        {{"restore", "127.0.0.2", "--at", kHostile}, kShown},
        {{"status", "127.0.0.2", "--own-address", kHostile}, kShown},
        {{"monitor", "127.0.0.2", "--interval", kHostile}, kShown},
        {{"set", "127.0.0.2", "--brightness", kHostile}, kShown},
        {{"status", "127.0.0.2", "--group", kHostile}, kShown}};
    for (const auto& [command, shown] : rows) {
        const auto result = RunCtlPlain(command);
        EXPECT_NE(result.exitCode, 0) << command[0];
        EXPECT_TRUE(OnlyText(result.out + result.err)) << command[0];
        EXPECT_NE(result.err.find(shown), std::string::npos) << command[0] << ": " << result.err;
    }
}

// check speaks to a monitoring system on one line: the value is escaped, its ";" and "|" too.
TEST(CtlUntrustedText, CheckEchoesACommandLineValueInItsLineEscaped) {
    for (const std::vector<std::string>& command : {std::vector<std::string>{"check", kHostile},
                                                    {"check", "127.0.0.2", "--own-address", kHostile},
                                                    {"check", "127.0.0.2", "--warn-unsynced", kHostile}}) {
        const auto result = RunCtlPlain(command);
        EXPECT_EQ(result.exitCode, 3) << command[1];
        EXPECT_TRUE(OnlyText(result.out)) << command[1];
        EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << result.out;
        EXPECT_EQ(result.out.find_first_of(";|"), std::string::npos) << result.out;
        EXPECT_NE(
            result.out.find(R"(\x1b]0\x3bowned\x07\x1b[2J\r=cmd\x7c' /C calc'!A0\x3b"x"\x3b=2+3\nSync\xff)"),
            std::string::npos)
            << result.out;
    }
}

// A fleet file's address field is quoted when the row is refused, by every command that reads it.
TEST(CtlUntrustedText, AFleetFilesRefusedAddressIsEchoedEscaped) {
    std::string quoted = kText;
    for (std::size_t at = quoted.find('"'); at != std::string::npos; at = quoted.find('"', at + 2))
        quoted.insert(at, 1, '"');
    const TempFile fleet("address,name,location,group\n\"" + quoted + "\",Hall,A,B\n", "fleet.csv");
    const auto status = RunCtlPlain({"status", "127.0.0.2", "--fleet", fleet.path()});
    EXPECT_EQ(status.exitCode, 1) << status.err;
    EXPECT_TRUE(OnlyText(status.err));
    EXPECT_NE(status.err.find(kTextShown), std::string::npos) << status.err;
    const auto check = RunCtlPlain({"check", "--fleet", fleet.path()});
    EXPECT_EQ(check.exitCode, 3);
    EXPECT_TRUE(OnlyText(check.out));
    EXPECT_EQ(check.out.find('|'), std::string::npos) << check.out;
    EXPECT_NE(check.out.find(R"(\x1b]0\x3bowned)"), std::string::npos) << check.out;
}

// restore's refusal of a journal record quotes what it cannot use.
TEST(CtlUntrustedText, RestoresRefusalOfAJournalRecordEchoesItEscaped) {
    TempFolder home;
    const std::filesystem::path folder = home.path() / "horavane";
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    std::ofstream(folder / "journal.jsonl")
        << R"({"time":"2026-12-07T10:11:12.345Z","user":"op","command":"set","address":"127.0.0.2",)"
        << R"("serialNumber":"HV","before":{)" << json(kText).dump() << R"(:"x"},"written":{}})"
        << "\n";
    const auto restore = RunCtlPlain({"restore", "127.0.0.2"}, home.path().string());
    EXPECT_EQ(restore.exitCode, 1) << restore.err;
    EXPECT_TRUE(OnlyText(restore.err));
    EXPECT_NE(restore.err.find(kTextShown), std::string::npos) << restore.err;
}

// The simulator quotes its state file when it refuses it.
TEST(CtlUntrustedText, TheSimulatorsRefusalOfItsStateFileIsEscaped) {
    const TempFile state(R"({"clocks": {"127.0.0.2": {)" + json(kText).dump() + ": 1}}}", "state.json");
    const SimProcess sim({"--clocks", "1", "--state-file", state.path()});
    ASSERT_FALSE(sim.started());
    EXPECT_TRUE(OnlyText(sim.Banner()));
    EXPECT_NE(sim.Banner().find(R"(\x1b]0;owned\x07\x1b[2J\r=cmd|)"), std::string::npos) << sim.Banner();
}

// A clock's serial number and a fleet file's name, shown by a terminal, a monitoring system, a
// spreadsheet and a JSON reader.
TEST(CtlUntrustedText, AClocksAndAFleetFilesTextsAreEscapedInEveryMedium) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    // A serial number holds 20 bytes.
    const std::string serial = "\x1b[2J\r=1;\"x\"|\n;=2+3";
    TempFile state(R"({"clocks": {"127.0.0.2": {"serialNumber": )" + json(serial).dump() + "}}}",
                   "state.json");
    const std::string shown = R"(\x1b[2J\r=1;"x"|\n;=2+3)";
    const TempFile fleet("address,name,location,group\n127.0.0.2,Hall,A,B\n127.0.0.4,\"=1+1,@2;-3\",A,B\n",
                         "fleet.csv");
    SimProcess sim({"--clocks", "3", "--state-file", state.path(), "--fault", "127.0.0.4:silent"});
    ASSERT_TRUE(sim.started()) << sim.Banner();

    const auto status = RunCtl(sim, {"status", "127.0.0.2"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_TRUE(OnlyText(status.out));
    EXPECT_NE(status.out.find(shown), std::string::npos) << status.out;

    const auto check = RunCtl(sim, {"check", "--fleet", fleet.path()});
    EXPECT_EQ(check.exitCode, 2) << check.out;
    EXPECT_TRUE(OnlyText(check.out));
    EXPECT_EQ(std::count(check.out.begin(), check.out.end(), '|'), 1) << "the performance data's own";
    EXPECT_NE(check.out.find(R"(silent: =1+1,@2\x3b-3 (127.0.0.4))"), std::string::npos) << check.out;

    const auto asJson = RunCtl(sim, {"inventory", "127.0.0.0/29", "--json", "--fleet", fleet.path()});
    ASSERT_EQ(asJson.exitCode, 0) << asJson.err;
    const json clocks = json::parse(asJson.out);
    EXPECT_EQ(clocks[0]["serialNumber"], serial) << "JSON carries it whole, escaped by JSON";

    const auto csv = RunCtl(sim, {"inventory", "127.0.0.0/29", "--csv", "--fleet", fleet.path()});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_TRUE(OnlyText(csv.out));
    // Read by Python's csv module with each separator a spreadsheet may pick: every row keeps its
    // fields, and no field starts a formula.
    for (const char* separator : {",", ";"}) {
        const auto read = RunProgram(
            {"/usr/bin/python3", "-c",
             "import "
             "csv,json,sys\nrows=list(csv.reader(sys.argv[1].splitlines(True),delimiter=sys.argv[2]))\n"
             "print(json.dumps(rows))",
             csv.out, separator});
        ASSERT_EQ(read.exitCode, 0) << read.err;
        const json rows = json::parse(read.out);
        ASSERT_EQ(rows.size(), 4u) << separator << " " << read.out;
        if (std::string(separator) == ",") {
            const auto column = std::find(rows[0].begin(), rows[0].end(), "serialNumber") - rows[0].begin();
            EXPECT_EQ(rows[1][static_cast<std::size_t>(column)], R"(\x1b[2J\r=1;'"x"|\n;'=2+3)");
        }
        for (const json& row : rows) {
            if (std::string(separator) == ",") {
                EXPECT_EQ(row.size(), rows[0].size()) << row;
            }
            for (const json& field : row)
                EXPECT_NE(field.get<std::string>().find_first_of("=+-@\t\r"), 0u)
                    << separator << " " << field;
        }
    }
}

}  // namespace
}  // namespace horavane::test
