// The exchanges on a scripted network: what goes out, when, from which port, and what is taken
// from what comes back; and over real UDP, that the endpoint really holds the clock port and the
// window's sweep really waits one second per batch.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "protocol/ClockCodec.h"
#include "protocol/ConfigurationWrite.h"
#include "protocol/FleetExchange.h"
#include "protocol/HostRanges.h"
#include "protocol/HostSweep.h"
#include "protocol/StatusQuery.h"
#include "protocol/SubnetSweep.h"
#include "sim/ClockBehaviour.h"
#include "tests/common/SimSupport.h"  // the fake network and the real-UDP helpers

namespace horavane::test {
namespace {

const Ipv4Address kClock = Ip(127, 0, 0, 2);

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

struct RecordingSink : SweepSink {
    explicit RecordingSink(std::optional<Ipv4Address> toSweep) : subnet(toSweep) {}
    std::optional<Ipv4Address> SubnetToSweep() override { return subnet; }
    void FirstBatchSent(int lastHost) override { batches.push_back(lastHost); }
    void BatchSent(int lastHost) override { batches.push_back(lastHost); }
    void ClockAnswered(Ipv4Address clock) override { answered.push_back(clock.ToString()); }

    std::optional<Ipv4Address> subnet;
    std::vector<int> batches;
    std::vector<std::string> answered;
};

// A subnet's batches of ten hosts, each named by its last host.
const std::vector<int> kAllBatches = {10,  20,  30,  40,  50,  60,  70,  80,  90,  100, 110, 120, 130,
                                      140, 150, 160, 170, 180, 190, 200, 210, 220, 230, 240, 250, 254};

// ---- Status query and write --------------------------------------------------------------------

// One clock's behaviour as the single query and the fleet meet it. Only a wrong checksum draws a
// resend, six requests at most; anything else that fails the acceptance rule is ignored. The query
// listens two waits after a request, each datagram standing for one; the fleet (this clock the
// fourth of ten) is done as soon as every clock has answered or been given up, one wait after its
// last request.
struct ClockRow {
    const char* name;
    sim::FaultSwitches faults;
    int requests;
    bool checksumError;
    int queryAccepted;
    Ms queryEnd;
    int fleetAccepted;
    Ms fleetEnd;
};

class OneClock : public testing::TestWithParam<ClockRow> {};

TEST_P(OneClock, AsTheQueryAndTheFleetMeetIt) {
    const ClockRow& row = GetParam();
    FakeNetwork net;
    net.AddClock(kClock, SimulatedClock(0, row.faults));
    ClockDatagram buffer;
    int shown = 0;
    const QueryOutcome query =
        QueryClock(kClock, buffer, net.Options(), [&](const ClockDatagram&) { ++shown; });
    EXPECT_EQ(query.requestsSent, row.requests);
    EXPECT_EQ(query.checksumError, row.checksumError);
    EXPECT_EQ(query.repliesAccepted, row.queryAccepted);
    EXPECT_EQ(shown, row.queryAccepted);
    EXPECT_EQ(net.now(), row.queryEnd);
    if (row.faults.silent) {
        EXPECT_EQ(buffer.direction(), 0) << "the request is left in the buffer";
    }
    EXPECT_EQ(static_cast<int>(net.sent().size()), row.requests);
    for (const auto& sent : net.sent())
        EXPECT_TRUE(sent.fromPort == ClockPort && sent.toPort == ClockPort && sent.to == kClock);
    ASSERT_EQ(net.opened().size(), 1u);
    EXPECT_EQ(LibraryVersion(net.opened()[0]), 11);

    FakeNetwork fleetNet;
    std::vector<Ipv4Address> clocks;
    for (std::uint8_t host = 2; host < 12; ++host) {
        fleetNet.AddClock(Ip(127, 0, 0, host),
                          SimulatedClock(host, host == 5 ? row.faults : sim::FaultSwitches{}));
        clocks.push_back(Ip(127, 0, 0, host));
    }
    const auto fleet = QueryFleet(clocks, fleetNet.Options(), nullptr);
    ASSERT_TRUE(fleet);
    const FleetOutcome& clock = (*fleet)[3];
    EXPECT_EQ(clock.requestsSent, row.requests);
    EXPECT_EQ(clock.checksumError, row.checksumError);
    EXPECT_EQ(clock.repliesAccepted, row.fleetAccepted);
    EXPECT_EQ(fleetNet.now(), row.fleetEnd);
    EXPECT_EQ(static_cast<int>(fleetNet.sent().size()), 9 + row.requests) << "resends to that clock alone";
    EXPECT_EQ(std::count_if(fleet->begin(), fleet->end(), [](const auto& c) { return c.Answered(); }),
              clock.Answered() ? 10 : 9);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, OneClock,
    testing::Values(
        ClockRow{"PromptReply", {}, 1, false, 1, Ms(1000), 1, Ms(0)},
        ClockRow{"Silent", Faults([](auto& f) { f.silent = true; }), 1, false, 0, Ms(2000), 0, Ms(1000)},
        ClockRow{"SixWrongChecksumsGiveUp", Faults([](auto& f) { f.wrongChecksumReplies = 6; }), 6, true, 0,
                 Ms(0), 0, Ms(0)},
        ClockRow{"FiveWrongChecksumsThenTheSixthIsTaken", Faults([](auto& f) { f.wrongChecksumReplies = 5; }),
                 6, false, 1, Ms(1000), 1, Ms(0)},
        ClockRow{"WrongChecksumsResendAndWaitAgain", Faults([](auto& f) {
                     f.wrongChecksumReplies = 2;
                     f.delay = Ms(300);
                 }),
                 3, false, 1, Ms(1900), 1, Ms(900)},
        ClockRow{"SecondReplyIsTakenToo", Faults([](auto& f) { f.duplicateReplies = true; }), 1, false, 2,
                 Ms(0), 2, Ms(0)},
        ClockRow{"ChecksumZeroIsAccepted", Faults([](auto& f) { f.zeroChecksum = true; }), 1, false, 1,
                 Ms(1000), 1, Ms(0)},
        ClockRow{"ShortReplyIsAccepted", Faults([](auto& f) { f.shortReplyLength = 60; }), 1, false, 1,
                 Ms(1000), 1, Ms(0)},
        ClockRow{"DirectionZeroIsIgnored", Faults([](auto& f) { f.direction = std::uint8_t{0}; }), 1, false,
                 0, Ms(1000), 0, Ms(1000)},
        ClockRow{"DirectionTwoIsIgnored", Faults([](auto& f) { f.direction = std::uint8_t{2}; }), 1, false, 0,
                 Ms(1000), 0, Ms(1000)},
        ClockRow{"LateReplyWithinTheWait", Faults([](auto& f) { f.delay = Ms(400); }), 1, false, 1, Ms(1400),
                 1, Ms(400)},
        ClockRow{"ReplyAfterTheFleetsWait", Faults([](auto& f) { f.delay = Ms(1500); }), 1, false, 1,
                 Ms(1500), 0, Ms(1000)}),
    [](const auto& row) { return std::string(row.param.name); });

// A reply from any address but the asked one is dropped: it is neither shown nor left in the
// buffer, and the wait it arrived in goes on to its end, so the asked clock's late reply is still
// taken and the query ends when it would have without the stranger.
TEST(StatusQuery, TakesRepliesOnlyFromTheAskedClock) {
    const ClockDatagram own = sim::BuildStatusReply(sim::DefaultClockState(0), 1);
    const Bytes stranger = ToBytes(sim::BuildStatusReply(sim::DefaultClockState(3), 1));
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers ? "the clock answers" : "the clock is silent");
        FakeNetwork net;
        net.AddClock(kClock, SimulatedClock(0, Faults([&](auto& f) {
                                                f.delay = Ms(300);
                                                f.silent = !answers;
                                            })));
        for (const int at : {100, 800, 1200}) net.Deliver(Ms(at), Ip(127, 0, 0, 3), stranger);
        ClockDatagram buffer;
        std::vector<Bytes> shown;
        const QueryOutcome query = QueryClock(kClock, buffer, net.Options(),
                                              [&](const ClockDatagram& r) { shown.push_back(ToBytes(r)); });
        EXPECT_EQ(query.repliesAccepted, answers ? 1 : 0);
        EXPECT_EQ(shown, answers ? std::vector<Bytes>{ToBytes(own)} : std::vector<Bytes>{});
        EXPECT_NE(ToBytes(buffer), stranger);
        EXPECT_EQ(net.now(), answers ? Ms(1300) : Ms(2000)) << "strangers use up no wait";
    }
}

