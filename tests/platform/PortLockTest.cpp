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

// The places, as the system falls back through them: a place that cannot hold the lock is passed
// over for the next, and without any place the exchange goes unguarded rather than never.
TEST(PortLock, FallsBackToTheNextPlaceAndWithoutAnyGoesUnguarded) {
    const test::TempFolder folder;
#ifdef _WIN32
    const std::vector<std::string> unusableFirst{"NoSuchNamespace\\", "Local\\"};
    const std::vector<std::string> none{"NoSuchNamespace\\"};
#else
    const std::vector<std::string> unusableFirst{(folder.path() / "missing").string(),
                                                 folder.path().string()};
    const std::vector<std::string> none{(folder.path() / "missing").string()};
#endif
    const std::uint16_t port = UnusedPortNumber();
    const auto held = TakePortLock(port, PortWait{}, unusableFirst);
    ASSERT_TRUE(held.lock && held.lock->Guards());
    EXPECT_FALSE(TakeOnAnotherThread(port, 0ms, unusableFirst).taken) << "the fallback place is one lock";

    const auto unguarded = TakePortLock(port, PortWait{}, none);
    ASSERT_TRUE(unguarded.lock);
    EXPECT_FALSE(unguarded.lock->Guards());
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
