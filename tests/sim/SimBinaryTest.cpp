// horavane-sim as other programs' tests and an operator use it: banner, exit codes, signals, and
// the --fault syntax.

#include <gtest/gtest.h>

#include <csignal>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif
#include <regex>

#include "platform/PortLock.h"
#include "sim/FaultSpec.h"
#include "tests/common/ChildProcess.h"
#include "tests/common/SimSupport.h"
#include "tests/common/TempFolder.h"

namespace horavane::test {
namespace {

const std::string kProgram = HORAVANE_SIM_PATH;

// A slow sanitizer build can take a while to come up; the programs themselves are prompt.
constexpr Ms kStartLimit{5000};

TEST(SimBinary, BannerCountsOneClockInTheSingular) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    ChildProcess sim({kProgram, "--clocks", "1", "--port", "0", "--exit-after", "5"});
    const auto banner = sim.ReadLine(kStartLimit);
    ASSERT_TRUE(banner);
    EXPECT_TRUE(std::regex_match(
        *banner, std::regex(R"(horavane-sim: 1 clock on 127\.0\.0\.2-127\.0\.0\.2 port \d+)")))
        << *banner;
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(Ms(1000)), 0);
}

// A --fault reaching its clock the command-line tests show (a silent clock's exit code).
TEST(SimBinary, BannerGivesTheRangeAndAPortWhereTheClocksAnswerAndVerboseLogsBothWays) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    ChildProcess sim({kProgram, "--clocks", "3", "--port", "0", "--exit-after", "20", "-v"});
    const auto banner = sim.ReadLine(kStartLimit);
    ASSERT_TRUE(banner);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(
        *banner, match, std::regex(R"(horavane-sim: 3 clocks on 127\.0\.0\.2-127\.0\.0\.4 port (\d+))")))
        << *banner;
    const auto port = static_cast<std::uint16_t>(std::stoi(match[1]));

    TestClient client;
    client.Send(Ipv4Address{{127, 0, 0, 3}}, port, Request(Command::QueryStatus));
    const auto normal = client.Receive(Ms(1000));
    ASSERT_TRUE(normal);

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(Ms(1000)), 0) << "ended within a second";
    // -v logs each datagram in and out, in hex, with both ends.
    const std::string log = sim.Stderr();
    const std::string clock = "127.0.0.3:" + std::to_string(port);
    const std::string workstation = "127.0.0.1:" + std::to_string(client.port());
    EXPECT_NE(log.find("in  " + clock + " <- " + workstation +
                       " 95 bytes: " + ToHex(Request(Command::QueryStatus))),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("out " + clock + " -> " + workstation + " 95 bytes: " + ToHex(normal->bytes)),
              std::string::npos)
        << log;
}

TEST(SimBinary, ExitAfterAndSigintEndWithStatusZero) {
    ChildProcess timed({kProgram, "--clocks", "1", "--port", "0", "--exit-after", "0.3"});
    ASSERT_TRUE(timed.ReadLine(kStartLimit));
    EXPECT_EQ(timed.Wait(Ms(3000)), 0);

#ifdef _WIN32
    GTEST_SKIP() << "a test cannot send Ctrl+C to a program without a console; --exit-after passed";
#endif
    ChildProcess interrupted({kProgram, "--clocks", "1", "--port", "0", "--exit-after", "20"});
    ASSERT_TRUE(interrupted.ReadLine(kStartLimit));
    interrupted.Signal(SIGINT);
    EXPECT_EQ(interrupted.Wait(Ms(1000)), 0);
}

TEST(SimBinary, BadCommandLinesExitWithOneAndSayWhy) {
    // Nesting that a tree parser would follow until it ran out of memory or stack, in the program
    // itself (whose stack is smaller on Windows); the other broken files are the state file tests'.
    const TempFolder folder;
    const std::string deep =
        folder.Write("deep.json", R"({"clocks": {"127.0.0.2": {"timeServers": )" + std::string(100000, '[') +
                                      std::string(100000, ']') + "}}}");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--state-file", deep}, "line 1: nested deeper than"},
        {{"--first-address", "10.0.0.2"}, "loopback"},
        {{"--first-address", "127.255.255.250", "--clocks", "6"}, "loopback"},
        {{"--first-address", "localhost"}, "not an IPv4 address"},
        {{"--clocks", "65025"}, "--clocks"},
        {{"--fault", "127.0.0.9:silent"}, "not one of the simulated clocks"},
        {{"--no-such-option"}, "no-such-option"},
        // Deadlines the simulator could not hold would end it at once instead.
        {{"--exit-after", "1e12"}, "--exit-after"},
        {{"--exit-after", "nan"}, "--exit-after"},
    };
    for (const auto& [arguments, reason] : cases) {
        std::vector<std::string> all = arguments;
        all.insert(all.end(), {"--port", "0"});
        if (arguments.front() != "--exit-after") all.insert(all.end(), {"--exit-after", "5"});
        all.insert(all.begin(), kProgram);
        ChildProcess sim(all);
        EXPECT_EQ(sim.Wait(kStartLimit), 1) << arguments.front();
        EXPECT_FALSE(sim.ReadLine(Ms(10))) << "no banner for " << arguments.front();
        EXPECT_NE(sim.Stderr().find(reason), std::string::npos) << arguments.front();
    }
}

