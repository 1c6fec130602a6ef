// What must never bring a simulated clock down or make it answer: garbage, replies, odd sizes;
// and the life cycle that other tests rely on (prompt stop, port released, refusals at start).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "tests/common/SimSupport.h"

namespace horavane::test {
namespace {

// Whether a clock following the acceptance rule must answer these bytes.
bool IsAnswerableRequest(const Bytes& bytes) {
    ClockDatagram d = AsDatagram(bytes);
    return ApplyChecksum(d) && d.direction() == 0 &&
           (d.command() == static_cast<std::uint8_t>(Command::QueryStatus) ||
            d.command() == static_cast<std::uint8_t>(Command::Search));
}

std::vector<Bytes> NamedGarbage() {
    std::vector<Bytes> garbage;
    Bytes badChecksum = Request(Command::QueryStatus);
    badChecksum[ClockDatagram::kChecksum] ^= 0x01;
    garbage.push_back(badChecksum);
    for (const std::uint8_t direction : {std::uint8_t{1}, std::uint8_t{2}}) {
        ClockDatagram reply;
        BeginRequest(reply, Command::QueryStatus);
        reply.setDirectionByte(direction);
        ApplyChecksum(reply);
        garbage.push_back(ToBytes(reply));
    }
    ClockDatagram unknown;
    BeginRequest(unknown, Command::QueryStatus);
    unknown.SetAt(ClockDatagram::kCommand, 7);
    ApplyChecksum(unknown);
    garbage.push_back(ToBytes(unknown));
    garbage.push_back({});
    garbage.push_back({0x4D});
    garbage.push_back(Bytes(13, 0x00));  // too short to carry a command
    Bytes oversized(2000, 0xA5);
    oversized[ClockDatagram::kChecksum] = 0x01;  // the first 95 bytes fail the checksum
    garbage.push_back(oversized);
    return garbage;
}

class Robustness : public SimulatorTest {
  protected:
    bool AwaitReceived(int clock, std::size_t count) {
        return Eventually([&] { return sim().Received(clock).size() >= count; });
    }
};

TEST_F(Robustness, GarbageIsRecordedAsReceivedButNeverAnswered) {
    StartClocks(1);
    std::vector<Bytes> sent = NamedGarbage();
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> lengths(0, 800);  // the record's byte bound holds them all
    std::uniform_int_distribution<int> byte(0, 255);
    std::size_t answerable = 0;
    for (int i = 0; i < 300; ++i) {
        Bytes bytes(static_cast<std::size_t>(lengths(random)));
        for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(random));
        if (IsAnswerableRequest(bytes)) ++answerable;
        sent.push_back(std::move(bytes));
    }
    // In batches, so that the socket's receive queue never overflows and drops what we count.
    for (std::size_t i = 0; i < sent.size(); ++i) {
        SendTo(0, sent[i]);
        if (i % 20 == 19) {
            ASSERT_TRUE(AwaitReceived(0, i + 1));
        }
    }
    ASSERT_TRUE(AwaitReceived(0, sent.size()));
    EXPECT_EQ(client_.ReceiveFor(Ms(150)).size(), answerable);

    EXPECT_EQ(sim().Received(0), sent);
    EXPECT_TRUE(Ask(0)) << "still answering after the garbage";
}

// Under a stream of junk the record of 253 clocks grew to half a gigabyte: it is kept only when
// asked for, and then bounded in count and in bytes, the newest kept.
TEST_F(Robustness, ReceivedIsKeptOnlyWhenAskedAndThenBoundedInCountAndBytes) {
    StartClocks(1, sim::SimulatorOptions{});
    SendTo(0, Bytes(500, 0x11));
    ASSERT_TRUE(Ask(0));
    EXPECT_TRUE(sim().Received(0).empty());

    StartClocks(1);
    constexpr int kSent = 1050;
    for (int i = 0; i < kSent; ++i) {
        SendTo(0, Bytes{static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)});
        if (i % 50 == 49) {
            ASSERT_TRUE(Ask(0));  // answered after everything sent before it
        }
    }
    ASSERT_TRUE(Ask(0));
    auto received = sim().Received(0);
    ASSERT_EQ(received.size(), 1000U);
    EXPECT_EQ(received.front(), (Bytes{0, 71}));  // 1050 datagrams and 22 requests: the oldest of 1072 go
    EXPECT_EQ(received.back(), Request(Command::QueryStatus));

