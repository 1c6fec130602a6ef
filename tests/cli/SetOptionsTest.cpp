// `set`'s option grammar: each option becomes the field of the change it names, and a wrong one
// is named in the error the command prints.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/SetOptions.h"

namespace horavane::cli {
namespace {

IpFieldValue Field(std::string_view text) {
    return *IpFieldValue::Parse(text);
}

TEST(SetOptions, EachOptionSetsItsFieldAndNoOther) {
    std::string error;
    EXPECT_EQ(ChangeFromOptions(SetOptions{}, error), SettingsChange{});

    SetOptions o;
    o.timeZone = "utc -3:30";
    o.timeFormat = "12";
    o.ipMode = "Dynamic";
    o.timeServers = {"3=10.1.2.3", "1=", "3=10.1.2.4"};
    o.ipAddress = "192.168.1.50";
    o.subnetMask = "255.255.255.0";
    o.gateway = "192.168.1.1";
    o.dnsServer = "8.8..4";
    o.dst = "2,Second,Sun,Mar-3,last,sun,oct";
    o.energySaving = "22-6";
    o.brightness = "dim";
    const auto change = ChangeFromOptions(o, error);
    ASSERT_TRUE(change) << error;
    EXPECT_EQ(change->timeZone, 11);
    EXPECT_EQ(change->twelveHour, true);
    EXPECT_EQ(change->dynamicIp, true);
    EXPECT_EQ(change->timeServers[0], IpFieldValue{}) << "K= blanks the field";
    EXPECT_EQ(change->timeServers[1], std::nullopt);
    EXPECT_EQ(change->timeServers[2], Field("10.1.2.4")) << "the last of one K counts";
    EXPECT_EQ(change->ipAddress, Field("192.168.1.50"));
    EXPECT_EQ(change->subnetMask, Field("255.255.255.0"));
    EXPECT_EQ(change->gateway, Field("192.168.1.1"));
    EXPECT_EQ(change->dnsServer, Field("8.8..4"));
    EXPECT_EQ(change->daylightSaving, true);
    EXPECT_EQ(change->dstStart, (RuleSelection{2, 1, 6, 2}));
    EXPECT_EQ(change->dstEnd, (RuleSelection{9, 5, 6, 3}));
    EXPECT_EQ(change->energyFrom, 22);
    EXPECT_EQ(change->energyTo, 6);
    EXPECT_EQ(change->brightness, 3);

    SetOptions other;
    other.timeFormat = "24";
    other.ipMode = "static";
    other.dst = "OFF";
    const auto second = ChangeFromOptions(other, error);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->twelveHour, false);
    EXPECT_EQ(second->dynamicIp, false);
    EXPECT_EQ(second->daylightSaving, false);
    EXPECT_EQ(second->dstStart, std::nullopt) << "off leaves the rule lists alone";
    other.dst = "on";
    EXPECT_EQ(ChangeFromOptions(other, error)->daylightSaving, true);
    other.dst = ",,,-3,Last,Sun,Oct";
    EXPECT_EQ(ChangeFromOptions(other, error)->dstStart, RuleSelection{}) << "empty items: no selection";
}

TEST(SetOptions, AWrongOptionIsNamedWithWhatItMayBe) {
    const auto errorOf = [](SetOptions o) {
        std::string error;
        EXPECT_FALSE(ChangeFromOptions(o, error));
        return error;
    };
    SetOptions o;
    o.timeZone = "UTC +15";
    EXPECT_EQ(errorOf(o).rfind("unknown time zone \"UTC +15\"; valid entries: \"UTC\" \"UTC -12\"", 0), 0u);
    o = {};
    o.timeFormat = "13";
    EXPECT_EQ(errorOf(o), "--time-format: \"13\" must be 12 or 24");
    o = {};
    o.ipMode = "auto";
    EXPECT_EQ(errorOf(o), "--ip-mode: \"auto\" must be static or dynamic");
    for (const char* bad : {"6=10.0.0.1", "0=10.0.0.1", "10.0.0.1", "12=10.0.0.1"}) {
        o = {};
        o.timeServers = {bad};
        EXPECT_EQ(errorOf(o),
                  "--time-server: \"" + std::string(bad) + "\" is not K=ADDRESS with K from 1 to 5");
    }
    o = {};
    o.timeServers = {"2=10.0.0.256"};
    EXPECT_EQ(
        errorOf(o),
        "--time-server 2: \"10.0.0.256\" is not an address (up to four numbers 0 to 255 joined by dots)");
    o = {};
    o.gateway = "1.2.3.4.5";
    EXPECT_EQ(errorOf(o),
              "--gateway: \"1.2.3.4.5\" is not an address (up to four numbers 0 to 255 joined by dots)");
    o = {};
    o.dst = "maybe";
    EXPECT_EQ(errorOf(o), "--dst: \"maybe\" is not off, on or HOUR,WEEK,DAY,MONTH-HOUR,WEEK,DAY,MONTH");
    // The lists are taken start and end side by side: the end's hour is named before the start's week.
    o.dst = "2,Sixth,Sun,Mar-24,Last,Sun,Oct";
    EXPECT_EQ(errorOf(o).rfind("unknown daylight-saving hour \"24\"", 0), 0u);
    o.dst = "2,Sixth,Sun,Mar-3,Last,Sun,Oct";
    EXPECT_EQ(errorOf(o).rfind("unknown daylight-saving week \"Sixth\"; valid entries: \"First\"", 0), 0u);
    o = {};
    o.energySaving = "7";
    EXPECT_EQ(errorOf(o), "--energy-saving: \"7\" is not FROM-TO (hours 0 to 23)");
    o.energySaving = "7-24";
    EXPECT_EQ(errorOf(o).rfind("unknown energy saving to-hour \"24\"", 0), 0u);
    o.energySaving = "x-24";
    EXPECT_EQ(errorOf(o).rfind("unknown energy saving from-hour \"x\"", 0), 0u);
    o = {};
    o.brightness = "Dimmer";
    EXPECT_EQ(errorOf(o).rfind("unknown brightness \"Dimmer\"", 0), 0u);
}

}  // namespace
}  // namespace horavane::cli
