// Several programs on one clock port at once, as a monitoring system starts its checks: each waits
// its turn for the workstation's lock and gets its own clock's answer, and a program that cannot
// have the port in time says who holds it and sends nothing. How long a taker waits, and what it
// learns of the holder, the platform's tests show on the lock itself.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/PortLock.h"
#include "tests/cli/CtlSupport.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace horavane::test {
namespace {

std::string ThisProgramHolding() {
#ifdef _WIN32
    return "horavanectl_tests (pid " + std::to_string(_getpid()) + ")";
#else
    return "horavanectl_tests (pid " + std::to_string(::getpid()) + ")";
#endif
}

// A clock that answers after 400 ms, started first, used to lose its reply to every check bound
// after it; now every check reports its own clock, the silent one included.
TEST(CtlPortLock, ChecksStartedTogetherEachReportTheirOwnClock) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "6", "--fault", "127.0.0.2:delay=400", "--fault", "127.0.0.7:silent"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    std::vector<std::unique_ptr<ChildProcess>> checks;
    for (int host = 2; host <= 7; ++host)
        checks.push_back(std::make_unique<ChildProcess>(
            CtlCommand(sim, {"check", "127.0.0." + std::to_string(host), "--wait", "0.8"})));
    for (int host = 2; host <= 7; ++host) {
        ChildProcess& check = *checks[static_cast<std::size_t>(host - 2)];
        const bool silent = host == 7;
        EXPECT_EQ(check.Wait(Ms(30'000)), silent ? 2 : 0) << "127.0.0." << host << ": " << check.Stdout();
        const std::string line = check.Stdout();
        EXPECT_NE(line.find(silent ? "CLOCKS CRITICAL - 1 clock, 0 synchronised - silent: 127.0.0.7"
                                   : "CLOCKS OK - 1 clock, 1 synchronised"),
                  std::string::npos)
            << "127.0.0." << host << ": " << line;
    }
}

// check answers UNKNOWN with the holder, never a CRITICAL taken from a shared socket; --timeout cuts
// the wait so that the answer comes in time, however long --lock-wait is.
TEST(CtlPortLock, CheckGivesUnknownNamingTheHolderWithinItsTimeout) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "2"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    const auto held = TakePortLock(sim.port(), PortWait{});
    ASSERT_TRUE(held.lock && held.lock->Guards());
    const std::string expected = "CLOCKS UNKNOWN - the clock port " + std::to_string(sim.port()) +
                                 " is held by " + ThisProgramHolding();

    const ProcessResult waited = RunCtl(sim, {"check", "127.0.0.2", "--lock-wait", "0.3"});
    EXPECT_EQ(waited.exitCode, 3) << waited.out;
    EXPECT_EQ(waited.out.rfind(expected, 0), 0u) << waited.out;
    EXPECT_EQ(waited.err, "") << "a plugin speaks on stdout alone";

    const ProcessResult timed = RunCtl(sim, {"check", "127.0.0.2", "--timeout", "1.5"});
    EXPECT_EQ(timed.exitCode, 3) << timed.out;
    EXPECT_EQ(timed.out.rfind(expected, 0), 0u) << timed.out;
    EXPECT_LT(timed.elapsed, Ms(1500));
}

// Every other kind of exchange gives up the same way, after its --lock-wait and having sent nothing:
// one clock's status, the window's paced search, a fleet query, a sweep of a block.
TEST(CtlPortLock, EveryOtherCommandExitsNineNamingTheHolderAndSendsNothing) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "2"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    const auto held = TakePortLock(sim.port(), PortWait{});
    ASSERT_TRUE(held.lock && held.lock->Guards());
    const std::string port = std::to_string(sim.port());
    for (const std::vector<std::string>& command : {std::vector<std::string>{"status", "127.0.0.3"},
                                                    {"search", "127.0.0.1"},
                                                    {"monitor", "--once", "127.0.0.2"},
                                                    {"inventory", "127.0.0.0/30"}}) {
        std::vector<std::string> args = command;
        args.insert(args.end(), {"--lock-wait", "0.1"});
        const ProcessResult result = RunCtl(sim, args);
        EXPECT_EQ(result.exitCode, 9) << command[0] << ": " << result.out << result.err;
        EXPECT_EQ(result.out, "") << command[0] << ": nothing was asked, nothing is shown";
        for (const std::string& said :
             {"waiting for the clock port " + port + ": held by " + ThisProgramHolding(),
              "is held by " + ThisProgramHolding(), std::string("nothing was sent")})
            EXPECT_NE(result.err.find(said), std::string::npos) << command[0] << ": " << result.err;
    }
}

}  // namespace
}  // namespace horavane::test
