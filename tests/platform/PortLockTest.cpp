// The workstation's lock of a clock-port number on the system the tests run on: a lock file under
// flock on Linux, a named mutex with a shared holder record under Wine. The second taker runs on a
// thread of its own, as a Windows mutex lets its own thread in again.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "platform/PortLock.h"
#include "tests/common/TempFolder.h"

#ifdef _WIN32
#include "platform/Windows.h"
#else
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#endif

namespace horavane {
namespace {

using namespace std::chrono_literals;

// Numbers below 1024 that no test binds, one per test process and call, so that parallel runs of
// these tests (and the programs' own locks of the ports they bind) never meet.
std::uint16_t UnusedPortNumber() {
    static std::atomic<int> next{0};
#ifdef _WIN32
    const int process = static_cast<int>(GetCurrentProcessId());
#else
    const int process = static_cast<int>(::getpid());
#endif
    return static_cast<std::uint16_t>(100 + (process * 13 + next++) % 900);
}

std::string ThisProgram() {
#ifdef _WIN32
    return "horavane_platform_tests";
#else
    return program_invocation_short_name;
#endif
}

std::uint32_t ThisProcess() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<std::uint32_t>(::getpid());
#endif
}

// What a waiter was told, taken on a thread of its own.
struct Waiter {
    std::optional<PortHolder> waitingFor;
    std::optional<PortHolder> gaveUpOn;
    bool waitEnded = false;
    bool taken = false;
    bool stopped = false;
    std::chrono::steady_clock::duration took{};
};

Waiter TakeOnAnotherThread(std::uint16_t port, std::chrono::milliseconds limit,
                           const std::vector<std::string>& places = SystemPortLockPlaces(),
                           std::stop_token stop = {}) {
    return std::async(std::launch::async,
                      [=] {
                          Waiter waiter;
                          PortWait wait;
                          wait.limit = limit;
                          wait.stop = stop;
                          wait.onWaiting = [&](const PortHolder& holder) { waiter.waitingFor = holder; };
                          wait.onWaitEnded = [&] { waiter.waitEnded = true; };
                          wait.onGaveUp = [&](const PortHolder& holder) { waiter.gaveUpOn = holder; };
                          const auto start = std::chrono::steady_clock::now();
                          const auto attempt = TakePortLock(port, wait, places);
                          waiter.took = std::chrono::steady_clock::now() - start;
                          waiter.taken = attempt.lock.has_value();
                          waiter.stopped = attempt.stopped;
                          return waiter;
                      })
        .get();
}

TEST(PortLock, ASecondTakerWaitsItsLimitThenGivesUpNamingTheHolder) {
    const std::uint16_t port = UnusedPortNumber();
    const auto held = TakePortLock(port, PortWait{});
    ASSERT_TRUE(held.lock && held.lock->Guards());

    const Waiter second = TakeOnAnotherThread(port, 300ms);
    EXPECT_FALSE(second.taken);
    EXPECT_FALSE(second.stopped);
    EXPECT_GE(second.took, 300ms);
    ASSERT_TRUE(second.waitingFor && second.gaveUpOn);
    EXPECT_EQ(second.gaveUpOn->program, ThisProgram());
    EXPECT_EQ(second.gaveUpOn->processId, ThisProcess());
    EXPECT_EQ(second.gaveUpOn->Describe(), ThisProgram() + " (pid " + std::to_string(ThisProcess()) + ")");
    EXPECT_TRUE(second.waitEnded);
    // Asked from another thread: the holding thread would take its own Windows mutex again.
    const auto seen = std::async(std::launch::async, [port] { return PortLockHolder(port); }).get();
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->processId, ThisProcess());
    EXPECT_TRUE(TakeOnAnotherThread(UnusedPortNumber(), 0ms).taken) << "another port number is another lock";
}

