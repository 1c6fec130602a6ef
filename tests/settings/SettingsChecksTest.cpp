#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "settings/ControlIds.h"
#include "settings/InMemoryControls.h"
#include "settings/Messages.h"
#include "settings/SettingCodes.h"
#include "settings/SettingsChecks.h"

namespace horavane {
namespace {

using Box = InMemoryControls::Message::Box;

// Records the calls whose order the operator can notice: messages first, then focus and selection.
class RecordingControls : public InMemoryControls {
  public:
    std::vector<std::string> calls;

    void SetFocus(int id) override {
        calls.push_back("focus " + std::to_string(id));
        InMemoryControls::SetFocus(id);
    }
    void ComboSelect(int id, int index) override {
        calls.push_back("select " + std::to_string(id) + " " + std::to_string(index));
        InMemoryControls::ComboSelect(id, index);
    }
    void Enable(int id, bool enabled) override {
        calls.push_back((enabled ? "enable " : "disable ") + std::to_string(id));
        InMemoryControls::Enable(id, enabled);
    }
    void ShowDialogMessage(std::string_view text, std::optional<std::string_view> title) override {
        calls.push_back("message");
        InMemoryControls::ShowDialogMessage(text, title);
    }
};

IpFieldValue Field(std::string_view text) {
    const auto value = IpFieldValue::Parse(text);
    EXPECT_TRUE(value.has_value()) << text;
    return value.value_or(IpFieldValue{});
}

// A window whose addresses pass every check.
RecordingControls AcceptableWindow() {
    RecordingControls controls;
    static_cast<InMemoryControls&>(controls) = InMemoryControls::WithDialogData();
    FillRuleLists(controls);
    controls.SetIpParts(ctl::TimeServer1, Field("10.0.0.1"));
    controls.SetIpParts(ctl::IpAddress, Field("192.168.1.20"));
    controls.SetIpParts(ctl::SubnetMask, Field("255.255.255.0"));
    controls.SetIpParts(ctl::Gateway, Field("192.168.1.1"));
    controls.SetIpParts(ctl::DnsServer, Field("192.168.1.2"));
    controls.calls.clear();
    return controls;
}

struct Shown {
    std::string text;
    std::optional<std::string> title;
    friend bool operator==(const Shown&, const Shown&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Shown& s) {
        return os << '"' << s.text << "\" title " << (s.title ? *s.title : "<program name>");
    }
};

std::vector<Shown> DialogMessages(const InMemoryControls& controls) {
    std::vector<Shown> shown;
    for (const auto& m : controls.messages()) {
        EXPECT_EQ(m.box, Box::Dialog) << m.text;
        shown.push_back({m.text, m.title});
    }
    return shown;
}

const Shown kNoTimeServer{std::string(msg::kNoTimeServer), std::nullopt};
const Shown kLoopback{std::string(msg::kLoopback), std::nullopt};
const Shown kIncomplete{std::string(msg::kIncompleteAddress), std::nullopt};
const Shown kSubnet{std::string(msg::kSubnetMask), std::nullopt};
Shown FirstPart(int part) {
    return {std::to_string(part) + " is not a valid entry. Please specify a value between 1 and 223.",
            "ERROR"};
}

// ---- Rules 1 and 2 -------------------------------------------------------------------------

struct AddressCase {
    const char* name;
    std::vector<std::pair<int, const char*>> fields;  // set after the acceptable defaults; "" blanks
    std::vector<Shown> expected;                      // empty: accepted
};

// Keeps CTest's test names to the row's name instead of a dump of the row's bytes.
void PrintTo(const AddressCase& c, std::ostream* os) {
    *os << c.name;
}

class AddressChecks : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressChecks, ShowTheFirstFailingFieldsMessageOnly) {
    auto controls = AcceptableWindow();
    for (const auto& [id, text] : GetParam().fields) controls.SetIpParts(id, Field(text));

    const bool accepted = ValidateAddresses(controls);

