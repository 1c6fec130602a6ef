#include "protocol/ConfigurationWrite.h"
#include "settings/Messages.h"
#include "tests/common/DialogLogicFixture.h"

namespace horavane::test {
namespace {

class ConfigurationWriteTest : public DialogLogicTest {
  protected:
    void SetUp() override { StartClocks(1); }

    // Settings an operator could type in from scratch, every check passing.
    void TypeValidSettings() {
        controls_.SetIpParts(ctl::TimeServer1, Field(10, 0, 0, 1));
        controls_.SetIpParts(ctl::TimeServer1 + 2, Field(10, 0, 0, 3));
        controls_.SetIpParts(ctl::IpAddress, Field(192, 168, 1, 50));
        controls_.SetIpParts(ctl::Gateway, Field(192, 168, 1, 1));
        controls_.SetIpParts(ctl::DnsServer, Field(8, 8, 4, 4));
        controls_.SetChecked(ctl::DynamicIp, true);
        controls_.SetChecked(ctl::Format12, true);
        // The rule lists are set but the box is not ticked: the rule must not travel.
        controls_.ComboSelect(ctl::DstStartMonth, 2);
        controls_.ComboSelect(ctl::DstEndHour, 5);
        SelectComboText(controls_, ctl::TimeZoneList, "UTC -9:30");
        SelectComboText(controls_, ctl::EnergyFrom, "22");
        SelectComboText(controls_, ctl::EnergyTo, "6");
        SelectComboText(controls_, ctl::Brightness, "Dim");
    }

    int Writes() { return sim().RequestsReceived(0, Command::WriteSettings); }
};

TEST_F(ConfigurationWriteTest, ClockReceivesExactlyTheEncodedSettings) {
    TypeValidSettings();
    SelectClock(0);
    ASSERT_TRUE(logic().OnModify());
    ASSERT_TRUE(AwaitWrites(0, 1));

    ClockDatagram expected;
    expected.SetMagic();
    expected.setCommand(Command::WriteSettings);
    expected.setTzHours(0x89);
    expected.setTzMinutes(30);
    expected.setTimeFormat(12);
    expected.setBrightness(1);
    expected.setSaveFromHour(22);
    expected.setSaveToHour(6);
    expected.setTimeServer(0, Ip(10, 0, 0, 1));
    expected.setTimeServer(2, Ip(10, 0, 0, 3));
    expected.setTimeServerCount(2);
    expected.setDynamicIp(1);
    expected.setClockIp(Ip(192, 168, 1, 50));  // the blank mask travels as 0.0.0.0
    expected.setGateway(Ip(192, 168, 1, 1));
    expected.setDnsServer(Ip(8, 8, 4, 4));
    ASSERT_TRUE(ApplyChecksum(expected));

    const auto received = sim().Received(0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(ToHex(received[0]), ToHex(expected.bytes()));
    EXPECT_EQ(logic().buffer(), expected);  // the buffer keeps what went out
}

TEST_F(ConfigurationWriteTest, RefusedModifySendsNothingAndShowsItsMessage) {
    TypeValidSettings();
    SelectClock(0);

    // An address refusal comes before the buffer is touched.
    controls_.SetIpParts(ctl::DnsServer, Field(127, 0, 0, 1));
    logic().buffer().SetAt(ClockDatagram::kSerialNumber, 0x5A);
    const ClockDatagram before = logic().buffer();
    EXPECT_FALSE(logic().OnModify());
    EXPECT_EQ(logic().buffer(), before);
    ASSERT_EQ(controls_.messages().size(), 1u);
    EXPECT_EQ(controls_.messages()[0].text, msg::kLoopback);
    controls_.SetIpParts(ctl::DnsServer, Field(8, 8, 4, 4));

    // A ticked daylight-saving box with an empty list: refused after the buffer was cleared.
    controls_.SetChecked(ctl::DaylightSaving, true);
    EXPECT_FALSE(logic().OnModify());
    EXPECT_EQ(logic().buffer(), ClockDatagram{});
    EXPECT_EQ(controls_.messages().back().text, msg::kDstIncomplete);
    controls_.SetChecked(ctl::DaylightSaving, false);

    // Equal energy-saving hours: the from-list falls back to "0", so the next press passes.
    SelectComboText(controls_, ctl::EnergyFrom, "7");
    SelectComboText(controls_, ctl::EnergyTo, "7");
    EXPECT_FALSE(logic().OnModify());
    EXPECT_EQ(controls_.messages().back().text, msg::kEnergySavingSame);
    EXPECT_EQ(controls_.GetText(ctl::EnergyFrom), "0");
    EXPECT_EQ(controls_.messages().size(), 3u);

    ASSERT_TRUE(logic().OnModify());
    ASSERT_TRUE(AwaitWrites(0, 1));
    EXPECT_EQ(controls_.messages().size(), 3u);
    // Only the accepted press reached the clock.
    EXPECT_EQ(sim().Received(0).size(), 1u);
    EXPECT_EQ(Writes(), 1);
}

TEST_F(ConfigurationWriteTest, WithoutSelectedClockChecksRunAndNothingIsSent) {
    TypeValidSettings();
    EXPECT_FALSE(logic().OnModify());
    EXPECT_TRUE(controls_.messages().empty());
    // Built but not sent: no checksum yet.
    EXPECT_EQ(logic().buffer().command(), static_cast<std::uint8_t>(Command::WriteSettings));
    EXPECT_EQ(logic().buffer().checksum(), 0);

    controls_.ClearIp(ctl::TimeServer1);
    controls_.ClearIp(ctl::TimeServer1 + 2);
    EXPECT_FALSE(logic().OnModify());
    ASSERT_EQ(controls_.messages().size(), 1u);
    EXPECT_EQ(controls_.messages()[0].text, msg::kNoTimeServer);

    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Writes(), 0);
    EXPECT_TRUE(sim().Received(0).empty());
}

}  // namespace
}  // namespace horavane::test