TEST(PortLock, AWaiterTakesThePortAsSoonAsItIsReleased) {
    const std::uint16_t port = UnusedPortNumber();
    std::promise<void> released;
    auto holder = std::async(std::launch::async, [&, port] {
        auto held = TakePortLock(port, PortWait{});
        std::this_thread::sleep_for(200ms);
        held.lock.reset();
        released.set_value();
    });
    for (int look = 0; look < 5000 && !PortLockHolder(port); ++look) std::this_thread::sleep_for(1ms);

    const Waiter waiter = TakeOnAnotherThread(port, 10s);
    holder.get();
    EXPECT_TRUE(waiter.taken);
    EXPECT_TRUE(waiter.waitingFor && waiter.waitEnded);
    EXPECT_FALSE(waiter.gaveUpOn);
    EXPECT_LT(waiter.took, 2s);
    EXPECT_FALSE(PortLockHolder(port)) << "released by the waiter too, nobody is named";
}

TEST(PortLock, AStopEndsTheWaitAtOnceWithoutGivingUpOnTheHolder) {
    const std::uint16_t port = UnusedPortNumber();
    const auto held = TakePortLock(port, PortWait{});
    std::stop_source stop;
    auto stopper = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(100ms);
        stop.request_stop();
    });
    const Waiter waiter = TakeOnAnotherThread(port, 20s, SystemPortLockPlaces(), stop.get_token());
    stopper.get();
    EXPECT_FALSE(waiter.taken);
    EXPECT_TRUE(waiter.stopped);
    EXPECT_FALSE(waiter.gaveUpOn);
    EXPECT_LT(waiter.took, 5s);
}

// What a waiter is told when the lock cannot be had safely.
struct Refusal {
    std::optional<std::string> problem;
    bool gaveUp = false;
    PortLockAttempt attempt;
};

Refusal TakeExpectingRefusal(std::uint16_t port, const std::vector<std::string>& places) {
    Refusal told;
    PortWait wait;
    wait.limit = 0ms;
    wait.onRefused = [&](const std::string& problem) { told.problem = problem; };
    wait.onGaveUp = [&](const PortHolder&) { told.gaveUp = true; };
    told.attempt = TakePortLock(port, wait, places);
    return told;
}

#ifdef _WIN32
// A lock in a session's own namespace would not keep out the other sessions: a global one that
// cannot be had is refused, never traded for a local one, nor for no lock at all.
TEST(PortLock, ANamespaceWithoutTheLockIsRefusedNeverPassedBy) {
    const std::uint16_t port = UnusedPortNumber();
    const Refusal told = TakeExpectingRefusal(port, {"NoSuchNamespace\\", "Local\\"});
    EXPECT_FALSE(told.attempt.lock);
    ASSERT_TRUE(told.problem);
    EXPECT_NE(told.problem->find("NoSuchNamespace"), std::string::npos) << *told.problem;
    EXPECT_FALSE(told.gaveUp);
    EXPECT_EQ(SystemPortLockPlaces(), std::vector<std::string>{"Global\\"});
}
#else
// Only a place that does not exist is passed over; the first that exists is the place for every
// user, and what is wrong there is said, with the path, never a reason to go elsewhere.
TEST(PortLock, OnlyAMissingPlaceIsPassedOverAndAProblemIsNeverFallenBackFrom) {
    const test::TempFolder folder;
    const std::uint16_t port = UnusedPortNumber();
    const std::string name = "horavane-clock-port-" + std::to_string(port) + ".lock";
    std::filesystem::create_directory(folder.File("first"));
    std::filesystem::create_directory(folder.File("second"));
    const std::vector<std::string> places{folder.File("missing").string(), folder.File("first").string(),
                                          folder.File("second").string()};
    {
        const auto held = TakePortLock(port, PortWait{}, places);
        ASSERT_TRUE(held.lock && held.lock->Guards()) << held.refusal;
        EXPECT_TRUE(std::filesystem::exists(folder.File("first") / name));
    }
    std::filesystem::remove(folder.File("first") / name);
    std::filesystem::create_symlink(folder.File("second") / name, folder.File("first") / name);
    const Refusal told = TakeExpectingRefusal(port, places);
    EXPECT_FALSE(told.attempt.lock);
    ASSERT_TRUE(told.problem);
    EXPECT_NE(told.problem->find((folder.File("first") / name).string()), std::string::npos) << *told.problem;
    EXPECT_NE(told.problem->find("is a link"), std::string::npos) << *told.problem;
    EXPECT_FALSE(told.gaveUp) << "a refusal is no wait that ran out";
    EXPECT_FALSE(std::filesystem::exists(folder.File("second") / name)) << "fell back to the next place";
    EXPECT_FALSE(PortLockHolder(port, places));

    // A place that cannot be looked at is no missing one either.
    const std::string plain = folder.Write("plain", "");
    const Refusal unusable = TakeExpectingRefusal(port, {plain + "/lock", folder.File("second").string()});
    EXPECT_FALSE(unusable.attempt.lock);
    ASSERT_TRUE(unusable.problem);
    EXPECT_NE(unusable.problem->find(plain), std::string::npos) << *unusable.problem;
    EXPECT_FALSE(std::filesystem::exists(folder.File("second") / name)) << "fell back to the next place";

    const Refusal none = TakeExpectingRefusal(port, {folder.File("missing").string()});
    EXPECT_FALSE(none.attempt.lock) << "no place is no reason to run unguarded";
    ASSERT_TRUE(none.problem);
    EXPECT_EQ(SystemPortLockPlaces(), (std::vector<std::string>{"/run/lock", "/tmp"}))
        << "the same for every user, whatever their TMPDIR";
}

