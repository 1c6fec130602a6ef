#include <gtest/gtest.h>

#include <array>
#include <string>

#include "settings/ControlIds.h"
#include "settings/InMemoryControls.h"
#include "settings/SettingCodes.h"
#include "settings/ValueLists.h"

namespace horavane {
namespace {

constexpr std::array<int, 8> kRuleLists = {ctl::DstStartMonth, ctl::DstStartWeek, ctl::DstStartDay,
                                           ctl::DstStartHour,  ctl::DstEndMonth,  ctl::DstEndWeek,
                                           ctl::DstEndDay,     ctl::DstEndHour};

// The window as the operator finds it after start-up: template data plus the rule lists.
InMemoryControls FreshWindow() {
    auto controls = InMemoryControls::WithDialogData();
    FillRuleLists(controls);
    return controls;
}

// Every list holding some earlier selection, so a test sees whether showing a code drops it.
void SelectEverything(InMemoryControls& controls) {
    for (int id : kRuleLists) controls.ComboSelect(id, 1);
    for (int id : {ctl::TimeZoneList, ctl::EnergyFrom, ctl::EnergyTo, ctl::Brightness})
        controls.ComboSelect(id, 1);
}

ClockDatagram WithRule(std::array<std::uint8_t, 6> rule) {
    ClockDatagram reply;
    for (std::size_t i = 0; i < rule.size(); ++i) reply.SetAt(ClockDatagram::kDstStartMonth + i, rule[i]);
    return reply;
}

// ---- Time zone -----------------------------------------------------------------------------

struct ZoneShowCase {
    const char* name;
    std::uint8_t hours;
    std::uint8_t minutes;
    const char* display;
    const char* selected;  // "" for no selection
};

void PrintTo(const ZoneShowCase& c, std::ostream* os) {
    *os << c.name;
}

class TimeZoneShow : public testing::TestWithParam<ZoneShowCase> {};

TEST_P(TimeZoneShow, FillsLabelAndSelectsOnlyAnExactEntry) {
    const auto& c = GetParam();
    auto controls = FreshWindow();
    SelectEverything(controls);
    ClockDatagram reply;
    reply.setTzHours(c.hours);
    reply.setTzMinutes(c.minutes);

    ShowTimeZone(controls, reply);

    EXPECT_EQ(controls.GetText(ctl::TimeZoneText), c.display);
    EXPECT_EQ(controls.GetText(ctl::TimeZoneList), c.selected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, TimeZoneShow,
    testing::Values(ZoneShowCase{"MinusZeroIsUtc", 0x80, 0, "GMT -0:00", "UTC"},
                    ZoneShowCase{"PlusHalfHourHasNoEntry", 0x00, 30, "GMT +0:30", ""},
                    ZoneShowCase{"PlusFifteenHasNoEntry", 0x0F, 0, "GMT +15:00", ""},
                    ZoneShowCase{"MinusOneNotMinusTwelve", 0x81, 0, "GMT -1:00", "UTC -1"},
                    ZoneShowCase{"MinusThreeNotMinusThreeThirty", 0x83, 0, "GMT -3:00", "UTC -3"},
                    ZoneShowCase{"MinusThreeThirty", 0x83, 30, "GMT -3:30", "UTC -3:30"},
                    ZoneShowCase{"MinusNineNotMinusNineThirty", 0x89, 0, "GMT -9:00", "UTC -9"},
                    ZoneShowCase{"PlusEight", 0x08, 0, "GMT +8:00", "UTC +8"},
                    ZoneShowCase{"PlusFourteen", 0x0E, 0, "GMT +14:00", "UTC +14"},
                    ZoneShowCase{"MissingHalfHour", 0x02, 30, "GMT +2:30", ""},
                    ZoneShowCase{"QuarterHour", 0x05, 15, "GMT +5:15", ""},
                    ZoneShowCase{"MinutesReadSigned", 0x08, 0xE2, "GMT +8:-30", ""},
                    ZoneShowCase{"AllHourBits", 0xFF, 0, "GMT -127:00", ""}),
    [](const auto& row) { return std::string(row.param.name); });

// The codes of the 36 entries, in list order.
constexpr std::array<TimeZoneCode, 36> kZoneCodes = {{
    {0x00, 0},  {0x8C, 0},  {0x8B, 0},  {0x8A, 0},  {0x89, 30}, {0x89, 0},  {0x88, 0},  {0x87, 0}, {0x86, 0},
    {0x85, 0},  {0x84, 0},  {0x83, 30}, {0x83, 0},  {0x82, 0},  {0x81, 0},  {0x01, 0},  {0x02, 0}, {0x03, 0},
    {0x03, 30}, {0x04, 0},  {0x04, 30}, {0x05, 0},  {0x05, 30}, {0x06, 0},  {0x06, 30}, {0x07, 0}, {0x08, 0},
    {0x09, 0},  {0x09, 30}, {0x0A, 0},  {0x0A, 30}, {0x0B, 0},  {0x0B, 30}, {0x0C, 0},  {0x0D, 0}, {0x0E, 0},
}};

TEST(TimeZoneCodes, EveryEntryWritesItsCodeAndReadsBackToItself) {
    for (int index = 0; index < static_cast<int>(lists::kTimeZones.size()); ++index) {
        SCOPED_TRACE(lists::kTimeZones[static_cast<std::size_t>(index)]);
        auto window = FreshWindow();
        window.ComboSelect(ctl::TimeZoneList, index);
        window.ComboSelect(ctl::Brightness, 0);
        ClockDatagram written;
        ASSERT_TRUE(TakeSettingCodes(window, written));
        const auto& expected = kZoneCodes[static_cast<std::size_t>(index)];
        EXPECT_EQ(written.tzHours(), expected.hours);
        EXPECT_EQ(written.tzMinutes(), expected.minutes);

        auto other = FreshWindow();
        ShowTimeZone(other, written);
        EXPECT_EQ(other.ComboSelectedIndex(ctl::TimeZoneList), index);
    }
    EXPECT_EQ(TimeZoneCodeFromText(""), (TimeZoneCode{0, 0})) << "no selection writes UTC";
}

// ---- Daylight-saving rule --------------------------------------------------------------------

TEST(DaylightSaving, ExampleRuleShowsAndWritesBackTheSameBytes) {
    auto controls = FreshWindow();
    ShowDaylightSaving(controls, WithRule({3, 0x27, 2, 10, 0x67, 3}));

    EXPECT_TRUE(controls.IsChecked(ctl::DaylightSaving));
    EXPECT_EQ(controls.GetText(ctl::DstStartHour), "2");
    EXPECT_EQ(controls.GetText(ctl::DstStartWeek), "Second");
    EXPECT_EQ(controls.GetText(ctl::DstStartDay), "Sun");
    EXPECT_EQ(controls.GetText(ctl::DstStartMonth), "Mar");
    EXPECT_EQ(controls.GetText(ctl::DstEndHour), "3");
    EXPECT_EQ(controls.GetText(ctl::DstEndWeek), "Last");
    EXPECT_EQ(controls.GetText(ctl::DstEndDay), "Sun");
    EXPECT_EQ(controls.GetText(ctl::DstEndMonth), "Oct");

    controls.ComboSelect(ctl::Brightness, 0);
    ClockDatagram written;
    ASSERT_TRUE(TakeSettingCodes(controls, written));
    auto expected = WithRule({3, 0x27, 2, 10, 0x67, 3});
    expected.setTimeFormat(24);
    expected.setBrightness(4);
    EXPECT_EQ(written, expected);
}

TEST(DaylightSaving, OutOfRangeMonthOrHourUnticksAndEmptiesEveryList) {
    const std::array<std::array<std::uint8_t, 6>, 5> rules = {{
        {0, 0x27, 2, 10, 0x67, 3},   // start month 0
        {13, 0x27, 2, 10, 0x67, 3},  // start month 13
        {3, 0x27, 24, 10, 0x67, 3},  // start hour 24
        {3, 0x27, 2, 0, 0x67, 3},    // end month 0
        {3, 0x27, 2, 10, 0x67, 24},  // end hour 24
    }};
    for (const auto& rule : rules) {
        SCOPED_TRACE(testing::PrintToString(rule));
        auto controls = FreshWindow();
        controls.SetChecked(ctl::DaylightSaving, true);
        SelectEverything(controls);

        ShowDaylightSaving(controls, WithRule(rule));

        EXPECT_FALSE(controls.IsChecked(ctl::DaylightSaving));
        for (int id : kRuleLists) EXPECT_EQ(controls.ComboSelectedIndex(id), -1) << id;
    }
}

TEST(DaylightSaving, BadNibbleLeavesOnlyItsOwnListEmpty) {
    auto controls = FreshWindow();
    SelectEverything(controls);
    // Start: ordinal 7, weekday 0. End: ordinal 0, weekday 8.
    ShowDaylightSaving(controls, WithRule({3, 0x70, 2, 10, 0x08, 3}));

    EXPECT_TRUE(controls.IsChecked(ctl::DaylightSaving));
    EXPECT_EQ(controls.GetText(ctl::DstStartMonth), "Mar");
    EXPECT_EQ(controls.GetText(ctl::DstStartHour), "2");
    EXPECT_EQ(controls.ComboSelectedIndex(ctl::DstStartWeek), -1);
    EXPECT_EQ(controls.ComboSelectedIndex(ctl::DstStartDay), -1);
    EXPECT_EQ(controls.ComboSelectedIndex(ctl::DstEndWeek), -1);
    EXPECT_EQ(controls.ComboSelectedIndex(ctl::DstEndDay), -1);
    EXPECT_EQ(controls.GetText(ctl::DstEndMonth), "Oct");
    EXPECT_EQ(controls.GetText(ctl::DstEndHour), "3");
}

TEST(RuleLists, FillingTwiceNeverDoublesAndKeepsListsThatHoldEntries) {
    auto controls = InMemoryControls::WithDialogData();
    controls.ComboAdd(ctl::DstEndDay, "Someday");
    FillRuleLists(controls);
    controls.ComboSelect(ctl::DstStartHour, 5);
    controls.ComboSelect(ctl::DstStartMonth, 2);
    FillRuleLists(controls);

    EXPECT_EQ(controls.GetText(ctl::DstStartHour), "5");
    EXPECT_EQ(controls.GetText(ctl::DstStartMonth), "Mar");

    EXPECT_EQ(controls.ComboCount(ctl::DstStartMonth), 12);
    EXPECT_EQ(controls.ComboCount(ctl::DstEndHour), 24);
    EXPECT_EQ(controls.ComboEntries(ctl::DstEndDay), std::vector<std::string>{"Someday"});
}

// ---- Brightness, energy saving, time format, IP mode ------------------------------------------

struct ShownCode {
    const char* name;
    std::size_t offset;
    std::uint8_t code;
    int list;
    const char* selected;  // "" for no selection
};

void PrintTo(const ShownCode& c, std::ostream* os) {
    *os << c.name;
}

class ListCodeShow : public testing::TestWithParam<ShownCode> {};

TEST_P(ListCodeShow, SelectsTheEntryOrDropsTheEarlierSelection) {
    const auto& c = GetParam();
    auto controls = FreshWindow();
    SelectEverything(controls);
    ClockDatagram reply;
    reply.SetAt(c.offset, c.code);
    ShowSettingCodes(controls, reply);
    EXPECT_EQ(controls.GetText(c.list), c.selected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ListCodeShow,
    testing::Values(ShownCode{"BrightnessZero", ClockDatagram::kBrightness, 0, ctl::Brightness, ""},
                    ShownCode{"BrightnessOneIsDim", ClockDatagram::kBrightness, 1, ctl::Brightness, "Dim"},
                    ShownCode{"BrightnessFourIsBrilliant", ClockDatagram::kBrightness, 4, ctl::Brightness,
                              "Brilliant"},
                    ShownCode{"BrightnessFive", ClockDatagram::kBrightness, 5, ctl::Brightness, ""},
                    ShownCode{"EnergyFromZero", ClockDatagram::kSaveFromHour, 0, ctl::EnergyFrom, "0"},
                    ShownCode{"EnergyFrom23", ClockDatagram::kSaveFromHour, 23, ctl::EnergyFrom, "23"},
                    ShownCode{"EnergyFrom24", ClockDatagram::kSaveFromHour, 24, ctl::EnergyFrom, ""},
                    ShownCode{"EnergyTo7", ClockDatagram::kSaveToHour, 7, ctl::EnergyTo, "7"},
                    ShownCode{"EnergyTo255", ClockDatagram::kSaveToHour, 255, ctl::EnergyTo, ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Brightness, EachEntryWritesItsCodeAndNoSelectionIsRefused) {
    auto controls = FreshWindow();
    for (int index = 0; index < 4; ++index) {
        controls.ComboSelect(ctl::Brightness, index);
        ClockDatagram written;
        ASSERT_TRUE(TakeSettingCodes(controls, written));
        EXPECT_EQ(written.brightness(), 4 - index);
    }
    controls.ComboSelect(ctl::Brightness, -1);
    ClockDatagram written;
    EXPECT_FALSE(TakeSettingCodes(controls, written));
}

TEST(RadioPairs, OnlyTheirKnownCodesMoveThemAndFieldsFollowTheAddressMode) {
    constexpr std::array<int, 4> fields = {ctl::IpAddress, ctl::SubnetMask, ctl::Gateway, ctl::DnsServer};
    struct Case {
        std::uint8_t timeFormat, dynamicIp;
        bool twelve, twentyFour, dynamic;
    };
    // Each row starts from the state the row before left: a code of 0 must not move the time pair.
    auto controls = FreshWindow();
    for (const auto& c : {Case{0, 1, false, false, true}, Case{12, 2, true, false, true},
                          Case{24, 0, false, true, false}, Case{0, 0, false, true, false}}) {
        ClockDatagram reply;
        reply.setTimeFormat(c.timeFormat);
        reply.setDynamicIp(c.dynamicIp);
        ShowTimeFormat(controls, reply);
        ShowIpMode(controls, reply);
        SCOPED_TRACE(testing::Message() << int{c.timeFormat} << "/" << int{c.dynamicIp});
        EXPECT_EQ(controls.IsChecked(ctl::Format12), c.twelve);
        EXPECT_EQ(controls.IsChecked(ctl::Format24), c.twentyFour);
        EXPECT_EQ(controls.IsChecked(ctl::DynamicIp), c.dynamic);
        EXPECT_EQ(controls.IsChecked(ctl::StaticIp), !c.dynamic);
        for (int id : fields) EXPECT_EQ(controls.IsEnabled(id), !c.dynamic) << id;
    }
}

// An operator who only picks a brightness: nothing else may travel but the defaults, even with the
// rule lists showing a rule and both time-format buttons clear.
TEST(SettingCodes, UntouchedWindowWritesTheDefaults) {
    auto controls = FreshWindow();
    SelectEverything(controls);
    controls.SetChecked(ctl::DaylightSaving, false);
    controls.ComboSelect(ctl::EnergyFrom, -1);
    controls.ComboSelect(ctl::EnergyTo, -1);
    ClockDatagram written;
    ASSERT_TRUE(TakeSettingCodes(controls, written));
    for (std::size_t offset = ClockDatagram::kDstStartMonth; offset <= ClockDatagram::kDstEndHour; ++offset)
        EXPECT_EQ(written.At(offset), 0) << offset;
    EXPECT_EQ(written.timeFormat(), 24);
    EXPECT_EQ(written.dynamicIp(), 0);
    EXPECT_EQ(written.saveFromHour(), 0);
    EXPECT_EQ(written.saveToHour(), 0);
}

// ---- Whole reply ---------------------------------------------------------------------------

TEST(SettingCodes, ShownReplyWritesBackTheSameCodes) {
    ClockDatagram reply = WithRule({11, 0x13, 23, 4, 0x65, 0});
    reply.setTzHours(0x85);
    reply.setTimeFormat(12);
    reply.setBrightness(2);
    reply.setSaveFromHour(22);
    reply.setSaveToHour(6);
    reply.setDynamicIp(1);

    auto controls = FreshWindow();
    ShowSettingCodes(controls, reply);
    EXPECT_EQ(controls.GetText(ctl::TimeZoneText), "GMT -5:00");

    ClockDatagram written;
    ASSERT_TRUE(TakeSettingCodes(controls, written));
    EXPECT_EQ(written, reply);
}

}  // namespace
}  // namespace horavane
