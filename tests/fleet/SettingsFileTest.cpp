// A settings file as `apply` and `restore` take it, and the one JSON form of a clock's settings
// that `export`, `status --json`, the journal and `history --json` share.

#include <gtest/gtest.h>

#include <string>

#include "fleet/ClockRows.h"
#include "fleet/SettingsFile.h"
#include "sim/ClockBehaviour.h"
#include "tests/common/TestSupport.h"

namespace horavane::test {
namespace {

ClockSettings SimulatedSettings(int index) {
    return DecodeStatus(sim::DefaultClockState(index)).settings;
}

// Every writable key, as export prints it, read back into the change that makes the same form.
TEST(SettingsFile, WhatExportPrintsIsTheChangeThatWritesItBack) {
    for (int index : {0, 1, 5}) {
        const SettingsForm form = FormOf(SimulatedSettings(index));
        std::string error;
        const auto change = ChangeFromJson(SettingsJson(form), error);
        ASSERT_TRUE(change) << error;
        EXPECT_EQ(Changed(SettingsForm{}, *change), form) << index;
        EXPECT_EQ(Changed(FormOf(SimulatedSettings(index + 1)), *change), form) << index;
    }
}

TEST(SettingsFile, EachKeySetsItsFieldAndReadOutsAreIgnored) {
    const Json file = Json::parse(R"({
        "address": "10.0.0.9", "serialNumber": "x", "syncStatus": "Sync", "timeZone": "GMT +1:00",
        "currentTimeServer": "", "macAddress": "", "name": "n", "location": "l", "group": "g",
        "timeZoneEntry": "utc +8", "timeFormat": "24", "ipMode": "Static IP",
        "timeServers": ["10.0.0.1", "", "10..3.", "", ""],
        "ipAddress": "192.168.1.50", "subnetMask": "255.255.255.0", "defaultGateway": "192.168.1.1",
        "dnsServer": "", "daylightSaving": true,
        "dstStart": {"hour": 2, "week": "second", "day": "Sun", "month": "Mar"},
        "dstEnd": {"hour": "3", "week": null, "day": "Sun"},
        "energySavingFrom": "22", "energySavingTo": 6, "brightness": null})");
    std::string error;
    const auto change = ChangeFromJson(file, error);
    ASSERT_TRUE(change) << error;
    SettingsChange expected;
    expected.timeZone = 26;
    expected.twelveHour = false;
    expected.dynamicIp = false;
    expected.timeServers = {*IpFieldValue::Parse("10.0.0.1"), IpFieldValue{}, *IpFieldValue::Parse("10..3."),
                            IpFieldValue{}, IpFieldValue{}};
    expected.ipAddress = *IpFieldValue::Parse("192.168.1.50");
    expected.subnetMask = *IpFieldValue::Parse("255.255.255.0");
    expected.gateway = *IpFieldValue::Parse("192.168.1.1");
    expected.dnsServer = IpFieldValue{};
    expected.daylightSaving = true;
    expected.dstStart = RuleSelection{2, 1, 6, 2};
    expected.dstEnd = RuleSelection{-1, -1, 6, 3};
    expected.energyFrom = 22;
    expected.energyTo = 6;
    expected.brightness = -1;
    EXPECT_EQ(*change, expected);

