#include <gtest/gtest.h>

#include <string>

#include "settings/SettingCodes.h"
#include "settings/SettingsChange.h"
#include "settings/SettingsChecks.h"
#include "settings/SettingsForm.h"

namespace horavane {
namespace {

Ipv4Address Ip(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return Ipv4Address{{a, b, c, d}};
}

// Settings every check passes and every field of which a list or a button shows.
ClockSettings Shown() {
    ClockSettings s;
    s.dstStart = {3, 2, 7, 2};
    s.dstEnd = {10, 6, 7, 3};
    s.timeZone = {0x89, 30};
    s.timeFormat = 12;
    s.brightness = 2;
    s.saveFromHour = 22;
    s.saveToHour = 6;
    s.timeServerCount = 2;
    s.timeServers[1] = Ip(10, 0, 0, 1);
    s.timeServers[3] = Ip(10, 0, 0, 3);
    s.dynamicIp = 1;
    s.clockIp = Ip(192, 168, 1, 50);
    s.subnetMask = Ip(255, 255, 255, 0);
    s.gateway = Ip(192, 168, 1, 1);
    s.dnsServer = Ip(8, 8, 4, 4);
    return s;
}

TEST(SettingsForm, EveryFieldOfASettingsValueAsTheWindowShowsIt) {
    const SettingsForm form = FormOf(Shown());
    EXPECT_TRUE(form.timeServers[0].IsBlank());
    EXPECT_EQ(form.timeServers[1], IpFieldValue::From(Ip(10, 0, 0, 1)));
    EXPECT_TRUE(form.timeServers[2].IsBlank()) << "a gap stays a gap";
    EXPECT_EQ(form.timeServers[3], IpFieldValue::From(Ip(10, 0, 0, 3)));
    EXPECT_TRUE(form.timeServers[4].IsBlank());
    EXPECT_EQ(form.ipAddress, IpFieldValue::From(Ip(192, 168, 1, 50)));
    EXPECT_EQ(form.subnetMask, IpFieldValue::From(Ip(255, 255, 255, 0)));
    EXPECT_EQ(form.gateway, IpFieldValue::From(Ip(192, 168, 1, 1)));
    EXPECT_EQ(form.dnsServer, IpFieldValue::From(Ip(8, 8, 4, 4)));
    EXPECT_TRUE(form.twelveHour && !form.twentyFourHour);
    EXPECT_TRUE(form.dynamicIp && !form.staticIp);
    EXPECT_TRUE(form.daylightSaving);
    EXPECT_EQ(form.dstStart, (RuleSelection{2, 1, 6, 2}));
    EXPECT_EQ(form.dstEnd, (RuleSelection{9, 5, 6, 3}));
    EXPECT_EQ(form.timeZone, "UTC -9:30");
    EXPECT_EQ(form.energyFrom, "22");
    EXPECT_EQ(form.energyTo, "6");
    EXPECT_EQ(form.brightness, "Normal");
    // Modify writes back what it was shown.
    EXPECT_EQ(FirstRefusal(form), std::nullopt);
    EXPECT_EQ(TakeSettingCodes(form), Shown());
}

// Codes a list or a pair lacks show as no entry and no button; a zero address is the clock's
// own report and shows as 0.0.0.0.
TEST(SettingsForm, CodesOutsideTheirListsShowNothing) {
    ClockSettings s = Shown();
    s.dstEnd.month = 13;
    s.timeZone = {0x05, 15};
    s.timeFormat = 7;
    s.dynamicIp = 2;
    s.brightness = 0;
    s.saveFromHour = 255;
    s.timeServerCount = 0x80;
    s.gateway = Ipv4Address();
    const SettingsForm form = FormOf(s);
    EXPECT_FALSE(form.daylightSaving);
    EXPECT_EQ(form.dstStart, RuleSelection{});
    EXPECT_EQ(form.dstEnd, RuleSelection{});
    EXPECT_EQ(form.timeZone, "");
    EXPECT_FALSE(form.twelveHour || form.twentyFourHour);
    EXPECT_FALSE(form.dynamicIp || form.staticIp);
    EXPECT_EQ(form.brightness, "");
    EXPECT_EQ(form.energyFrom, "");
    for (const IpFieldValue& server : form.timeServers) EXPECT_TRUE(server.IsBlank());
    EXPECT_EQ(form.gateway.FilledParts(), 4);
}

TEST(SettingsForm, TheReadOutsOnlyTheClockReports) {
    ClockStatus status;
    status.settings = Shown();
    status.serialNumber = "SN-1";
    status.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    status.currentTimeServer = Ip(10, 0, 0, 1);
    status.syncState = 1;
    ClockReadout readout = ReadoutOf(status);
    EXPECT_EQ(readout.serialNumber, "SN-1");
    EXPECT_EQ(readout.syncStatus, "Sync");
    EXPECT_EQ(readout.currentTimeServer, "10.0.0.1");
    EXPECT_EQ(readout.timeZone, "GMT -9:30");
    EXPECT_EQ(readout.macAddress, "00-1A-2B-3C-4D-5E");
    status.syncState = 2;
    readout = ReadoutOf(status);
    EXPECT_EQ(readout.syncStatus, "Unsync");
    EXPECT_EQ(readout.currentTimeServer, "Unsync");
}

// Each field a change names is set as the operator sets it; the others keep what was shown.
TEST(SettingsChange, EachFieldItNamesAndNoOther) {
    const SettingsForm shown = FormOf(Shown());
    EXPECT_EQ(Changed(shown, SettingsChange{}), shown);

    SettingsChange change;
    change.timeZone = FindEntry(SettingList::TimeZone, "UTC +8");
    change.twelveHour = false;
    change.dynamicIp = false;
    change.timeServers[4] = IpFieldValue::Parse("10..3.");
    change.ipAddress = IpFieldValue::From(Ip(10, 1, 1, 1));
    change.subnetMask = IpFieldValue::From(Ip(255, 0, 0, 0));
    change.gateway = IpFieldValue::From(Ip(10, 1, 1, 254));
    change.dnsServer = IpFieldValue{};
    change.daylightSaving = false;
    change.dstStart = RuleSelection{0, 0, 0, 0};
    change.dstEnd = RuleSelection{-1, 1, 2, 3};
    change.energyFrom = -1;
    change.energyTo = 7;
    change.brightness = 3;
    const SettingsForm form = Changed(shown, change);
    EXPECT_EQ(form.timeZone, "UTC +8");
    EXPECT_TRUE(form.twentyFourHour && !form.twelveHour);
    EXPECT_TRUE(form.staticIp && !form.dynamicIp);
    EXPECT_EQ(form.timeServers[1], shown.timeServers[1]);
    EXPECT_EQ(form.timeServers[4], *IpFieldValue::Parse("10..3."));
    EXPECT_EQ(form.ipAddress, IpFieldValue::From(Ip(10, 1, 1, 1)));
    EXPECT_EQ(form.subnetMask, IpFieldValue::From(Ip(255, 0, 0, 0)));
    EXPECT_EQ(form.gateway, IpFieldValue::From(Ip(10, 1, 1, 254)));
    EXPECT_TRUE(form.dnsServer.IsBlank());
    EXPECT_FALSE(form.daylightSaving);
    EXPECT_EQ(form.dstStart, (RuleSelection{0, 0, 0, 0}));
    EXPECT_EQ(form.dstEnd, (RuleSelection{-1, 1, 2, 3}));
    EXPECT_EQ(form.energyFrom, "");
    EXPECT_EQ(form.energyTo, "7");
    EXPECT_EQ(form.brightness, "Dim");

    SettingsChange radios;
    radios.twelveHour = true;
    radios.dynamicIp = true;
    ClockSettings odd;
    odd.timeFormat = 7;
    odd.dynamicIp = 2;
    const SettingsForm neither = FormOf(odd);
    const SettingsForm picked = Changed(neither, radios);
    EXPECT_TRUE(picked.twelveHour && !picked.twentyFourHour);
    EXPECT_TRUE(picked.dynamicIp && !picked.staticIp);
}

// An entry is picked as the window picks it: its whole text, letter case ignored.
TEST(SettingsChange, EntriesArePickedByTheirWholeTextIgnoringCase) {
    std::string error;
    EXPECT_EQ(PickEntry(SettingList::TimeZone, "utc -3:30", error), 11);
    EXPECT_EQ(PickEntry(SettingList::Brightness, "DIM", error), 3);
    EXPECT_EQ(PickEntry(SettingList::DstWeek, "last", error), 5);
    EXPECT_EQ(PickEntry(SettingList::EnergyTo, "23", error), 23);
    EXPECT_EQ(PickEntry(SettingList::DstHour, "", error), -1) << "no selection";
    EXPECT_EQ(error, "");
    EXPECT_EQ(PickEntry(SettingList::EnergyFrom, "06", error), std::nullopt);
    EXPECT_EQ(error.rfind("unknown energy saving from-hour \"06\"; valid entries: \"0\" \"1\"", 0), 0u)
        << error;
    EXPECT_EQ(PickEntry(SettingList::Brightness, "Dimmer", error), std::nullopt);
    EXPECT_EQ(error,
              "unknown brightness \"Dimmer\"; valid entries: \"Brilliant\" \"Bright\" \"Normal\" \"Dim\"");
    EXPECT_EQ(PickEntry(SettingList::TimeZone, "UTC +8:15", error), std::nullopt);
    EXPECT_EQ(error.rfind("unknown time zone", 0), 0u) << error;
}

// Modify's order: the addresses decide before the rule, the rule before the hours, the hours
// before the brightness.
TEST(SettingsChecks, TheFirstRefusalInModifysOrder) {
    SettingsForm form = FormOf(Shown());
    form.brightness = "";
    EXPECT_EQ(FirstRefusal(form)->message, "Error.");
    form.energyTo = form.energyFrom;
    EXPECT_EQ(FirstRefusal(form)->message, "Two value not the same.");
    form.dstEnd.week = -1;
    EXPECT_EQ(FirstRefusal(form)->message, "All DST option must be filled in.");
    form.timeServers = {};
    EXPECT_EQ(FirstRefusal(form)->message, "Please input at least one Time Server IP!");
}

}  // namespace
}  // namespace horavane
