// The exchanges on a scripted network: what goes out, when, from which port, and what is taken
// from what comes back.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "protocol/ClockCodec.h"
#include "protocol/ConfigurationWrite.h"
#include "protocol/FleetExchange.h"
#include "protocol/StatusQuery.h"
#include "protocol/SubnetSweep.h"
#include "sim/ClockState.h"
#include "tests/common/FakeNetwork.h"
#include "tests/common/TestSupport.h"

namespace horavane::test {
namespace {

const Ipv4Address kClock = Ip(127, 0, 0, 2);

Bytes ToBytes(const ClockDatagram& d) {
    return Bytes(d.bytes().begin(), d.bytes().end());
}

int LibraryVersion(const PortRequest& request) {
    return request.libraryMajor * 10 + request.libraryMinor;
}

// A clock that answers its first `bad` requests with a wrong checksum and, from the last of them
// on, also with a good reply `lateBy` later: one that keeps talking after being given up.
FakeNetwork::Responder Stubborn(int bad, Ms lateBy) {
    return [bad, lateBy, replies = 0](const Bytes&) mutable {
        const ClockDatagram reply = sim::BuildStatusReply(sim::DefaultClockState(0), 1);
        std::vector<Answer> answers;
        if (++replies <= bad) {
            ClockDatagram broken = reply;
            broken.SetAt(ClockDatagram::kChecksum, static_cast<std::uint8_t>(reply.checksum() ^ 0x55));
            answers.push_back({Ms(0), ToBytes(broken)});
        }
        if (replies >= bad) answers.push_back({lateBy, ToBytes(reply)});
        return answers;
    };
}

// ---- Status query and write --------------------------------------------------------------------

TEST(Query, PromptReplyIsTakenThenTheQueryListensOneMoreWait) {
    FakeNetwork net;
    net.AddClock(kClock, SimulatedClock(0));
    ClockDatagram buffer;
    std::vector<ClockStatus> shown;
    const QueryOutcome outcome = QueryClock(kClock, buffer, net.Options(), [&](const ClockDatagram& reply) {
        shown.push_back(DecodeStatus(reply));
    });

    EXPECT_TRUE(outcome.sent);
    EXPECT_EQ(outcome.requestsSent, 1);
    EXPECT_FALSE(outcome.checksumError);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].serialNumber, "HV-2026-1001");
    EXPECT_EQ(net.now(), Ms(1000));
    EXPECT_EQ(buffer, sim::BuildStatusReply(sim::DefaultClockState(0), 1));
    // From the clock port to the clock port, with the network library at 1.1.
    const auto sent = net.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].fromPort, ClockPort);
    EXPECT_EQ(sent[0].toPort, ClockPort);
    EXPECT_EQ(sent[0].to, kClock);
    ASSERT_EQ(net.opened().size(), 1u);
    EXPECT_EQ(net.opened()[0].localPort, ClockPort);
    EXPECT_EQ(LibraryVersion(net.opened()[0]), 11);
}

TEST(Query, SilentClockCostsTwoWaitsAndLeavesTheRequestInTheBuffer) {
    FakeNetwork net;
    ClockDatagram buffer;
    int shown = 0;
    const QueryOutcome outcome =
        QueryClock(kClock, buffer, net.Options(), [&](const ClockDatagram&) { ++shown; });
    EXPECT_EQ(outcome.requestsSent, 1);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(net.now(), Ms(2000));
    EXPECT_EQ(buffer.command(), static_cast<std::uint8_t>(Command::QueryStatus));
    EXPECT_EQ(buffer.direction(), 0);
}

TEST(Query, RequestCarriesTheLastAdapterAndNoAdapterSendsNothing) {
    FakeNetwork net;
    ExchangeOptions options = net.Options();
    const MacAddress lastMac{0, 0x11, 0x22, 0x33, 0x44, 0x55};
    options.adapters = [lastMac] {
        return std::vector<AdapterInfo>{AdapterInfo{"first", Ip(127, 0, 0, 1), {1, 1, 1, 1, 1, 1}},
                                        AdapterInfo{"last", Ip(192, 168, 1, 100), lastMac}};
    };
    ClockDatagram buffer;
    QueryClock(kClock, buffer, options, nullptr);
    ClockDatagram expected;
    BuildAddressedRequest(expected, Command::QueryStatus, Ip(192, 168, 1, 100), lastMac);
    ASSERT_EQ(net.sent().size(), 1u);
    EXPECT_EQ(net.sent()[0].bytes, ToBytes(expected));

    options.adapters = [] { return std::optional<std::vector<AdapterInfo>>{}; };
    EXPECT_FALSE(QueryClock(kClock, buffer, options, nullptr).sent);
    EXPECT_EQ(net.sent().size(), 1u);
}