    for (int i = 0; i < 200; ++i) {
        SendTo(0, Bytes(2000, static_cast<std::uint8_t>(i)));
        if (i % 20 == 19) {
            ASSERT_TRUE(Ask(0));
        }
    }
    received = sim().Received(0);
    std::size_t bytes = 0;
    for (const Bytes& datagram : received) bytes += datagram.size();
    EXPECT_LE(bytes, 256U * 1024U);
    EXPECT_GT(bytes, 250U * 1024U);
    EXPECT_EQ(received.back(), Request(Command::QueryStatus));
    EXPECT_EQ(received[received.size() - 2], Bytes(2000, 199));
}

TEST_F(Robustness, AccessorsAreSafeFromAnotherThreadWhileClocksAnswer) {
    StartClocks(2);
    std::atomic<bool> done{false};
    std::thread meddler([&] {
        for (int i = 0; i < 2000 && !done; ++i) {
            sim::FaultSwitches faults;
            faults.ignoreWrites = i % 2 == 0;
            sim().SetFaults(i % 2, faults);
            sim().SetSettings(i % 2, sim().StatusReply(i % 2));
            (void)sim().RequestsReceived(i % 2, Command::QueryStatus);
            (void)sim().Received(i % 2);
        }
    });
    ClockDatagram write;
    BeginRequest(write, Command::WriteSettings);
    write.setTimeFormat(12);
    ApplyChecksum(write);
    int answered = 0;
    for (int i = 0; i < 50; ++i) {
        SendTo(i % 2, ToBytes(write));
        if (Ask(i % 2)) ++answered;
    }
    done = true;
    meddler.join();
    EXPECT_EQ(answered, 50);
}

TEST_F(Robustness, StopIsPromptAndFreesTheAddressesAndPortForAnotherProgram) {
    StartClocks(2);
    const std::uint16_t port = sim().port();
    EXPECT_FALSE(PlainSocket(sim().address(1), port).bound()) << "the clock holds its address while running";
    const auto start = std::chrono::steady_clock::now();
    sim().Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(100));
    EXPECT_TRUE(PlainSocket(sim().address(0), port).bound());
    EXPECT_TRUE(PlainSocket(sim().address(1), port).bound());

    std::string error;
    ASSERT_TRUE(sim().Start(&error)) << error;
    EXPECT_TRUE(Ask(1));
}

TEST(SimulatorStart, RefusesNonLoopbackAddressesAndBadCounts) {
    for (const auto& [first, clocks] :
         {std::pair{Ipv4Address{{10, 0, 0, 2}}, 1}, std::pair{Ipv4Address{{127, 255, 255, 253}}, 3},
          std::pair{Ipv4Address{{127, 0, 0, 2}}, 0},
          std::pair{Ipv4Address{{127, 0, 0, 2}}, sim::kMaxSimulatedClocks + 1}}) {
        sim::SimulatorOptions options;
        options.firstAddress = first;
        options.clocks = clocks;
        options.port = 0;
        sim::ClockSimulator simulator(options);
        std::string error;
        EXPECT_FALSE(simulator.Start(&error)) << first.ToString() << " x" << clocks;
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimulatorStart, APortTakenOnAnyClocksAddressFailsWithTheAddressAndLeavesNothingBound) {
    HORAVANE_SKIP_UNDER_WINE(kWineSharedPorts);
    const PlainSocket taken(Ipv4Address{{127, 0, 0, 3}});
    ASSERT_TRUE(taken.bound());
    sim::SimulatorOptions options;
    options.clocks = 2;
    options.port = taken.port();
    sim::ClockSimulator simulator(options);
    std::string error;
    EXPECT_FALSE(simulator.Start(&error));
    EXPECT_NE(error.find("127.0.0.3:" + std::to_string(taken.port())), std::string::npos) << error;
    EXPECT_TRUE(PlainSocket(Ipv4Address{{127, 0, 0, 2}}, taken.port()).bound())
        << "clock 0's socket was released";
}

}  // namespace
}  // namespace horavane::test