    EXPECT_EQ(accepted, GetParam().expected.empty());
    EXPECT_EQ(DialogMessages(controls), GetParam().expected);
}

using ctl::DnsServer, ctl::Gateway, ctl::IpAddress, ctl::SubnetMask, ctl::TimeServer1;

INSTANTIATE_TEST_SUITE_P(
    Rules, AddressChecks,
    testing::Values(
        AddressCase{"AcceptableWindow", {}, {}},
        AddressCase{"FirstPart223Accepted", {{DnsServer, "223.1.1.1"}, {TimeServer1, "223.0.0.1"}}, {}},
        AddressCase{"FirstPart224InGateway", {{Gateway, "224.1.1.1"}}, {FirstPart(224)}},
        AddressCase{"FirstPart255InTimeServer", {{TimeServer1 + 2, "255.0.0.1"}}, {FirstPart(255)}},
        AddressCase{"FirstPartZeroFullyFilled", {{DnsServer, "0.1.1.1"}}, {FirstPart(0)}},
        AddressCase{
            "FirstTimeServerBlankSecondGiven", {{TimeServer1, ""}, {TimeServer1 + 1, "10.0.0.2"}}, {}},
        AddressCase{"OnlyFifthTimeServerGiven", {{TimeServer1, ""}, {TimeServer1 + 4, "10.0.0.5"}}, {}},
        AddressCase{
            "AllTimeServersBlankBeforeABadIpAddress", {{TimeServer1, ""}, {IpAddress, ""}}, {kNoTimeServer}},
        AddressCase{"TwoPartTimeServer", {{TimeServer1 + 1, "10.1"}}, {kIncomplete}},
        AddressCase{"ThreePartIpAddress", {{IpAddress, "192.168.1."}}, {kIncomplete}},
        AddressCase{"EmptyFirstPartCountsAsZeroBeforeCompleteness", {{TimeServer1, ".1"}}, {FirstPart(0)}},
        AddressCase{"LoopbackBeforeCompleteness", {{TimeServer1, "127.0.0"}}, {kLoopback}},
        AddressCase{"BlankIpAddress", {{IpAddress, ""}}, {FirstPart(0)}},
        AddressCase{"BlankGateway", {{Gateway, ""}}, {FirstPart(0)}},
        AddressCase{"BlankDnsServer", {{DnsServer, ""}}, {FirstPart(0)}},
        AddressCase{"LoopbackDnsServer", {{DnsServer, "127.0.0.1"}}, {kLoopback}},
        AddressCase{
            "EarlierFieldWins", {{TimeServer1, "224.0.0.1"}, {DnsServer, "127.0.0.1"}}, {FirstPart(224)}},
        AddressCase{"BlankSubnetMask", {{SubnetMask, ""}}, {}},
        AddressCase{"ZeroSubnetMaskSkipsTheFirstPartRule", {{SubnetMask, "0.0.0.0"}}, {}},
        AddressCase{"TwoPartSubnetMask", {{SubnetMask, "255.255"}}, {kIncomplete}},
        AddressCase{"AllOnesMaskRefusesAnyAddress", {{SubnetMask, "255.255.255.255"}}, {kSubnet}},
        AddressCase{"HostPartAllZeros", {{IpAddress, "192.168.1.0"}}, {kSubnet}},
        AddressCase{"HostPartAllOnes", {{IpAddress, "192.168.1.255"}}, {kSubnet}},
        AddressCase{"HostPartOne", {{IpAddress, "192.168.1.1"}}, {}},
        AddressCase{"NonContiguousMaskNotTested", {{SubnetMask, "255.0.255.0"}, {IpAddress, "10.1.2.3"}}, {}},
        AddressCase{"GatewayNotTestedAgainstSubnet", {{Gateway, "10.9.9.9"}}, {}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(AddressChecksDynamic, DisabledFieldsAreStillChecked) {
    auto controls = AcceptableWindow();
    OnDynamicIp(controls);
    controls.SetIpParts(ctl::IpAddress, IpFieldValue{});
    EXPECT_FALSE(ValidateAddresses(controls));
    EXPECT_EQ(DialogMessages(controls), std::vector<Shown>{FirstPart(0)});
}

// ---- Rule 3 --------------------------------------------------------------------------------

TEST(DaylightSavingRule, EveryOneOfTheEightListsNeedsASelection) {
    const std::array<int, 8> ruleLists = {ctl::DstStartMonth, ctl::DstStartWeek, ctl::DstStartDay,
                                          ctl::DstStartHour,  ctl::DstEndMonth,  ctl::DstEndWeek,
                                          ctl::DstEndDay,     ctl::DstEndHour};
    for (int missing : ruleLists) {
        auto controls = AcceptableWindow();
        controls.SetChecked(ctl::DaylightSaving, true);
        for (int id : ruleLists) controls.ComboSelect(id, id == missing ? -1 : 0);
        EXPECT_FALSE(CheckDaylightSavingRule(controls)) << missing;
        EXPECT_EQ(DialogMessages(controls),
                  (std::vector<Shown>{{std::string(msg::kDstIncomplete), std::nullopt}}));
    }

    auto complete = AcceptableWindow();
    complete.SetChecked(ctl::DaylightSaving, true);
    for (int id : ruleLists) complete.ComboSelect(id, 0);
    EXPECT_TRUE(CheckDaylightSavingRule(complete));

    auto unticked = AcceptableWindow();
    EXPECT_TRUE(CheckDaylightSavingRule(unticked));
    EXPECT_TRUE(unticked.messages().empty());
}

// ---- Rules 4 and 5 -------------------------------------------------------------------------

TEST(EnergySavingRule, EqualHoursOtherThanZeroAreRefused) {
    struct Case {
        int from, to;
        bool accepted;
    };
    for (const auto& c :
         {Case{0, 0, true}, Case{22, 6, true}, Case{-1, 0, true}, Case{23, 23, false}, Case{-1, -1, false}}) {
        auto controls = AcceptableWindow();
        controls.ComboSelect(ctl::EnergyFrom, c.from);
        controls.ComboSelect(ctl::EnergyTo, c.to);
        controls.calls.clear();
        EXPECT_EQ(CheckEnergySavingRule(controls), c.accepted) << c.from << " to " << c.to;
        EXPECT_EQ(controls.messages().size(), c.accepted ? 0U : 1U);
    }
}

TEST(EnergySavingRule, SevenToSevenIsRefusedOnceThenTheResetListPasses) {
    auto controls = AcceptableWindow();
    controls.ComboSelect(ctl::EnergyFrom, 7);
    controls.ComboSelect(ctl::EnergyTo, 7);
    controls.calls.clear();

    EXPECT_FALSE(CheckEnergySavingRule(controls));
    EXPECT_EQ(DialogMessages(controls), (std::vector<Shown>{{"Two value not the same.", std::nullopt}}));
    EXPECT_EQ(controls.calls, (std::vector<std::string>{"message", "focus 1049", "select 1049 0"}));
    EXPECT_EQ(controls.GetText(ctl::EnergyFrom), "0");
    EXPECT_EQ(controls.GetText(ctl::EnergyTo), "7");

    controls.ClearMessages();
    EXPECT_TRUE(CheckEnergySavingRule(controls));
    EXPECT_TRUE(controls.messages().empty());
}

TEST(BrightnessRule, RefusalShowsErrorThenResetsToBrilliantWithFocus) {
    auto controls = AcceptableWindow();
    ClockDatagram datagram;
    ASSERT_FALSE(TakeSettingCodes(controls, datagram));
    RefuseBrightness(controls);

    EXPECT_EQ(DialogMessages(controls), (std::vector<Shown>{{"Error.", std::nullopt}}));
    EXPECT_EQ(controls.calls, (std::vector<std::string>{"message", "focus 1050", "select 1050 0"}));
    EXPECT_EQ(controls.GetText(ctl::Brightness), "Brilliant");
    EXPECT_TRUE(TakeSettingCodes(controls, datagram));
}

// ---- Address mode --------------------------------------------------------------------------

TEST(AddressMode, DynamicAndStaticToggleTheFourFieldsInOrderKeepingTheirContents) {
    auto controls = AcceptableWindow();
    const auto before = controls.GetIp(ctl::IpAddress);

    OnDynamicIp(controls);
    EXPECT_EQ(controls.calls,
              (std::vector<std::string>{"disable 1018", "disable 1019", "disable 1020", "disable 1021"}));
    EXPECT_TRUE(controls.IsEnabled(ctl::TimeServer1));
    EXPECT_EQ(controls.GetIp(ctl::IpAddress), before);

    controls.calls.clear();
    OnStaticIp(controls);
    EXPECT_EQ(controls.calls,
              (std::vector<std::string>{"enable 1018", "enable 1019", "enable 1020", "enable 1021"}));
    EXPECT_EQ(controls.GetIp(ctl::IpAddress), before);
    EXPECT_TRUE(ValidateAddresses(controls));
}

}  // namespace
}  // namespace horavane