struct PlantedLock {
    const char* name;
    const char* said;                                  // in the problem
    bool (*plant)(const std::filesystem::path& lock);  // false when this system cannot make it
    bool needsRoot = false;
};

void PrintTo(const PlantedLock& row, std::ostream* out) {
    *out << row.name;
}

bool MakeFile(const std::filesystem::path& path, mode_t mode) {
    std::ofstream(path) << "1 planted\n";
    return ::chmod(path.c_str(), mode) == 0;
}

class PlantedLocks : public testing::TestWithParam<PlantedLock> {};

// Another local user plants something at the lock's path, or makes the folder theirs to change:
// every taker refuses loudly, naming the path, and takes no lock anywhere; nobody is named holder.
TEST_P(PlantedLocks, FailLoudlyAndNeverGuardNorSplit) {
    if (GetParam().needsRoot && ::geteuid() != 0) GTEST_SKIP() << "another user's file needs root to make";
    const test::TempFolder folder;
    std::filesystem::create_directory(folder.File("lock"));
    const std::uint16_t port = UnusedPortNumber();
    const auto lock = folder.File("lock") / ("horavane-clock-port-" + std::to_string(port) + ".lock");
    ASSERT_TRUE(GetParam().plant(lock));
    const std::vector<std::string> places{folder.File("lock").string()};
    const Refusal told = TakeExpectingRefusal(port, places);
    EXPECT_FALSE(told.attempt.lock);
    EXPECT_FALSE(told.gaveUp);
    ASSERT_TRUE(told.problem);
    EXPECT_EQ(told.attempt.refusal, *told.problem);
    EXPECT_NE(told.problem->find(GetParam().said), std::string::npos) << *told.problem;
    EXPECT_NE(told.problem->find(folder.File("lock").string()), std::string::npos) << *told.problem;
    EXPECT_FALSE(PortLockHolder(port, places));
}

constexpr uid_t kNobody = 65534;

// clang-format off
INSTANTIATE_TEST_SUITE_P(EachWay, PlantedLocks, testing::Values(
    PlantedLock{"link_to_a_good_file", "is a link", [](const std::filesystem::path& lock) {
        return MakeFile(lock.parent_path().parent_path() / "good", 0666) &&
               ::symlink((lock.parent_path().parent_path() / "good").c_str(), lock.c_str()) == 0; }},
    PlantedLock{"dangling_link", "is a link", [](const std::filesystem::path& lock) {
        return ::symlink("/nonexistent/x", lock.c_str()) == 0; }},
    PlantedLock{"folder", "cannot be opened", [](const std::filesystem::path& lock) {
        return ::mkdir(lock.c_str(), 0777) == 0; }},
    PlantedLock{"fifo", "not a regular file", [](const std::filesystem::path& lock) {
        return ::mkfifo(lock.c_str(), 0666) == 0 && ::chmod(lock.c_str(), 0666) == 0; }},
    PlantedLock{"mode_0644", "has mode 0644 instead of 0666", [](const std::filesystem::path& lock) {
        return MakeFile(lock, 0644); }},
    PlantedLock{"mode_0600", "has mode 0600", [](const std::filesystem::path& lock) {
        return MakeFile(lock, 0600); }},
    PlantedLock{"second_name", "another name", [](const std::filesystem::path& lock) {
        return MakeFile(lock, 0666) && ::link(lock.c_str(), (lock.string() + ".2").c_str()) == 0; }},
    PlantedLock{"folder_open_to_all_not_sticky", "not sticky", [](const std::filesystem::path& lock) {
        return ::chmod(lock.parent_path().c_str(), 0777) == 0; }},
    PlantedLock{"another_users_file", "belongs to another user (uid 65534)",
        [](const std::filesystem::path& lock) {
        return MakeFile(lock, 0666) && ::chown(lock.c_str(), kNobody, kNobody) == 0 &&
               ::chmod(lock.c_str(), 0666) == 0; }, true},
    PlantedLock{"another_users_folder", "belongs to another user", [](const std::filesystem::path& lock) {
        return ::chown(lock.parent_path().c_str(), kNobody, kNobody) == 0; }, true}),
    [](const testing::TestParamInfo<PlantedLock>& row) { return std::string(row.param.name); });
