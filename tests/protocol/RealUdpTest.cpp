// The exchanges over real UDP on loopback: the endpoint really is bound to the clock port, and the
// window's sweep really waits one second per batch.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "protocol/StatusQuery.h"
#include "protocol/SubnetSweep.h"
#include "tests/common/TestSupport.h"
#include "tests/common/WineSupport.h"

namespace horavane::test {
namespace {

using std::chrono::steady_clock;

// A clock played by the test: a socket on a loopback address and a free port, which the exchange
// then uses as the clock port at both ends.
TEST(RealUdp, RequestsLeaveFromTheClockPortAndTheReplyIsTaken) {
    // The clock and the exchange share the port, each on its own address.
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    const auto network = NetworkLibrary::Start(2, 2);  // for the test's own socket on Windows
    auto clock = UdpSocket::Create();
    ASSERT_TRUE(clock && clock->Bind(Ip(127, 0, 0, 2), 0));
    const ExchangeOptions options = OptionsFor(clock->LocalPort(), std::chrono::milliseconds(300));

    std::optional<ReceivedDatagram> from;
    std::thread answer([&] {
        ClockDatagram request;
        if (clock->WaitReadable(std::chrono::seconds(5)) != UdpSocket::Wait::Readable) return;
        from = clock->ReceiveInto(request.bytes());
        ClockDatagram reply;
        reply.setDirection(Direction::Reply);
        reply.setSerialNumber("HV-REAL");
        ApplyChecksum(reply);
        if (from) clock->SendTo(from->source, from->sourcePort, reply.bytes());
    });
    ClockDatagram buffer;
    std::string serial;
    const QueryOutcome outcome =
        QueryClock(Ip(127, 0, 0, 2), buffer, options,
                   [&](const ClockDatagram& reply) { serial = reply.serialNumber(); });
    answer.join();

    ASSERT_TRUE(from);
    EXPECT_EQ(from->sourcePort, options.port);
    EXPECT_EQ(from->length, ClockDatagram::kSize);
    EXPECT_EQ(outcome.repliesAccepted, 1);
    EXPECT_EQ(serial, "HV-REAL");
}

struct BatchClock : SweepSink {
    std::optional<Ipv4Address> SubnetToSweep() override { return Ip(127, 0, 0, 200); }
    void FirstBatchSent(int lastHost) override { batches.push_back(lastHost); }
    void BatchSent(int lastHost) override { batches.push_back(lastHost); }
    void ClockAnswered(Ipv4Address) override { ++answers; }
    std::vector<int> batches;
    int answers = 0;
};

// The sweep as the window runs it, with the real one-second wait and nobody answering: ten hosts,
// then a full second of silence before the next ten, 26 batches in all.
TEST(RealUdp, SilentSubnetTakesTwentySixSecondsInTwentySixBatches) {
    const auto network = NetworkLibrary::Start(2, 2);
    auto probe = UdpSocket::Create();
    ASSERT_TRUE(probe && probe->Bind(Ip(127, 0, 0, 1), 0));
    const ExchangeOptions options = OptionsFor(probe->LocalPort(), std::chrono::milliseconds(1000));
    probe.reset();  // a port nobody listens on
    BatchClock sink;

    const auto start = steady_clock::now();
    EXPECT_EQ(SweepSubnet(sink, options, {}), SweepEnd::Finished);
    const auto elapsed = steady_clock::now() - start;

    std::vector<int> expected;
    for (int p = 10; p <= 250; p += 10) expected.push_back(p);
    expected.push_back(254);
    EXPECT_EQ(sink.batches, expected);
    EXPECT_EQ(sink.answers, 0);
    EXPECT_GE(elapsed, std::chrono::seconds(25));
    EXPECT_LE(elapsed, std::chrono::seconds(28));
    std::printf("silent sweep of 254 hosts took %.3f s\n", std::chrono::duration<double>(elapsed).count());
}

}  // namespace
}  // namespace horavane::test