// The request carries the last adapter listed; without an adapter no exchange sends anything.
TEST(Adapters, RequestCarriesTheLastAdapterAndNoAdapterSendsNothing) {
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
    RecordingSink sink(Ip(127, 0, 0, 1));
    EXPECT_EQ(SweepSubnet(sink, options, {}), SweepEnd::NoAdapter);
    RecordingSink blank(std::nullopt);
    EXPECT_EQ(SweepSubnet(blank, net.Options(), {}), SweepEnd::NotStarted);
    EXPECT_EQ(net.sent().size(), 1u);
    EXPECT_TRUE(sink.batches.empty());
}

// What a write carries is the dialog's tests'; here, how it travels.
TEST(Write, GoesOutOnceFromTheClockPortAndIsNotWaitedFor) {
    FakeNetwork net;
    net.AddClock(kClock, SimulatedClock(0));
    ClockDatagram request = BuildWriteRequest(ClockSettings{});
    ASSERT_TRUE(SendWrite(kClock, request, net.Options()));
    ASSERT_EQ(net.sent().size(), 1u);
    EXPECT_NE(request.checksum(), 0);
    EXPECT_EQ(net.sent()[0].bytes, ToBytes(request)) << "with its checksum applied";
    EXPECT_EQ(net.sent()[0].fromPort, ClockPort);
    EXPECT_EQ(LibraryVersion(net.opened()[0]), 11);
    EXPECT_EQ(net.now(), Ms(0));
}