// clang-format on

// A sticky folder open to all (/run/lock, /tmp) is the shared place: there only root and the
// file's owner may remove the file. A file of root, made for every user, is taken too.
TEST(PortLock, AStickyFolderOpenToAllAndAFileOfRootAreTrusted) {
    const test::TempFolder folder;
    ASSERT_EQ(::chmod(folder.path().c_str(), 01777), 0);
    const std::uint16_t port = UnusedPortNumber();
    const std::vector<std::string> places{folder.path().string()};
    {
        const auto held = TakePortLock(port, PortWait{}, places);
        EXPECT_TRUE(held.lock && held.lock->Guards()) << held.refusal;
    }
    if (::geteuid() != 0) return;
    const auto file = folder.path() / ("horavane-clock-port-" + std::to_string(port) + ".lock");
    ASSERT_EQ(::chown(file.c_str(), 0, 0), 0);
    const auto held = TakePortLock(port, PortWait{}, places);
    EXPECT_TRUE(held.lock && held.lock->Guards()) << held.refusal;
}
#endif

// The holder's record is written by anyone: only a whole, plain one names a holder.
TEST(PortLock, OnlyAPlainHolderRecordNamesAHolder) {
    const auto holder = ParsePortHolderText("1234 horavanectl\n");
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->processId, 1234u);
    EXPECT_EQ(holder->program, "horavanectl");
    EXPECT_EQ(ParsePortHolderText("4294967295 x")->processId, 4294967295u);
    EXPECT_EQ(ParsePortHolderText("77")->program, "");
    EXPECT_EQ(ParsePortHolderText(std::string(127, 'a').insert(0, "5 "))->program.size(), 127u);
    for (const std::string& bad :
         {std::string(""), std::string("0 x"), std::string("4294967296 x"), std::string("-1 x"),
          std::string("12x y"), std::string(" 12 y"), std::string("12 \x1b]0;owned\x07"),
          std::string("12 a\nb"), std::string("12 caf\xc3\xa9"), std::string("12 del\x7f"),
          std::string(128, 'a').insert(0, "5 "), std::string("12345678901 x")})
        EXPECT_FALSE(ParsePortHolderText(bad)) << bad;
}

#ifndef _WIN32
// Every user takes the same file: readable and writable by all whatever the umask, and naming its
// holder while held, nobody once released.
TEST(PortLock, TheLockFileIsEveryonesAndNamesItsHolderOnlyWhileHeld) {
    const test::TempFolder folder;
    const std::vector<std::string> places{folder.path().string()};
    const std::uint16_t port = UnusedPortNumber();
    const auto file = folder.path() / ("horavane-clock-port-" + std::to_string(port) + ".lock");
    const mode_t old = ::umask(077);
    std::optional<PortLockAttempt> held = TakePortLock(port, PortWait{}, places);
    ::umask(old);
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666u);
    std::string record;
    std::getline(std::ifstream(file), record);
    EXPECT_EQ(record, std::to_string(ThisProcess()) + " " + ThisProgram());

    held.reset();
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
    EXPECT_FALSE(PortLockHolder(port, places));
}
#endif

}  // namespace
}  // namespace horavane
