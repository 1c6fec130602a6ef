// The journal of writes on real files in a folder of the test's own: what an append that fails
// leaves, what a damaged or hostile line does to a reading, what the journal refuses, how it
// rotates, and restore's choice of record.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include <fstream>
#include <sstream>

#include "fleet/FleetWrite.h"
#include "fleet/WriteJournal.h"
#include "platform/DurableFile.h"
#include "sim/ClockBehaviour.h"
#include "tests/common/FakeNetwork.h"
#include "tests/common/TempFolder.h"
#include "tests/common/TestSupport.h"

namespace horavane::test {
namespace {

JournalRecord Record(const std::string& time, const std::string& address, int before) {
    return JournalRecord{time,
                         "op",
                         "set",
                         address,
                         "SN-" + std::to_string(before),
                         Json{{"brightness", before}},
                         Json{{"brightness", before + 1}}};
}

std::vector<std::string> Times(const WriteJournal& journal, int& damaged, bool& read) {
    std::vector<std::string> times;
    std::string error;
    read = journal.ForEach(
        std::nullopt, [&](JournalRecord&& r) { times.push_back(r.time); }, damaged, error);
    return times;
}

// ---- Reading -----------------------------------------------------------------------------------

struct LineRow {
    const char* name;
    std::string line;
    int damaged;
    std::size_t records = 2;  // those around it, and itself when it is one
};

class JournalLines : public testing::TestWithParam<LineRow> {};

// Whatever one line holds, the records around it are read and the line is at most counted.
TEST_P(JournalLines, AreSkippedAndCountedNeverACrash) {
    TempFolder folder;
    const WriteJournal journal(folder.File("journal.jsonl"));
    std::ofstream(journal.file(), std::ios::binary)
        << JournalLine(Record("2026-01-01T00:00:00.000Z", "127.0.0.2", 1)) << GetParam().line << "\n"
        << JournalLine(Record("2026-01-02T00:00:00.000Z", "127.0.0.2", 2));
    int damaged = 0;
    bool read = false;
    const auto times = Times(journal, damaged, read);
    EXPECT_EQ(times.size(), GetParam().records);
    EXPECT_EQ(times.front(), "2026-01-01T00:00:00.000Z");
    EXPECT_EQ(times.back(), "2026-01-02T00:00:00.000Z");
    EXPECT_TRUE(read);
    EXPECT_EQ(damaged, GetParam().damaged);
}

// A program killed while appending leaves a line without its end: the next record starts a line of
// its own instead of being glued to the torn one and lost with it.
TEST(Journal, AnAppendAfterATornLineStartsALineOfItsOwn) {
    TempFolder folder;
    const WriteJournal journal(folder.File("journal.jsonl"));
    std::ofstream(journal.file(), std::ios::binary) << R"({"time": "2026-01-01T00:00)";
    std::string error;
    ASSERT_TRUE(journal.Append(JournalLine(Record("2026-01-02T00:00:00.000Z", "127.0.0.2", 2)), error))
        << error;
    int damaged = 0;
    bool read = false;
    EXPECT_EQ(Times(journal, damaged, read), std::vector<std::string>{"2026-01-02T00:00:00.000Z"});
    EXPECT_EQ(damaged, 1);
}

std::string Nested(int depth) {
    return std::string(static_cast<std::size_t>(depth), '[') +
           std::string(static_cast<std::size_t>(depth), ']');
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JournalLines,
    testing::Values(LineRow{"Blank", "", 0}, LineRow{"Spaces", "  \t\r", 0},
                    LineRow{"Torn", R"({"time": "2026-01-01T00:00)", 1}, LineRow{"NotARecord", "[1, 2]", 1},
                    LineRow{"NestedDeep", Nested(100000), 1},
                    LineRow{"RecordHoldingADeepValue",
                            R"({"time": "t", "user": "u", "command": "set", "address": "127.0.0.2", )"
                            R"("serialNumber": "s", "written": {}, "before": {"a": )" +
                                Nested(100000) + "}}",
                            1},
                    LineRow{"DeepInsideARecord",
                            R"({"time": "t", "user": "u", "command": "set", "address": )"
                            R"("127.0.0.2", "serialNumber": "s", "before": {"a": [[1]]}, )"
                            R"("written": {}})",
                            1},
                    LineRow{"BracketsInAStringAreText",
                            R"({"time": "2026-01-01T12:00:00.000Z", "user": "[[[[[[", "command": "set", )"
                            R"("address": "127.0.0.3", "serialNumber": "\"{{{{{", "before": {"timeServers": )"
                            R"(["1.2.3.4"]}, "written": {}})",
                            0, 3},
                    LineRow{"AboveASaneSize", std::string(WriteJournal::kLongestLine + 10, 'x'), 1}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Journal, ReadsEveryGenerationOldestFirstAndDropsTheOldestBeyondThree) {
    TempFolder folder;
    const JournalRecord one = Record("2026-01-01T00:00:00.000Z", "127.0.0.2", 0);
    const std::size_t lineSize = JournalLine(one).size();
    // Two records to a file: the third would pass the size.
    const WriteJournal journal(folder.File("journal.jsonl"), 2 * lineSize + lineSize / 2);
    std::string error;
    for (int i = 0; i < 11; ++i) {
        const std::string time =
            "2026-01-" + std::string(i < 9 ? "0" : "") + std::to_string(i + 1) + "T00:00:00.000Z";
        ASSERT_TRUE(journal.Append(JournalLine(Record(time, "127.0.0.2", i)), error)) << error;
    }
    for (const char* name : {"journal.1.jsonl", "journal.2.jsonl", "journal.3.jsonl"})
        EXPECT_TRUE(std::filesystem::exists(folder.File(name))) << name;
    EXPECT_FALSE(std::filesystem::exists(folder.File("journal.4.jsonl")));
    int damaged = 0;
    bool read = false;
    const auto times = Times(journal, damaged, read);
    ASSERT_EQ(times.size(), 7u) << "three full generations and the one in use";
    EXPECT_EQ(times.front(), "2026-01-05T00:00:00.000Z");
    EXPECT_EQ(times.back(), "2026-01-11T00:00:00.000Z");
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
}

// ---- Restore's choice --------------------------------------------------------------------------

struct ChoiceRow {
    const char* name;
    std::optional<std::string> at;
    int chosen;  // the record's "before" brightness; -1 for none
};

class RestoreChoices : public testing::TestWithParam<ChoiceRow> {};

TEST_P(RestoreChoices, TakeTheRecordWhoseBeforeTheClockHeldThen) {
    // Two records in the same millisecond keep the journal's order.
    const std::vector<JournalRecord> records = {Record("2026-03-01T10:00:00.000Z", "127.0.0.2", 1),
                                                Record("2026-03-02T10:00:00.000Z", "127.0.0.2", 2),
                                                Record("2026-03-02T10:00:00.000Z", "127.0.0.2", 3),
                                                Record("2026-03-03T10:00:00.000Z", "127.0.0.2", 4)};
    RestoreChoice choice(GetParam().at);
    for (JournalRecord record : records) choice.Offer(std::move(record));
    EXPECT_EQ(choice.chosen() ? choice.chosen()->before["brightness"].get<int>() : -1, GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(Rows, RestoreChoices,
                         testing::Values(ChoiceRow{"LatestWithoutATime", std::nullopt, 4},
                                         ChoiceRow{"BeforeEveryWrite", "2026-02-01T00:00:00.000Z", 1},
                                         ChoiceRow{"BetweenWrites", "2026-03-01T12:00:00.000Z", 2},
                                         ChoiceRow{"AtARecordsExactTimeItWasMade", "2026-03-01T10:00:00.000Z",
                                                   2},
                                         ChoiceRow{"AtATieBothWereMade", "2026-03-02T10:00:00.000Z", 4},
                                         ChoiceRow{"AfterTheLastNothing", "2026-04-01T00:00:00.000Z", -1}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(JournalTime, TakesTheFormsAnOperatorTypesAndRefusesImpossibleOnes) {
    EXPECT_EQ(ParseJournalTime("2026-12-07"), "2026-12-07T00:00:00.000Z");
    EXPECT_EQ(ParseJournalTime("2026-12-07 10:11"), "2026-12-07T10:11:00.000Z");
    EXPECT_EQ(ParseJournalTime("2026-12-07T10:11:12.5Z"), "2026-12-07T10:11:12.500Z");
    EXPECT_EQ(ParseJournalTime("2026-12-07T23:59:59.999Z"), "2026-12-07T23:59:59.999Z");
    EXPECT_EQ(ParseJournalTime("2024-02-29"), "2024-02-29T00:00:00.000Z");
    EXPECT_EQ(ParseJournalTime("2000-02-29"), "2000-02-29T00:00:00.000Z");
    EXPECT_EQ(ParseJournalTime("2026-12-31"), "2026-12-31T00:00:00.000Z");
    EXPECT_EQ(ParseJournalTime("2026-04-30"), "2026-04-30T00:00:00.000Z");
    for (const char* bad :
         {"2026-12-07T24:00", "2026-13-01", "2026-12-00", "2026-12-07T10:60", "2026-12-07T10:11:12.1234",
          "07.12.2026", "", "2026-02-30", "2026-04-31", "2025-02-29", "1900-02-29", "2026-06-31",
          "2026-09-31", "2026-11-31", "2026-12-32", "2026-01-32", "2026-00-10"})
        EXPECT_EQ(ParseJournalTime(bad), std::nullopt) << bad;
}

// ---- Refusals and failures (POSIX file kinds and modes) ----------------------------------------

#ifndef _WIN32

std::string Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// The batch that could not be written whole leaves no trace: the file holds the bytes it held, the
// reading shows the records it showed, and restore still chooses the last write that happened.
TEST(Journal, AppendThatFailsHalfwayLeavesTheJournalAsItWas) {
    TempFolder folder;
    const WriteJournal journal(folder.File("journal.jsonl"));
    std::string error;
    ASSERT_TRUE(journal.Append(JournalLine(Record("2026-05-01T00:00:00.000Z", "127.0.0.2", 1)) +
                                   JournalLine(Record("2026-05-02T00:00:00.000Z", "127.0.0.2", 2)),
                               error));
    const std::string before = Bytes(journal.file());

    // The disk fills a few bytes into the batch: the file may grow no further.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit full = saved;
    full.rlim_cur = before.size() + 40;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    const bool appended = journal.Append(JournalLine(Record("2026-05-03T00:00:00.000Z", "127.0.0.2", 3)) +
                                             JournalLine(Record("2026-05-03T00:00:00.000Z", "127.0.0.3", 4)),
                                         error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(appended);
    EXPECT_NE(error.find("cannot be written"), std::string::npos) << error;
    EXPECT_EQ(Bytes(journal.file()), before);
    int damaged = 0;
    bool read = false;
    EXPECT_EQ(Times(journal, damaged, read),
              (std::vector<std::string>{"2026-05-01T00:00:00.000Z", "2026-05-02T00:00:00.000Z"}));
    EXPECT_EQ(damaged, 0);
    RestoreChoice choice(std::nullopt);
    ASSERT_TRUE(journal.ForEach(
        Ip(127, 0, 0, 2), [&](JournalRecord&& r) { choice.Offer(std::move(r)); }, damaged, error));
    ASSERT_TRUE(choice.chosen());
    EXPECT_EQ(choice.chosen()->time, "2026-05-02T00:00:00.000Z");
}

// A FIFO or a folder in the journal's place, or a folder others may write to, is refused at once
// by the append and by the reading alike, and never waited on.
TEST(Journal, RefusesWhatIsNoRegularFileAndAFolderOthersMayWriteTo) {
    TempFolder folder;
    const auto refusedBoth = [](const WriteJournal& journal, const std::string& reason) {
        std::string error;
        EXPECT_FALSE(journal.Append(JournalLine(Record("2026-06-01T00:00:00.000Z", "127.0.0.2", 1)), error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        int damaged = 0;
        error.clear();
        EXPECT_FALSE(journal.ForEach(
            std::nullopt, [](JournalRecord&&) {}, damaged, error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    };
    ASSERT_EQ(::mkfifo(folder.File("fifo.jsonl").c_str(), 0600), 0);
    refusedBoth(WriteJournal(folder.File("fifo.jsonl")), "not a regular file");
    std::filesystem::create_directory(folder.File("folder.jsonl"));
    refusedBoth(WriteJournal(folder.File("folder.jsonl")), "not a regular file");

    std::filesystem::create_directory(folder.File("shared"));
    ::chmod(folder.File("shared").c_str(), 0777);
    refusedBoth(WriteJournal(folder.File("shared") / "journal.jsonl"),
                "may be written by others (mode 0777)");
    ::chmod(folder.File("shared").c_str(), 0720);
    refusedBoth(WriteJournal(folder.File("shared") / "journal.jsonl"), "chmod go-w");
}

// A journal file others may write to, or one of another user, or a folder of another user, is
// neither read nor written: whoever could change it could make restore write their settings.
TEST(Journal, AFileOrFolderNotTheUsersOwnIsRefusedByAppendAndReadAlike) {
    TempFolder folder;
    const auto refusedBoth = [](const WriteJournal& journal, const std::string& reason) {
        const std::string before = Bytes(journal.file());
        std::string error;
        EXPECT_FALSE(journal.Append(JournalLine(Record("2026-06-01T00:00:00.000Z", "127.0.0.2", 1)), error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_EQ(Bytes(journal.file()), before);
        int damaged = 0;
        error.clear();
        EXPECT_FALSE(journal.ForEach(
            std::nullopt, [](JournalRecord&&) {}, damaged, error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    };
    const WriteJournal journal(folder.File("journal.jsonl"));
    std::string error;
    ASSERT_TRUE(journal.Append(JournalLine(Record("2026-05-01T00:00:00.000Z", "127.0.0.2", 1)), error))
        << error;
    ::chmod(journal.file().c_str(), 0666);
    refusedBoth(journal, "may be written by others (mode 0666)");
    ::chmod(journal.file().c_str(), 0620);
    refusedBoth(journal, "chmod go-w");
    ::chmod(journal.file().c_str(), 0600);
    // An older generation is read as well, and judged as well.
    const auto older = folder.File("journal.1.jsonl");
    std::filesystem::copy_file(journal.file(), older);
    ::chmod(older.c_str(), 0644);
    int damaged = 0;
    EXPECT_TRUE(journal.ForEach(
        std::nullopt, [](JournalRecord&&) {}, damaged, error))
        << error;
    ::chmod(older.c_str(), 0646);
    EXPECT_FALSE(journal.ForEach(
        std::nullopt, [](JournalRecord&&) {}, damaged, error));
    std::filesystem::remove(older);

    if (::geteuid() != 0) GTEST_SKIP() << "files of another user need root to make";
    constexpr uid_t kNobody = 65534;
    ASSERT_EQ(::chown(journal.file().c_str(), kNobody, kNobody), 0);
    refusedBoth(journal, "belongs to another user (uid 65534)");
    ASSERT_EQ(::chown(journal.file().c_str(), 0, 0), 0);
    std::filesystem::create_directory(folder.File("theirs"));
    ::chmod(folder.File("theirs").c_str(), 0755);
    ASSERT_EQ(::chown(folder.File("theirs").c_str(), kNobody, kNobody), 0);
    refusedBoth(WriteJournal(folder.File("theirs") / "journal.jsonl"), "belongs to another user");
}

// The first record of a new journal is on the disk only with the folder's entry of the file: when
// that flush fails, the append fails, and the file holds no record of a write that will not be sent.
TEST(Journal, ANewJournalWhoseFolderFlushFailsHoldsNoRecord) {
    TempFolder folder;
    const auto file = folder.File("journal.jsonl");
    std::string error;
    const FolderFlush failing = [](const std::filesystem::path&, std::string& why) {
        why = "fsync of the folder: input/output error";
        return false;
    };
    EXPECT_FALSE(AppendLinesDurably(file, JournalLine(Record("2026-05-01T00:00:00.000Z", "127.0.0.2", 1)),
                                    error, nullptr, failing));
    EXPECT_NE(error.find("input/output error"), std::string::npos) << error;
    EXPECT_EQ(Bytes(file), "");
    const auto contents = WriteJournal(file).Read(std::nullopt, error);
    ASSERT_TRUE(contents) << error;
    EXPECT_TRUE(contents->records.empty());
    // An existing file's name is on the disk already: its folder is not flushed again.
    EXPECT_TRUE(AppendLinesDurably(file, JournalLine(Record("2026-05-02T00:00:00.000Z", "127.0.0.2", 2)),
                                   error, nullptr, failing))
        << error;
}

// What was appended is taken back whole, at the end of the file or between later lines, which stay;
// lines that are no longer where they were written are never touched.
TEST(Journal, WithdrawnRecordsAreGoneAndLaterOnesStay) {
    TempFolder folder;
    const WriteJournal journal(folder.File("journal.jsonl"));
    std::string error;
    AppendedLines first;
    AppendedLines second;
    ASSERT_TRUE(journal.Append(JournalLine(Record("2026-05-01T00:00:00.000Z", "127.0.0.2", 1)), error));
    ASSERT_TRUE(
        journal.Append(JournalLine(Record("2026-05-02T00:00:00.000Z", "127.0.0.2", 2)), error, &first));
    ASSERT_TRUE(
        journal.Append(JournalLine(Record("2026-05-03T00:00:00.000Z", "127.0.0.2", 3)), error, &second));
    ASSERT_TRUE(journal.Withdraw(first, error)) << error;
    int damaged = 0;
    bool read = false;
    EXPECT_EQ(Times(journal, damaged, read),
              (std::vector<std::string>{"2026-05-01T00:00:00.000Z", "2026-05-03T00:00:00.000Z"}));
    EXPECT_EQ(damaged, 0);
    const auto size = std::filesystem::file_size(journal.file());
    ASSERT_TRUE(journal.Withdraw(second, error)) << error;
    EXPECT_EQ(std::filesystem::file_size(journal.file()), size - second.lines.size()) << "cut off at the end";
    EXPECT_FALSE(journal.Withdraw(second, error)) << "no longer there";
    EXPECT_EQ(Times(journal, damaged, read), (std::vector<std::string>{"2026-05-01T00:00:00.000Z"}));
}

TEST(Journal, FoldersAreMadeForTheUserAloneWhateverTheUmask) {
    TempFolder folder;
    const mode_t saved = ::umask(0);
    std::string error;
    const bool appended = WriteJournal(folder.File("state") / "horavane" / "journal.jsonl")
                              .Append(JournalLine(Record("2026-07-01T00:00:00.000Z", "127.0.0.2", 1)), error);
    ::umask(saved);
    ASSERT_TRUE(appended) << error;
    for (const auto& made : {folder.File("state"), folder.File("state") / "horavane"}) {
        struct stat info {};
        ASSERT_EQ(::stat(made.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << made;
    }
    struct stat file {};
    ASSERT_EQ(::stat((folder.File("state") / "horavane" / "journal.jsonl").c_str(), &file), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
}

// `apply` and `restore` write through here: when the journal refuses the records, not one write
// goes out, though every clock was read.
TEST(Journal, NoWriteGoesOutThatTheJournalDoesNotHold) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.File("journal.jsonl").c_str(), 0600), 0);
    FakeNetwork net;
    net.AddClock(Ip(127, 0, 0, 2), SimulatedClock(0));
    net.AddClock(Ip(127, 0, 0, 3), SimulatedClock(1));
    SettingsChange change;
    change.twelveHour = true;
    std::string error;
    const auto written = WriteAndVerify({Ip(127, 0, 0, 2), Ip(127, 0, 0, 3)}, change, "apply", net.Options(),
                                        WriteJournal(folder.File("journal.jsonl")), error);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    ASSERT_FALSE(net.sent().empty()) << "the clocks were read";
    for (const auto& sent : net.sent())
        EXPECT_NE(sent.bytes[ClockDatagram::kCommand], static_cast<std::uint8_t>(Command::WriteSettings));
}

#endif

}  // namespace
}  // namespace horavane::test