// Only a wrong checksum draws a resend, six requests at most; anything else that fails the
// acceptance rule is ignored and uses up a wait.
struct FaultyReply {
    const char* name;
    sim::FaultSwitches faults;
    int requestsSent;
    int repliesAccepted;
    bool checksumError;
};

class QueryFault : public testing::TestWithParam<FaultyReply> {};

TEST_P(QueryFault, ResendsAndAcceptsAsTheClockAnswers) {
    const FaultyReply& row = GetParam();
    FakeNetwork net;
    net.AddClock(kClock, SimulatedClock(0, row.faults));
    ClockDatagram buffer;
    const QueryOutcome outcome = QueryClock(kClock, buffer, net.Options(), nullptr);
    EXPECT_EQ(outcome.requestsSent, row.requestsSent);
    EXPECT_EQ(static_cast<int>(net.sent().size()), row.requestsSent);
    EXPECT_EQ(outcome.repliesAccepted, row.repliesAccepted);
    EXPECT_EQ(outcome.checksumError, row.checksumError);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, QueryFault,
    testing::Values(
        FaultyReply{"SixWrongChecksumsGiveUp", Faults([](auto& f) { f.wrongChecksumReplies = 6; }), 6, 0,
                    true},
        FaultyReply{"FiveWrongChecksumsThenTheSixthIsTaken",
                    Faults([](auto& f) { f.wrongChecksumReplies = 5; }), 6, 1, false},
        FaultyReply{"SecondReplyIsTakenToo", Faults([](auto& f) { f.duplicateReplies = true; }), 1, 2, false},
        FaultyReply{"ChecksumZeroIsAccepted", Faults([](auto& f) { f.zeroChecksum = true; }), 1, 1, false},
        FaultyReply{"ShortReplyIsAccepted", Faults([](auto& f) { f.shortReplyLength = 60; }), 1, 1, false},
        FaultyReply{"DirectionZeroIsIgnored", Faults([](auto& f) { f.direction = std::uint8_t{0}; }), 1, 0,
                    false},
        FaultyReply{"DirectionTwoIsIgnored", Faults([](auto& f) { f.direction = std::uint8_t{2}; }), 1, 0,
                    false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Write, GoesOutOnceWithItsChecksumAndIsNotAnswered) {
    FakeNetwork net;
    auto state = std::make_shared<ClockDatagram>(sim::DefaultClockState(0));
    net.AddClock(kClock, SimulatedClock(state));
    ClockSettings settings = DecodeStatus(*state).settings;
    settings.brightness = 4;
    ClockDatagram request = BuildWriteRequest(settings);
    ASSERT_TRUE(SendWrite(kClock, request, net.Options()));
    EXPECT_NE(request.checksum(), 0);
    ASSERT_EQ(net.sent().size(), 1u);
    EXPECT_EQ(net.sent()[0].bytes, ToBytes(request));
    EXPECT_EQ(net.sent()[0].fromPort, ClockPort);
    EXPECT_EQ(LibraryVersion(net.opened()[0]), 11);
    EXPECT_EQ(state->brightness(), 4);
    EXPECT_EQ(net.now(), Ms(0));
}

// ---- Subnet sweep ----------------------------------------------------------------------------

class RecordingSink : public SweepSink {
  public:
    explicit RecordingSink(std::optional<Ipv4Address> subnet) : subnet_(subnet) {}
    std::optional<Ipv4Address> SubnetToSweep() override { return subnet_; }
    void FirstBatchSent(int lastHost) override { batches.push_back(lastHost); }
    void BatchSent(int lastHost) override { batches.push_back(lastHost); }
    void ClockAnswered(Ipv4Address clock) override { answered.push_back(clock.ToString()); }

    std::vector<int> batches;
    std::vector<std::string> answered;

  private:
    std::optional<Ipv4Address> subnet_;
};

std::vector<int> AllBatches() {
    std::vector<int> batches;
    for (int host = 10; host <= 250; host += 10) batches.push_back(host);
    batches.push_back(254);
    return batches;
}

// The hosts that got a request, in the order they got it; every request from the clock port to
// 127.0.0.x.
std::vector<int> SweptHosts(const FakeNetwork& net) {
    std::vector<int> hosts;
    for (const auto& sent : net.sent()) {
        EXPECT_EQ(sent.fromPort, ClockPort);
        EXPECT_EQ(Ipv4Address::FromUint32(sent.to.ToUint32() & 0xFFFFFF00), Ip(127, 0, 0, 0));
        hosts.push_back(sent.to.octets[3]);
    }
    return hosts;
}

TEST(Sweep, PacedSweepAsksEveryHostOnceAndTakesEveryReplyAsItComes) {
    FakeNetwork net;
    net.AddClock(Ip(127, 0, 0, 2), SimulatedClock(0, Faults([](auto& f) { f.duplicateReplies = true; })));
    net.AddClock(Ip(127, 0, 0, 5), SimulatedClock(3, Faults([](auto& f) { f.zeroChecksum = true; })));
    net.AddClock(Ip(127, 0, 0, 9), SimulatedClock(7, Faults([](auto& f) { f.silent = true; })));
    net.AddClock(Ip(127, 0, 0, 12), SimulatedClock(10, Faults([](auto& f) { f.delay = Ms(900); })));
    // The workstation lies in the subnet: its own request comes back, and is no reply.
    net.AddClock(kWorkstation, [](const Bytes& request) { return std::vector<Answer>{{Ms(0), request}}; });
    RecordingSink sink(Ip(127, 0, 0, 77));

    EXPECT_EQ(SweepSubnet(sink, net.Options(), SweepPacing{}, {}), SweepEnd::Finished);

    std::vector<int> everyHost(254);
    std::iota(everyHost.begin(), everyHost.end(), 1);
    EXPECT_EQ(SweptHosts(net), everyHost);
    EXPECT_EQ(sink.batches, AllBatches());
    EXPECT_EQ(sink.answered, (std::vector<std::string>{"127.0.0.2", "127.0.0.2", "127.0.0.5", "127.0.0.12"}));
    // A batch after each full silent second: 25 waits before the later batches and one after the
    // last, the second batch put back by the 0.9 s the late clock took.
    EXPECT_EQ(net.now(), Ms(26'900));
    EXPECT_EQ(LibraryVersion(net.opened()[0]), 22);
}

TEST(Sweep, DatagramsArrivingWithinEachSecondHoldTheNextBatch) {
    FakeNetwork net;
    for (int at = 500; at <= 5000; at += 500) net.Deliver(Ms(at), Ip(127, 0, 9, 9), Bytes(95, 0x11));
    RecordingSink sink(Ip(127, 0, 0, 1));
    SweepSubnet(sink, net.Options(), SweepPacing{}, {});
    const auto sent = net.sent();
    ASSERT_GT(sent.size(), 10u);
    EXPECT_EQ(sent[10].to.octets[3], 11);
    EXPECT_EQ(sent[10].at, Ms(6000)) << "the junk ended at 5 s; a silent second later the batch went";
    EXPECT_TRUE(sink.answered.empty());
}

TEST(Sweep, FastSweepWaitsForLateClocksButNotForeverUnderJunk) {
    FakeNetwork net;
    for (std::uint8_t host : {std::uint8_t{2}, std::uint8_t{251}, std::uint8_t{254}})
        net.AddClock(Ip(127, 0, 0, host), SimulatedClock(host, Faults([](auto& f) { f.delay = Ms(700); })));
    // A stray datagram every 200 ms for a minute: never a silent second.
    for (int at = 200; at <= 60'000; at += 200) net.Deliver(Ms(at), Ip(127, 0, 9, 9), Bytes(95, 0x11));
    RecordingSink sink(Ip(127, 0, 0, 1));

    EXPECT_EQ(SweepSubnet(sink, net.Options(), SweepPacing{.fast = true}, {}), SweepEnd::Finished);
    std::sort(sink.answered.begin(), sink.answered.end());
    EXPECT_EQ(sink.answered, (std::vector<std::string>{"127.0.0.2", "127.0.0.251", "127.0.0.254"}));
    EXPECT_EQ(sink.batches, AllBatches());
    EXPECT_LE(net.now(), Ms(3200)) << "three waits after the last batch at the most";
}

TEST(Sweep, NothingIsSentWithoutASubnetOrAnAdapter) {
    FakeNetwork net;
    RecordingSink blank(std::nullopt);
    EXPECT_EQ(SweepSubnet(blank, net.Options(), SweepPacing{}, {}), SweepEnd::NotStarted);
    ExchangeOptions noAdapter = net.Options();
    noAdapter.adapters = [] { return std::optional<std::vector<AdapterInfo>>{}; };
    RecordingSink sink(Ip(127, 0, 0, 1));
    EXPECT_EQ(SweepSubnet(sink, noAdapter, SweepPacing{}, {}), SweepEnd::NotStarted);
    EXPECT_TRUE(net.sent().empty());
    EXPECT_TRUE(sink.batches.empty());
}

// ---- Many clocks at once ---------------------------------------------------------------------

TEST(Fleet, AsksInAscendingOrderRoutesRepliesAndResendsPerClock) {
    FakeNetwork net;
    net.AddClock(Ip(127, 0, 0, 2), SimulatedClock(0));
    net.AddClock(Ip(127, 0, 0, 3), SimulatedClock(1, Faults([](auto& f) { f.wrongChecksumReplies = 2; })));
    net.AddClock(Ip(127, 0, 0, 4), Stubborn(6, Ms(100)));
    net.AddClock(Ip(127, 0, 0, 10), SimulatedClock(8, Faults([](auto& f) { f.duplicateReplies = true; })));
    const std::vector<Ipv4Address> clocks = {Ip(127, 0, 0, 10), Ip(127, 0, 0, 99), Ip(127, 0, 0, 4),
                                             Ip(127, 0, 0, 3), Ip(127, 0, 0, 2)};
    std::vector<std::size_t> shown;
    const auto outcomes = QueryFleet(
        clocks, net.Options(), [&](std::size_t clock, const ClockDatagram&) { shown.push_back(clock); });
    ASSERT_TRUE(outcomes);

    // Each clock's first request in ascending address order (resends may come between them).
    std::vector<int> firstRequests;
    for (const auto& sent : net.sent())
        if (std::find(firstRequests.begin(), firstRequests.end(), sent.to.octets[3]) == firstRequests.end())
            firstRequests.push_back(sent.to.octets[3]);
    EXPECT_EQ(firstRequests, (std::vector<int>{2, 3, 4, 10, 99}));
    const auto& o = *outcomes;
    EXPECT_EQ(o[4].requestsSent, 1);
    EXPECT_TRUE(o[4].Answered());
    EXPECT_EQ(o[3].requestsSent, 3) << "two wrong checksums, two resends to that clock alone";
    EXPECT_TRUE(o[3].Answered());
    EXPECT_EQ(o[2].requestsSent, 6);
    EXPECT_TRUE(o[2].checksumError);
    EXPECT_EQ(o[2].repliesAccepted, 0) << "a clock given up is given up, whatever it sends later";
    EXPECT_EQ(o[0].repliesAccepted, 2);
    EXPECT_FALSE(o[1].Answered());
    EXPECT_EQ(std::count(shown.begin(), shown.end(), 2u), 0);
    EXPECT_EQ(shown.size(), 4u);
}

TEST(Fleet, AllAnsweredEndsAfterOneSilentWait) {
    FakeNetwork net;
    std::vector<Ipv4Address> clocks;
    for (std::uint8_t host = 2; host < 12; ++host) {
        net.AddClock(Ip(127, 0, 0, host), SimulatedClock(host));
        clocks.push_back(Ip(127, 0, 0, host));
    }
    const auto outcomes = QueryFleet(clocks, net.Options(), nullptr);
    ASSERT_TRUE(outcomes);
    EXPECT_TRUE(std::all_of(outcomes->begin(), outcomes->end(), [](const auto& c) { return c.Answered(); }));
    EXPECT_EQ(net.now(), Ms(1000));
}

}  // namespace
}  // namespace horavane::test