// ---- Subnet sweep ----------------------------------------------------------------------------

TEST(Sweep, PacedSweepAsksEveryHostOnceAndTakesEveryReplyAsItComes) {
    FakeNetwork net;
    net.AddClock(Ip(127, 0, 0, 2), SimulatedClock(0, Faults([](auto& f) { f.duplicateReplies = true; })));
    net.AddClock(Ip(127, 0, 0, 5), SimulatedClock(3, Faults([](auto& f) { f.zeroChecksum = true; })));
    net.AddClock(Ip(127, 0, 0, 9), SimulatedClock(7, Faults([](auto& f) { f.silent = true; })));
    net.AddClock(Ip(127, 0, 0, 12), SimulatedClock(10, Faults([](auto& f) { f.delay = Ms(900); })));
    // The workstation lies in the subnet: its own request comes back, and is no reply.
    net.AddClock(kWorkstation, [](const Bytes& request) { return std::vector<Answer>{{Ms(0), request}}; });
    RecordingSink sink(Ip(127, 0, 0, 77));

    EXPECT_EQ(SweepSubnet(sink, net.Options(), {}), SweepEnd::Finished);

    std::vector<int> hosts;  // in the order asked, every request from the clock port to 127.0.0.x
    for (const auto& sent : net.sent()) {
        EXPECT_TRUE(sent.fromPort == ClockPort && (sent.to.ToUint32() & 0xFFFFFF00) == 0x7F000000);
        hosts.push_back(sent.to.octets[3]);
    }
    std::vector<int> everyHost(254);
    std::iota(everyHost.begin(), everyHost.end(), 1);
    EXPECT_EQ(hosts, everyHost);
    EXPECT_EQ(sink.batches, kAllBatches);
    EXPECT_EQ(sink.answered, (std::vector<std::string>{"127.0.0.2", "127.0.0.2", "127.0.0.5", "127.0.0.12"}));
    // A batch after each full silent second: 25 waits before the later batches and one after the
    // last, the second batch put back by the 0.9 s the late clock took.
    EXPECT_EQ(net.now(), Ms(26'900));
    EXPECT_EQ(LibraryVersion(net.opened()[0]), 22);
}

// Only a host of the subnet that answers for the first time holds the next batch: junk, a stranger's
// reply or a clock answering again every half second cannot keep the sweep, and the clock port,
// for ever.
TEST(Sweep, OnlyAFirstAnswerOfAnAskedHostHoldsTheNextBatch) {
    const ClockDatagram reply = sim::BuildStatusReply(sim::DefaultClockState(0), 1);
    for (const bool hostile : {false, true}) {
        FakeNetwork net;
        net.AddClock(Ip(127, 0, 0, 5), SimulatedClock(0, Faults([](auto& f) { f.delay = Ms(600); })));
        for (int at = 1000; hostile && at <= 600'000; at += 500) {
            net.Deliver(Ms(at), Ip(127, 0, 0, 9), Bytes(95, 0x11));     // junk from the subnet
            net.Deliver(Ms(at), Ip(127, 0, 9, 9), ToBytes(reply));      // a stranger's reply
            net.Deliver(Ms(at + 1), Ip(127, 0, 0, 5), ToBytes(reply));  // the clock, again and again
        }
        RecordingSink sink(Ip(127, 0, 0, 1));
        EXPECT_EQ(SweepSubnet(sink, net.Options(), {}), SweepEnd::Finished);
        const auto sent = net.sent();
        ASSERT_EQ(sent.size(), 254u);
        EXPECT_EQ(sent[10].at, Ms(1600)) << "the first answer of host 5 at 0.6 s put the batch back";
        EXPECT_EQ(sent[20].at, Ms(2600)) << "then a batch every silent second";
        EXPECT_EQ(net.now(), Ms(26'600));
        EXPECT_EQ(sink.answered.front(), "127.0.0.5");
    }
}

// ---- Destinations ----------------------------------------------------------------------------

// Addresses where no clock can be: this network, multicast, the limited broadcast, a /24's own
// address and its broadcast. Every exchange refuses them where it sends, whoever named them.
const std::vector<Ipv4Address> kNoClocks = {Ip(0, 0, 0, 0),     Ip(0, 1, 2, 3),         Ip(224, 0, 0, 1),
                                            Ip(239, 9, 9, 9),   Ip(255, 255, 255, 255), Ip(127, 0, 0, 0),
                                            Ip(127, 0, 0, 255), Ip(10, 1, 2, 0)};

std::vector<Ipv4Address> Destinations(const FakeNetwork& net) {
    std::vector<Ipv4Address> to;
    for (const auto& sent : net.sent()) to.push_back(sent.to);
    return to;
}

TEST(Destinations, NoExchangeSendsWhereNoClockCanBe) {
    FakeNetwork net;
    net.AddClock(kClock, SimulatedClock(0));
    ClockDatagram buffer;
    for (const Ipv4Address address : kNoClocks) {
        const QueryOutcome query = QueryClock(address, buffer, net.Options(), nullptr);
        EXPECT_TRUE(query.destinationRefused && !query.sent) << address.ToString();
        bool prepared = false;
        ClockDatagram request = BuildWriteRequest(ClockSettings{});
        EXPECT_FALSE(SendWrite(address, request, net.Options(), [&] { return prepared = true; }));
        EXPECT_FALSE(prepared) << "nothing is journaled for a write that cannot go";
    }
    std::vector<Ipv4Address> fleet = kNoClocks;
    fleet.push_back(kClock);
    const auto outcomes = QueryFleet(fleet, net.Options(), nullptr);
    ASSERT_TRUE(outcomes);
    for (const FleetOutcome& outcome : *outcomes) {
        EXPECT_EQ(outcome.destinationRefused, outcome.address != kClock) << outcome.address.ToString();
        EXPECT_EQ(outcome.Answered(), outcome.address == kClock) << outcome.address.ToString();
    }
    std::vector<FleetWrite> writes;
    for (const Ipv4Address address : fleet) writes.push_back({address, BuildWriteRequest(ClockSettings{})});
    bool prepared = false;
    EXPECT_EQ(SendFleetWrites(writes, net.Options(), [&] { return prepared = true; }), 0);
    EXPECT_FALSE(prepared) << "a batch with a write that cannot go is refused before anything is journaled";
    std::vector<FleetWrite> clean{{kClock, BuildWriteRequest(ClockSettings{})}};
    EXPECT_EQ(SendFleetWrites(clean, net.Options()), 1);
    EXPECT_TRUE(SweepHosts(fleet, net.Options(), nullptr));
    EXPECT_EQ(Destinations(net), std::vector<Ipv4Address>(3, kClock)) << "the query, the write and the sweep";
}

// The window's sweep takes any subnet, as it always has, but still never host 0 or 255.
TEST(Destinations, TheWindowsSweepTakesAnySubnetButNeverHostZeroOr255) {
    for (const Ipv4Address subnet : {Ip(224, 0, 0, 0), Ip(0, 0, 0, 7)}) {
        FakeNetwork net;
        RecordingSink sink(subnet);
        EXPECT_EQ(SweepSubnet(sink, net.Options(Ms(10)), {}), SweepEnd::Finished);
        const auto to = Destinations(net);
        ASSERT_EQ(to.size(), 254u);
        EXPECT_EQ(to.front(), Ip(subnet.octets[0], 0, 0, 1));
        EXPECT_EQ(to.back(), Ip(subnet.octets[0], 0, 0, 254));
    }
    FakeNetwork net;
    const auto port = OpenExchangePort(net.Options(), 2, 2, 0, DestinationRule::SweptHost);
    ASSERT_TRUE(port);
    for (const Ipv4Address address : {Ip(224, 0, 0, 0), Ip(224, 0, 0, 255), Ip(255, 255, 255, 255)})
        EXPECT_FALSE(port->Allows(address)) << address.ToString();
    EXPECT_TRUE(port->Allows(Ip(224, 0, 0, 1)));
}

// ---- Blocks of a site and their sweep ---------------------------------------------------------

struct BlockRow {
    const char* name;
    std::vector<std::string> texts;
    std::size_t hosts;  // 0: refused, with `errorPart` in the reason
    const char* first;
    const char* last;
    const char* errorPart = "";
};

class Blocks : public testing::TestWithParam<BlockRow> {};

TEST_P(Blocks, NameExactlyTheirHostsNeverHostZeroOr255) {
    const BlockRow& row = GetParam();
    std::vector<AddressBlock> blocks;
    std::string error;
    for (const std::string& text : row.texts)
        if (const auto block = ParseAddressBlock(text, error)) blocks.push_back(*block);
    if (row.hosts == 0) {
        EXPECT_TRUE(blocks.empty());
        EXPECT_NE(error.find(row.errorPart), std::string::npos) << error;
        return;
    }
    ASSERT_EQ(blocks.size(), row.texts.size()) << error;
    const auto hosts = HostsOf(blocks);
    ASSERT_EQ(hosts.size(), row.hosts);
    EXPECT_EQ(hosts.front().ToString(), row.first);
    EXPECT_EQ(hosts.back().ToString(), row.last);
    EXPECT_TRUE(std::adjacent_find(hosts.begin(), hosts.end(), std::greater_equal<>()) == hosts.end());
    EXPECT_TRUE(std::none_of(hosts.begin(), hosts.end(),
                             [](Ipv4Address h) { return h.octets[3] == 0 || h.octets[3] == 255; }));
}

INSTANTIATE_TEST_SUITE_P(
    Site, Blocks,
    testing::Values(BlockRow{"A16", {"127.1.0.0/16"}, 65024, "127.1.0.1", "127.1.255.254"},
                    BlockRow{"A30", {"127.1.2.4/30"}, 4, "127.1.2.4", "127.1.2.7"},
                    BlockRow{"RangeOverA24sEnd", {"127.1.2.250-127.1.3.5"}, 10, "127.1.2.250", "127.1.3.5"},
                    BlockRow{"OverlapsOnce",
                             {"127.1.2.0/24", "127.1.2.128/25", "127.1.2.100-127.1.3.1"},
                             255,
                             "127.1.2.1",
                             "127.1.3.1"},
                    BlockRow{"RangeOfA16", {"127.0.0.0-127.0.255.255"}, 65024, "127.0.0.1", "127.0.255.254"},
                    BlockRow{"LargerThanA16", {"127.0.0.0/15"}, 0, "", "", "larger than a /16"},
                    BlockRow{"RangeLargerThanA16", {"127.0.0.0-127.1.0.0"}, 0, "", "", "more than a /16"},
                    BlockRow{"A31", {"127.0.0.0/31"}, 0, "", "", "/16 to /30"},
                    BlockRow{"NotItsStart", {"127.0.0.1/24"}, 0, "", "", "(127.0.0.0/24 does)"},
                    BlockRow{"Backwards", {"127.0.0.9-127.0.0.1"}, 0, "", "", "above the last"},
                    BlockRow{"Multicast", {"224.0.0.0/16"}, 0, "", "", "multicast"},
                    BlockRow{"Broadcast", {"255.255.0.0/16"}, 0, "", "", "broadcast"},
                    BlockRow{"ThisNetwork", {"0.0.0.0/16"}, 0, "", "", "0.x.x.x"},
                    BlockRow{"NoPrefix", {"127.0.0.0/"}, 0, "", "", "16 to 30"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(HostSweep, AsksExactlyItsHostsThenListensUntilSilentButNotForeverUnderJunk) {
    std::string error;
    const auto hosts = HostsOf({*ParseAddressBlock("127.0.0.250-127.0.1.5", error)});
    for (const bool junk : {false, true}) {
        FakeNetwork net;
        net.AddClock(Ip(127, 0, 0, 251), SimulatedClock(0, Faults([](auto& f) { f.delay = Ms(700); })));
        net.AddClock(Ip(127, 0, 1, 3), SimulatedClock(1));
        // An unsolicited reply from outside the block is no clock of it.
        net.Deliver(Ms(100), Ip(127, 0, 1, 6), ToBytes(sim::BuildStatusReply(sim::DefaultClockState(2), 1)));
        for (int at = 200; junk && at <= 60'000; at += 200)
            net.Deliver(Ms(at), Ip(127, 0, 9, 9), Bytes(95, 0x11));
        std::vector<std::string> found;
        EXPECT_TRUE(
            SweepHosts(hosts, net.Options(), [&](Ipv4Address clock) { found.push_back(clock.ToString()); }));

        std::vector<Ipv4Address> asked;
        for (const auto& sent : net.sent()) asked.push_back(sent.to);
        EXPECT_EQ(asked, hosts);
        EXPECT_EQ(found, (std::vector<std::string>{"127.0.1.3", "127.0.0.251"}));
        EXPECT_EQ(net.now(), junk ? Ms(3000) : Ms(1700))
            << "one silent wait after the last reply, three at most";
        EXPECT_EQ(LibraryVersion(net.opened()[0]), 22);
    }
}

// ---- Many clocks at once ---------------------------------------------------------------------

TEST(Fleet, AsksInAscendingOrderAndGivesUpAClockForGood) {
    FakeNetwork net;
    net.AddClock(Ip(127, 0, 0, 2), SimulatedClock(0));
    net.AddClock(Ip(127, 0, 0, 4), Stubborn(6, Ms(100)));
    net.AddClock(Ip(127, 0, 0, 10), SimulatedClock(8));
    const std::vector<Ipv4Address> clocks = {Ip(127, 0, 0, 10), Ip(127, 0, 0, 99), Ip(127, 0, 0, 4),
                                             Ip(127, 0, 0, 2)};
    std::vector<std::size_t> shown;
    const auto outcomes = QueryFleet(
        clocks, net.Options(), [&](std::size_t clock, const ClockDatagram&) { shown.push_back(clock); });
    ASSERT_TRUE(outcomes);

    // Each clock's first request in ascending address order (resends may come between them).
    std::vector<int> firstRequests;
    for (const auto& sent : net.sent())
        if (std::find(firstRequests.begin(), firstRequests.end(), sent.to.octets[3]) == firstRequests.end())
            firstRequests.push_back(sent.to.octets[3]);
    EXPECT_EQ(firstRequests, (std::vector<int>{2, 4, 10, 99}));
    const FleetOutcome& stubborn = (*outcomes)[2];
    EXPECT_EQ(stubborn.requestsSent, 6);
    EXPECT_TRUE(stubborn.checksumError);
    EXPECT_EQ(stubborn.repliesAccepted, 0) << "a clock given up is given up, whatever it sends later";
    EXPECT_EQ(shown, (std::vector<std::size_t>{3, 0}));
    EXPECT_FALSE((*outcomes)[1].Answered());
}

TEST(Fleet, AsksOneSubnetsWorthAtOnceThenAtTheRateAndWritesWithoutPause) {
    FakeNetwork net;
    std::string error;
    const auto hosts = HostsOf({*ParseAddressBlock("127.0.0.0/22", error)});
    ExchangeOptions options = net.Options();
    options.rate.perSecond = 1000;
    ASSERT_TRUE(QueryFleet(hosts, options, nullptr));
    const auto sent = net.sent();
    ASSERT_EQ(sent.size(), 1016u);
    EXPECT_EQ(sent[253].at, Ms(0));
    EXPECT_EQ(sent[254].at, Ms(1));
    EXPECT_EQ(sent.back().at, Ms(762));
    EXPECT_EQ(net.now(), Ms(1762)) << "every silent host given up one wait after its request";

    std::vector<FleetWrite> writes;
    for (std::size_t i = 0; i < 253; ++i) writes.push_back({hosts[i], BuildWriteRequest(ClockSettings{})});
    EXPECT_EQ(SendFleetWrites(writes, options), 253);
    EXPECT_EQ(net.now(), Ms(1762));
}

// ---- Over real UDP on loopback ---------------------------------------------------------------

// The endpoint really is bound to the clock port: a free port here, which the exchange then uses at
// both ends, with the test's socket on 127.0.0.2 as the clock. (The replies' way back over real
// UDP the command-line tests take against the simulator.)
TEST(RealUdp, RequestsLeaveFromTheClockPort) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    TestClient clock(Ip(127, 0, 0, 2));
    ClockDatagram buffer;
    EXPECT_TRUE(QueryClock(Ip(127, 0, 0, 2), buffer, OptionsFor(clock.port(), Ms(50)), nullptr).sent);
    const auto request = clock.Receive(Ms(1000));
    ASSERT_TRUE(request);
    EXPECT_EQ(request->sourcePort, clock.port());
}

}  // namespace
}  // namespace horavane::test
