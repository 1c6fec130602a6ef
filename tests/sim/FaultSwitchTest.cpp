// Each fault switch as a workstation sees it over real UDP.

#include "tests/common/SimSupport.h"

namespace horavane::test {
namespace {

class FaultSwitch : public SimulatorTest {
  protected:
    void SetUp() override { StartClocks(2); }

    template <typename Set>
    void Break(int clock, Set set) {
        sim().SetFaults(clock, Faults(set));
    }
};

TEST_F(FaultSwitch, SilentClockCountsTheRequestButAnswersNothingWhileItsNeighbourAnswers) {
    Break(0, [](sim::FaultSwitches& f) { f.silent = true; });
    EXPECT_FALSE(Ask(0, Command::QueryStatus, Ms(150)));
    EXPECT_FALSE(Ask(0, Command::Search, Ms(150)));
    EXPECT_EQ(sim().RequestsReceived(0, Command::QueryStatus), 1);
    EXPECT_EQ(sim().RequestsReceived(0, Command::Search), 1);
    EXPECT_TRUE(Ask(1));
}

TEST_F(FaultSwitch, WrongChecksumSpoilsExactlyTheNextKRepliesThenHeals) {
    Break(0, [](sim::FaultSwitches& f) { f.wrongChecksumReplies = 2; });
    for (int reply = 1; reply <= 3; ++reply) {
        const auto arrival = Ask(0);
        ASSERT_TRUE(arrival) << "reply " << reply;
        ClockDatagram d = AsDatagram(arrival->bytes);
        // 0 would pass any checksum test, so a spoilt checksum must not be 0 either.
        EXPECT_NE(d.checksum(), 0) << "reply " << reply;
        EXPECT_EQ(ApplyChecksum(d), reply == 3) << "reply " << reply;
    }
}

TEST_F(FaultSwitch, ZeroChecksumRepliesCarryByte94ZeroAndStillPass) {
    Break(0, [](sim::FaultSwitches& f) { f.zeroChecksum = true; });
    const auto arrival = Ask(0);
    ASSERT_TRUE(arrival);
    ASSERT_EQ(arrival->bytes.size(), ClockDatagram::kSize);
    EXPECT_EQ(arrival->bytes[ClockDatagram::kChecksum], 0);
    ClockDatagram d = AsDatagram(arrival->bytes);
    EXPECT_TRUE(AcceptAsReply(d));
}

TEST_F(FaultSwitch, ShortRepliesAreCutToTheirLengthIncludingEmpty) {
    for (const std::size_t length : {std::size_t{60}, std::size_t{0}}) {
        Break(0, [length](sim::FaultSwitches& f) { f.shortReplyLength = length; });
        const auto arrival = Ask(0);
        ASSERT_TRUE(arrival) << length;
        ASSERT_EQ(arrival->bytes.size(), length);
        if (length == 60) {
            // Padded with zeros, as the program reads it, the reply is accepted.
            ClockDatagram d = AsDatagram(arrival->bytes);
            EXPECT_TRUE(AcceptAsReply(d));
            const ClockDatagram full = sim().StatusReply(0);
            EXPECT_EQ(arrival->bytes, Bytes(full.bytes().begin(), full.bytes().begin() + 60));
        }
    }
}

TEST_F(FaultSwitch, DuplicateSendsEveryReplyTwice) {
    Break(0, [](sim::FaultSwitches& f) { f.duplicateReplies = true; });
    SendTo(0, Request(Command::Search));
    const auto arrivals = client_.ReceiveFor(Ms(150));
    ASSERT_EQ(arrivals.size(), 2U);
    EXPECT_EQ(arrivals[0].bytes, arrivals[1].bytes);
}

TEST_F(FaultSwitch, DelayedClockAnswersLateWithoutHoldingUpTheOthers) {
    Break(0, [](sim::FaultSwitches& f) { f.delay = Ms(300); });
    const auto start = std::chrono::steady_clock::now();
    SendTo(0, Request(Command::QueryStatus));
    SendTo(1, Request(Command::QueryStatus));
    const auto first = client_.Receive(Ms(1000));
    const auto firstAt = std::chrono::steady_clock::now() - start;
    const auto second = client_.Receive(Ms(1000));
    const auto secondAt = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->source, sim().address(1));
    EXPECT_LT(firstAt, Ms(150));
    EXPECT_EQ(second->source, sim().address(0));
    EXPECT_GE(secondAt, Ms(290));
}

TEST_F(FaultSwitch, WrongDirectionKeepsAValidChecksumSoOnlyTheDirectionRefusesIt) {
    Break(0, [](sim::FaultSwitches& f) { f.direction = std::uint8_t{2}; });
    const auto arrival = Ask(0);
    ASSERT_TRUE(arrival);
    ClockDatagram d = AsDatagram(arrival->bytes);
    EXPECT_EQ(d.direction(), 2);
    EXPECT_TRUE(ApplyChecksum(d));
    EXPECT_FALSE(AcceptAsReply(d));
}

}  // namespace
}  // namespace horavane::test
