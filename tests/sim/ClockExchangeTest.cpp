// The simulated clocks over real UDP: what they answer, what they take from a write, and the
// defaults an operator finds on them.

#include "dialog/ClockDisplay.h"
#include "dialog/InMemoryControls.h"
#include "protocol/ClockCodec.h"
#include "sim/ClockState.h"
#include "tests/common/SimSupport.h"

namespace horavane::test {
namespace {

// A write whose every setting differs from the defaults, with identity bytes that a clock must not take.
ClockDatagram DistinctWrite() {
    ClockDatagram d;
    BeginRequest(d, Command::WriteSettings);
    d.setDstStartMonth(4);
    d.setDstStartWhen(1, 5);
    d.setDstStartHour(1);
    d.setDstEndMonth(9);
    d.setDstEndWhen(2, 6);
    d.setDstEndHour(23);
    d.setTzHours(0x83);
    d.setTzMinutes(30);
    d.setTimeFormat(12);
    d.setBrightness(4);
    d.setSaveFromHour(0);
    d.setSaveToHour(0);
    d.setTimeServer(0, Ip(10, 0, 0, 1));
    d.setTimeServer(2, Ip(10, 0, 0, 3));
    d.setTimeServerCount(2);
    d.setDynamicIp(1);
    d.setClockIp(Ip(10, 1, 2, 3));
    d.setSubnetMask(Ip(255, 255, 0, 0));
    d.setGateway(Ip(10, 1, 0, 1));
    d.setDnsServer(Ip(10, 1, 0, 2));
    d.setSyncState(0);
    d.setSerialNumber("INTRUDER");
    d.setMac({1, 2, 3, 4, 5, 6});
    ApplyChecksum(d);
    return d;
}

using ClockExchange = SimulatorTest;

TEST_F(ClockExchange, SearchAndQueryGetOneStatusReplyFromTheClocksOwnAddress) {
    StartClocks(3);
    for (int clock = 0; clock < 3; ++clock) {
        for (const Command command : {Command::Search, Command::QueryStatus}) {
            const auto reply = Ask(clock, command);
            ASSERT_TRUE(reply) << "clock " << clock;
            EXPECT_EQ(reply->source, sim().address(clock));
            EXPECT_EQ(reply->sourcePort, sim().port());
            ASSERT_EQ(reply->bytes.size(), ClockDatagram::kSize);
            ClockDatagram d = AsDatagram(reply->bytes);
            EXPECT_NE(d.checksum(), 0);
            EXPECT_TRUE(AcceptAsReply(d));
            EXPECT_EQ(d.command(), static_cast<std::uint8_t>(command));
            EXPECT_EQ(d.serialNumber(), "HV-2026-" + std::to_string(1001 + clock));
            EXPECT_EQ(d.mac(), (MacAddress{0x02, 0x48, 0x56, 0, 0, static_cast<std::uint8_t>(clock + 1)}));
            EXPECT_EQ(d.clockIp(), Ip(192, 168, 1, static_cast<std::uint8_t>(100 + clock)));
            EXPECT_EQ(d.syncState(), 1);
            EXPECT_EQ(d.currentTimeServer(), Ip(192, 168, 1, 10));
        }
        EXPECT_EQ(sim().RequestsReceived(clock, Command::Search), 1);
        EXPECT_EQ(sim().RequestsReceived(clock, Command::QueryStatus), 1);
    }
    EXPECT_TRUE(client_.ReceiveFor(Ms(100)).empty()) << "one reply per request";
}

TEST_F(ClockExchange, WriteIsUnansweredAndAQueryThenShowsTheWrittenSettingsButNotTheIdentity) {
    StartClocks(2);
    const ClockDatagram write = DistinctWrite();
    SendTo(1, ToBytes(write));
    ASSERT_TRUE(AwaitWrites(1, 1));
    EXPECT_TRUE(client_.ReceiveFor(Ms(150)).empty());

    const auto reply = Ask(1);
    ASSERT_TRUE(reply);
    const ClockDatagram d = AsDatagram(reply->bytes);
    for (std::size_t offset = ClockDatagram::kDstStartMonth; offset <= ClockDatagram::kDstEndHour; ++offset)
        EXPECT_EQ(d.At(offset), write.At(offset)) << "offset " << offset;
    for (std::size_t offset :
         {ClockDatagram::kTzHours, ClockDatagram::kTzMinutes, ClockDatagram::kTimeFormat,
          ClockDatagram::kBrightness, ClockDatagram::kSaveFromHour, ClockDatagram::kSaveToHour,
          ClockDatagram::kTimeServerCount, ClockDatagram::kDynamicIp})
        EXPECT_EQ(d.At(offset), write.At(offset)) << "offset " << offset;
    for (std::size_t slot = 0; slot < ClockDatagram::kTimeServerSlots; ++slot)
        EXPECT_EQ(d.timeServer(slot), write.timeServer(slot)) << "slot " << slot;
    EXPECT_EQ(d.clockIp(), write.clockIp());
    EXPECT_EQ(d.subnetMask(), write.subnetMask());
    EXPECT_EQ(d.gateway(), write.gateway());
    EXPECT_EQ(d.dnsServer(), write.dnsServer());
    // A write carries no identity: serial, MAC and sync state stay the clock's own.
    EXPECT_EQ(d.serialNumber(), "HV-2026-1002");
    EXPECT_EQ(d.mac()[5], 2);
    EXPECT_EQ(d.syncState(), 1);
    // The other clock is untouched.
    EXPECT_EQ(sim().StatusReply(0).tzHours(), 0x01);
}

// An operator picks a clock, changes one setting and presses Modify: every simulated clock's
// defaults, at both ends of its placement in a /24, must pass every check of the window.
TEST(DefaultClock, DefaultSettingsPassEveryCheckOfModify) {
    for (int clock : {0, 1, 149, 150, 252}) {
        InMemoryControls window;
        FillDialogLists(window);
        ShowReply(window, DecodeStatus(sim::DefaultClockState(clock)));
        const SettingsForm form = ReadSettingsForm(window);
        EXPECT_EQ(ValidateAddresses(form), std::nullopt) << clock;
        EXPECT_EQ(CheckDaylightSavingRule(form), std::nullopt) << clock;
        EXPECT_EQ(CheckEnergySavingRule(form), std::nullopt) << clock;
        EXPECT_EQ(CheckBrightnessRule(form), std::nullopt) << clock;
    }
}

}  // namespace
}  // namespace horavane::test
