#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "settings/SettingCodes.h"
#include "settings/ValueLists.h"

namespace horavane {
namespace {

// The read-out and the list text a code looks for; the list holds the text only if it is one of
// the 36 entries.
TEST(TimeZoneCodes, ReadOutAndListEntryOfACode) {
    const std::vector<std::tuple<TimeZoneCode, const char*, const char*>> rows = {
        {{0x80, 0}, "GMT -0:00", "UTC"},
        {{0x00, 30}, "GMT +0:30", "UTC +0:30"},
        {{0x0F, 0}, "GMT +15:00", "UTC +15"},
        {{0x81, 0}, "GMT -1:00", "UTC -1"},
        {{0x83, 30}, "GMT -3:30", "UTC -3:30"},
        {{0x05, 15}, "GMT +5:15", "UTC +5:15"},
        {{0x08, 0xE2}, "GMT +8:-30", "UTC +8:-30"},  // minutes read as a signed byte
        {{0xFF, 0}, "GMT -127:00", "UTC -127"}};
    for (const auto& [code, display, entry] : rows) {
        EXPECT_EQ(TimeZoneDisplayText(code), display);
        EXPECT_EQ(TimeZoneListText(code), entry);
    }
}

// The codes of the 36 entries, in list order.
constexpr std::array<TimeZoneCode, 36> kZoneCodes = {{
    {0x00, 0},  {0x8C, 0},  {0x8B, 0},  {0x8A, 0},  {0x89, 30}, {0x89, 0},  {0x88, 0},  {0x87, 0}, {0x86, 0},
    {0x85, 0},  {0x84, 0},  {0x83, 30}, {0x83, 0},  {0x82, 0},  {0x81, 0},  {0x01, 0},  {0x02, 0}, {0x03, 0},
    {0x03, 30}, {0x04, 0},  {0x04, 30}, {0x05, 0},  {0x05, 30}, {0x06, 0},  {0x06, 30}, {0x07, 0}, {0x08, 0},
    {0x09, 0},  {0x09, 30}, {0x0A, 0},  {0x0A, 30}, {0x0B, 0},  {0x0B, 30}, {0x0C, 0},  {0x0D, 0}, {0x0E, 0},
}};

TEST(TimeZoneCodes, EveryEntryWritesItsCodeAndReadsBackToItself) {
    for (std::size_t index = 0; index < lists::kTimeZones.size(); ++index) {
        const std::string_view entry = lists::kTimeZones[index];
        EXPECT_EQ(TimeZoneCodeFromText(entry), kZoneCodes[index]) << entry;
        EXPECT_EQ(TimeZoneListText(kZoneCodes[index]), entry);
    }
    EXPECT_EQ(TimeZoneCodeFromText(""), (TimeZoneCode{0, 0})) << "no selection writes UTC";
}

// ---- Daylight-saving rule ------------------------------------------------------------------

TEST(DaylightSaving, ShownOnlyWithBothMonthsInRangeAndBothHoursUpTo23) {
    const RulePoint start{3, 2, 7, 2};
    const RulePoint end{10, 6, 7, 3};
    EXPECT_TRUE(RuleIsShown(start, end));
    EXPECT_TRUE(RuleIsShown({12, 2, 7, 23}, {1, 6, 7, 23}));
    for (const auto& [s, e] : std::vector<std::pair<RulePoint, RulePoint>>{{{0, 2, 7, 2}, end},
                                                                           {{13, 2, 7, 2}, end},
                                                                           {{3, 2, 7, 24}, end},
                                                                           {start, {0, 6, 7, 3}},
                                                                           {start, {10, 6, 7, 24}}})
        EXPECT_FALSE(RuleIsShown(s, e))
            << int{s.month} << "/" << int{s.hour} << " " << int{e.month} << "/" << int{e.hour};

    EXPECT_EQ(SelectionOf({3, 2, 7, 23}), (RuleSelection{2, 1, 6, 23}));
    // An ordinal above 6 or a weekday of 0 or above 7 leaves only its own list empty.
    EXPECT_EQ(SelectionOf({3, 7, 0, 2}), (RuleSelection{2, -1, -1, 2}));
    EXPECT_EQ(SelectionOf({3, 0, 8, 2}), (RuleSelection{2, -1, -1, 2}));
    EXPECT_EQ(PointOf({2, 1, 6, 23}), (RulePoint{3, 2, 7, 23}));
}

// ---- Lists and radio pairs -------------------------------------------------------------------

TEST(ListCodes, HoursBrightnessAndRadioPairsFromAndToCodes) {
    EXPECT_EQ(HourEntryText(23), "23");
    EXPECT_EQ(HourEntryText(255), "-1") << "read as a signed byte";
    EXPECT_EQ(HourCode("22"), 22);
    EXPECT_EQ(HourCode(""), 0);

    const std::vector<std::pair<std::uint8_t, std::optional<std::string_view>>> brightness = {
        {0, std::nullopt}, {1, "Dim"}, {2, "Normal"}, {3, "Bright"}, {4, "Brilliant"}, {5, std::nullopt}};
    for (const auto& [code, entry] : brightness) {
        EXPECT_EQ(BrightnessEntry(code), entry) << int{code};
        if (entry) {
            EXPECT_EQ(BrightnessCode(*entry), code);
        }
    }
    EXPECT_EQ(BrightnessCode(""), std::nullopt);

    EXPECT_EQ(TwelveHourOf(12), true);
    EXPECT_EQ(TwelveHourOf(24), false);
    EXPECT_EQ(TwelveHourOf(0), std::nullopt);
    EXPECT_EQ(DynamicIpOf(1), true);
    EXPECT_EQ(DynamicIpOf(0), false);
    EXPECT_EQ(DynamicIpOf(2), std::nullopt);
    EXPECT_EQ(MacReadout({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), "00-1A-2B-3C-4D-5E\n");
}

TEST(ListCodes, TimeServersShownUpToTheCountEachInItsOwnField) {
    ClockSettings s;
    s.timeServers = {Ipv4Address{}, Ipv4Address{{10, 0, 0, 1}}, Ipv4Address{}, Ipv4Address{{10, 0, 0, 2}},
                     Ipv4Address{{10, 0, 0, 3}}};
    using Shown = std::array<std::optional<Ipv4Address>, 5>;
    s.timeServerCount = 2;
    EXPECT_EQ(ShownTimeServers(s),
              (Shown{std::nullopt, s.timeServers[1], std::nullopt, s.timeServers[3], {}}));
    s.timeServerCount = 5;  // only three non-zero slots: the walk ends after slot 4
    EXPECT_EQ(ShownTimeServers(s),
              (Shown{std::nullopt, s.timeServers[1], std::nullopt, s.timeServers[3], s.timeServers[4]}));
    s.timeServerCount = 0x85;  // negative as a signed byte
    EXPECT_EQ(ShownTimeServers(s), Shown{});
}

// ---- The write's settings from the form --------------------------------------------------------

TEST(TakeSettingCodes, TakesWhatTheFieldsHoldAndDefaultsWhatTheyDoNot) {
    SettingsForm form;
    form.timeServers[0] = IpFieldValue::From(Ipv4Address{{10, 0, 0, 1}});
    form.timeServers[2] = IpFieldValue::From(Ipv4Address{{10, 0, 0, 3}});
    form.ipAddress = IpFieldValue::From(Ipv4Address{{192, 168, 1, 50}});
    form.dstStart = {2, 1, 6, 2};  // lists showing a rule, the box not ticked: the rule must not travel
    form.dstEnd = {9, 5, 6, 3};
    form.brightness = "Bright";
    auto settings = TakeSettingCodes(form);
    ASSERT_TRUE(settings);
    ClockSettings expected;
    expected.timeServers[0] = Ipv4Address{{10, 0, 0, 1}};
    expected.timeServers[2] = Ipv4Address{{10, 0, 0, 3}};
    expected.timeServerCount = 2;
    expected.clockIp = Ipv4Address{{192, 168, 1, 50}};
    expected.timeFormat = 24;  // neither button chosen
    expected.brightness = 3;
    EXPECT_EQ(*settings, expected);

    form.daylightSaving = true;
    form.twelveHour = true;
    form.dynamicIp = true;
    form.timeZone = "UTC -9:30";
    form.energyFrom = "22";
    form.energyTo = "6";
    settings = TakeSettingCodes(form);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->dstStart, (RulePoint{3, 2, 7, 2}));
    EXPECT_EQ(settings->dstEnd, (RulePoint{10, 6, 7, 3}));
    EXPECT_EQ(settings->timeFormat, 12);
    EXPECT_EQ(settings->dynamicIp, 1);
    EXPECT_EQ(settings->timeZone, (TimeZoneCode{0x89, 30}));
    EXPECT_EQ(settings->saveFromHour, 22);
    EXPECT_EQ(settings->saveToHour, 6);

    form.brightness = "";
    EXPECT_EQ(TakeSettingCodes(form), std::nullopt);
}

}  // namespace
}  // namespace horavane
