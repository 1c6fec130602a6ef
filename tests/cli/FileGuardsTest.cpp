// The command line at the boundaries it shares with the rest of the workstation: the file --output
// names, the journal it reads, and the clock port's lock file that any local user can reach.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/cli/CtlSupport.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "tests/common/HostileFiles.h"
#endif

namespace horavane::test {
namespace {

#ifndef _WIN32
// monitor --output refuses whatever stands in FILE's place and is no regular file (exit 11) before
// it asks any clock, and leaves it exactly as it was; a link to a regular file is followed.
TEST(CtlFileGuards, MonitorOutputWritesOnlyARegularFile) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "1"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    TempFolder folder;
    for (const HostileThing& thing : MakeHostileThings(folder.path())) {
        if (!thing.made) continue;
        const auto path = folder.File(thing.name);
        const std::string before = Identity(path);
        const std::size_t entries = folder.EntryCount();
        const auto result = RunCtl(sim, {"monitor", "--once", "127.0.0.2", "--output", path.string()});
        EXPECT_EQ(result.exitCode, 11) << thing.name << ": " << result.err;
        EXPECT_NE(result.err.find(path.string()), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("nothing was sent"), std::string::npos) << result.err;
        EXPECT_EQ(Identity(path), before) << thing.name;
        EXPECT_EQ(folder.EntryCount(), entries) << thing.name;
    }
    const std::string target = folder.Write("round.txt", "old\n");
    std::filesystem::create_symlink(target, folder.File("link.txt"));
    const auto linked =
        RunCtl(sim, {"monitor", "--once", "127.0.0.2", "--output", folder.File("link.txt").string()});
    EXPECT_EQ(linked.exitCode, 0) << linked.err;
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.txt")));
    EXPECT_NE(ReadBytes(target).size(), 4u) << "the linked file holds the round";
}

// A journal that cannot be trusted or read gives history --json nothing to print: stdout stays
// empty, so that no script takes "[]" for "no writes"; the reason goes to stderr with exit 8.
TEST(CtlFileGuards, HistoryJsonPrintsNothingOfAJournalItCannotRead) {
    TempFolder home;
    const std::filesystem::path folder = home.path() / "horavane";
    std::filesystem::create_directory(folder);
    ::chmod(folder.c_str(), 0700);
    const auto journal = folder / "journal.jsonl";
    std::ofstream(journal) << R"({"time":"2026-12-07T10:11:12.345Z","user":"op","command":"set",)"
                           << R"("address":"127.0.0.2","serialNumber":"HV","before":{},"written":{}})"
                           << "\n";
    ::chmod(journal.c_str(), 0600);
    const auto good = RunCtlPlain({"history", "--json"}, home.path().string());
    ASSERT_EQ(good.exitCode, 0) << good.err;
    EXPECT_EQ(nlohmann::json::parse(good.out).size(), 1u);

    // Readable records in the file in use, an older generation that cannot be read.
    std::filesystem::create_directory(folder / "journal.1.jsonl");
    const auto broken = RunCtlPlain({"history", "--json"}, home.path().string());
    EXPECT_EQ(broken.exitCode, 8) << broken.err;
    EXPECT_EQ(broken.out, "");
    EXPECT_NE(broken.err.find("cannot be read"), std::string::npos) << broken.err;
    std::filesystem::remove(folder / "journal.1.jsonl");

    ::chmod(journal.c_str(), 0666);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"history", "--json"}, std::vector<std::string>{"history"},
          std::vector<std::string>{"restore", "127.0.0.2"}}) {
        const auto result = RunCtlPlain(command, home.path().string());
        EXPECT_EQ(result.exitCode, 8) << command[0] << ": " << result.err;
        EXPECT_EQ(result.out, "") << command[0];
        EXPECT_NE(result.err.find("may be written by others"), std::string::npos) << result.err;
    }
}

// A lock file planted at the clock port's place, where every user's programs look, makes them say
// what is wrong and where, and stop: exit 9, check UNKNOWN; never a run beside the lock.
TEST(CtlFileGuards, APlantedLockFileStopsEveryCommandLoudly) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "1"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    struct stat info {};
    if (::stat("/run/lock", &info) != 0 || ::access("/run/lock", W_OK) != 0)
        GTEST_SKIP() << "/run/lock is missing or not ours to write";
    const std::string lock = "/run/lock/horavane-clock-port-" + std::to_string(sim.port()) + ".lock";
    std::filesystem::remove(lock);
    TempFolder folder;
    const std::string elsewhere = folder.Write("elsewhere", "");
    ::chmod(elsewhere.c_str(), 0666);
    ASSERT_EQ(::symlink(elsewhere.c_str(), lock.c_str()), 0);
    const auto status = RunCtl(sim, {"status", "127.0.0.2"});
    const auto check = RunCtl(sim, {"check", "127.0.0.2"});
    std::filesystem::remove(lock);
    ::mkdir(lock.c_str(), 0777);
    const auto monitor = RunCtl(sim, {"monitor", "--once", "127.0.0.2"});
    std::filesystem::remove(lock);

    EXPECT_EQ(status.exitCode, 9) << status.err;
    EXPECT_EQ(status.out, "");
    EXPECT_NE(status.err.find("cannot be guarded: the lock file " + lock + " is a link"), std::string::npos)
        << status.err;
    EXPECT_EQ(check.exitCode, 3) << check.out;
    EXPECT_EQ(check.out.rfind(
                  "CLOCKS UNKNOWN - the clock port " + std::to_string(sim.port()) + " cannot be guarded", 0),
              0u)
        << check.out;
    EXPECT_EQ(monitor.exitCode, 9) << monitor.err;
    EXPECT_NE(monitor.err.find(lock), std::string::npos) << monitor.err;
}
#endif

// --at names a moment the journal could hold: a day the month does not have is refused, not rolled
// over into the next month.
TEST(CtlFileGuards, RestoreAtRefusesDaysThatDoNotExist) {
    for (const char* at : {"2026-02-30", "2026-04-31", "2025-02-29", "2026-12-07T24:00"}) {
        const auto result = RunCtlPlain({"restore", "127.0.0.2", "--at", at});
        EXPECT_EQ(result.exitCode, 1) << at << ": " << result.err;
        EXPECT_NE(result.err.find(std::string("--at: \"") + at + "\""), std::string::npos) << result.err;
    }
}

}  // namespace
}  // namespace horavane::test