std::uint32_t ThisProcessId() {
#ifdef _WIN32
    return static_cast<std::uint32_t>(_getpid());
#else
    return static_cast<std::uint32_t>(::getpid());
#endif
}

// Whatever holds the address and port, a second simulator is refused before it takes any of the
// holder's traffic: exit 2, one line naming the address and, where the lock tells, the program.
void ExpectRefusedBeside(std::uint16_t port, const std::string& holder) {
    ASSERT_NE(port, 0) << holder;
    ChildProcess sim({kProgram, "--clocks", "2", "--port", std::to_string(port), "--exit-after", "5"});
    EXPECT_EQ(sim.Wait(kStartLimit), 2) << holder;
    const std::string error = sim.Stderr();
    EXPECT_NE(error.find("127.0.0.2:" + std::to_string(port) + " is taken by " + holder), std::string::npos)
        << error;
    EXPECT_EQ(error.find('\n'), error.size() - 1) << "one line: " << error;
}

TEST(SimBinary, AnAddressAndPortAlreadyTakenExitsWithTwoAndNamesTheHolder) {
    HORAVANE_SKIP_UNDER_WINE(kWineSharedPorts);
    {
        const PlainSocket withoutReuse(Ipv4Address{{127, 0, 0, 2}});
        ExpectRefusedBeside(withoutReuse.port(), "another program");
    }
    {
        const SimProcess first({"--clocks", "2"});
        ExpectRefusedBeside(first.port(), "another program (a simulator");
    }
    // A program on the clock port of every address, holding its lock.
    const auto network = NetworkLibrary::Start(2, 2);
    auto socket = *UdpSocket::Create();
    socket.Bind(Ipv4Address{}, 0);
    const auto lock = TakePortLock(socket.LocalPort(), PortWait{});
    ExpectRefusedBeside(socket.LocalPort(), "horavane_sim_tests (pid " + std::to_string(ThisProcessId()) +
                                                "), which holds the clock port");
}

// Two simulators saving one state file would each write back only their own clocks over the
// other's: the second is refused (exit 2) while the first runs, whatever its addresses and port.
TEST(SimBinary, ASecondSimulatorOnTheSameStateFileIsRefused) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    const TempFolder folder;
    const std::string state = folder.File("clocks.json").string();
    const SimProcess first({"--clocks", "2", "--state-file", state});
    ASSERT_TRUE(first.started()) << first.Banner();
    ChildProcess second({kProgram, "--clocks", "2", "--first-address", "127.0.0.20", "--port", "0",
                         "--state-file", state, "--exit-after", "5"});
    EXPECT_EQ(second.Wait(kStartLimit), 2);
    EXPECT_NE(second.Stderr().find("state file " + state + " cannot be taken: " + state +
                                   ".lock is held by another program"),
              std::string::npos)
        << second.Stderr();
}

TEST(FaultSpec, EveryKindSwitchesItsFaultAndSeveralAddUp) {
    sim::FaultSwitches f;
    for (const char* text :
         {"127.0.0.2:silent", "127.0.0.2:wrong-checksum=3", "127.0.0.2:zero-checksum", "127.0.0.2:short=0",
          "127.0.0.2:duplicate", "127.0.0.2:delay=250", "127.0.0.2:direction=0", "127.0.0.2:ignore-writes"}) {
        std::string error;
        const auto fault = sim::ParseFaultSpec(text, &error);
        ASSERT_TRUE(fault) << text << ": " << error;
        sim::ApplyFault(*fault, f);
    }
    EXPECT_TRUE(f.silent);
    EXPECT_EQ(f.wrongChecksumReplies, 3);
    EXPECT_TRUE(f.zeroChecksum);
    EXPECT_EQ(f.shortReplyLength, std::size_t{0});
    EXPECT_TRUE(f.duplicateReplies);
    EXPECT_EQ(f.delay, std::chrono::milliseconds(250));
    EXPECT_EQ(f.direction, std::uint8_t{0});
    EXPECT_TRUE(f.ignoreWrites);
}

TEST(FaultSpec, MistakesAreRefusedWithAReasonNamingTheText) {
    for (const char* text :
         {"silent", "127.0.0:silent", "127.0.0.2:", "127.0.0.2:loud", "127.0.0.2:silent=1",
          "127.0.0.2:wrong-checksum", "127.0.0.2:wrong-checksum=0", "127.0.0.2:short=96",
          "127.0.0.2:short=-1", "127.0.0.2:short=5x", "127.0.0.2:delay=10001", "127.0.0.2:direction=256",
          "127.0.0.2:direction=", "127.0.0.2:delay=99999999999999999999"}) {
        std::string error;
        EXPECT_FALSE(sim::ParseFaultSpec(text, &error)) << text;
        EXPECT_NE(error.find(text), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace horavane::test