    const auto radiosLeft =
        ChangeFromJson(Json::parse(R"({"timeFormat": null, "ipMode": "Dynamic IP"})"), error);
    ASSERT_TRUE(radiosLeft);
    EXPECT_EQ(radiosLeft->twelveHour, std::nullopt) << "null: neither button, the clock's own stays";
    EXPECT_EQ(radiosLeft->dynamicIp, true);
}

TEST(SettingsFile, AMalformedKeyIsNamed) {
    const std::vector<std::pair<const char*, std::string>> rows = {
        {R"([])", "settings file: expected one JSON object as `export` prints it"},
        {R"({"colour": 1})", "settings file: unknown key \"colour\""},
        {R"({"timeZoneEntry": true})", "settings file: \"timeZoneEntry\" must be a text or null"},
        {R"({"brightness": "Dimmer"})",
         "unknown brightness \"Dimmer\"; valid entries: \"Brilliant\" \"Bright\" "
         "\"Normal\" \"Dim\""},
        {R"({"timeFormat": "13"})", "settings file: \"timeFormat\" must be \"12\", \"24\" or null"},
        {R"({"ipMode": "static"})",
         "settings file: \"ipMode\" must be \"Dynamic IP\", \"Static IP\" or null"},
        {R"({"subnetMask": "1.2.3.4.5"})",
         "settings file: subnetMask: \"1.2.3.4.5\" is not an address (up to four numbers 0 to 255 joined by "
         "dots)"},
        {R"({"timeServers": ["10.0.0.1"]})",
         "settings file: \"timeServers\" must be an array of 5 addresses (\"\" for a blank one)"},
        {R"({"timeServers": ["", "", "", "", 5]})", "settings file: \"timeServers\" must be a text"},
        {R"({"dstEnd": "off"})",
         "settings file: \"dstEnd\" must be an object with hour, week, day and month"},
        {R"({"dstStart": {"weeek": "Last"}})",
         "settings file: unknown key \"dstStart.weeek\" (hour, week, day, month)"},
        {R"({"energySavingTo": "24"})", "unknown energy saving to-hour \"24\"; valid entries:"},
    };
    for (const auto& [text, message] : rows) {
        std::string error;
        EXPECT_FALSE(ChangeFromJson(Json::parse(text), error)) << text;
        EXPECT_EQ(error.substr(0, message.size()), message) << text;
    }
}

// The read-out's writable keys are the settings' JSON; the keys' order the status test holds.
TEST(ClockRows, TheSettingsAndTheReadOut) {
    ClockStatus status = DecodeStatus(sim::DefaultClockState(0));
    status.settings.timeFormat = 9;
    status.serialNumber = "SN\xff";
    const Json json = StatusJson(ReadoutOf(status), "127.0.0.2");
    EXPECT_EQ(json["timeFormat"], nullptr);
    EXPECT_EQ(JsonText(json["serialNumber"]), "\"SN\xef\xbf\xbd\"") << "not UTF-8: U+FFFD";
    Json writable;
    for (const std::string& key : WritableKeys()) writable[key] = json[key];
    EXPECT_EQ(SettingsJson(status.settings), writable);

    SettingsForm form = FormOf(status.settings);
    form.timeServers[2] = *IpFieldValue::Parse("10..3.");
    form.dstStart = {0, -1, 6, 23};
    form.daylightSaving = true;
    form.twentyFourHour = true;
    const Json shown = SettingsJson(form);
    EXPECT_EQ(shown["timeServers"][2], "10..3.");
    EXPECT_EQ(shown["timeFormat"], "24");
    EXPECT_EQ(shown["dstStart"],
              Json::parse(R"({"hour": "23", "week": null, "day": "Sun", "month": "Jan"})"));
}

TEST(ClockRows, DifferingFieldsNameEachWritableKeyThatDiffers) {
    const SettingsForm written = FormOf(SimulatedSettings(0));
    EXPECT_TRUE(DifferingFields(written, written).empty());
    SettingsForm shown = written;
    shown.brightness = "";
    shown.timeZone = "UTC -5";
    shown.ipAddress = IpFieldValue{};
    EXPECT_EQ(
        DifferingFields(written, shown),
        (std::vector<std::string>{
            "timeZoneEntry: wrote " + JsonText(SettingsJson(written)["timeZoneEntry"]) +
                ", clock shows \"UTC -5\"",
            "ipAddress: wrote " + JsonText(SettingsJson(written)["ipAddress"]) + ", clock shows \"\"",
            "brightness: wrote " + JsonText(SettingsJson(written)["brightness"]) + ", clock shows null"}));
}

}  // namespace
}  // namespace horavane::test
