// A setting in an operator's words: the same words `set` takes and a fleet's desired settings give,
// read into a change and shown back from a form, so that what is shown can be typed in again.

#include <gtest/gtest.h>

#include <string>

#include "settings/SettingCodes.h"
#include "settings/SettingWords.h"
#include "settings/SettingsChecks.h"

namespace horavane {
namespace {

// A form with something in every field, as a clock in use shows it.
SettingsForm FilledForm() {
    SettingsForm form;
    form.timeServers[0] = *IpFieldValue::Parse("10.0.0.1");
    form.timeServers[3] = *IpFieldValue::Parse("10.0.0.4");
    form.ipAddress = *IpFieldValue::Parse("192.168.1.50");
    form.subnetMask = *IpFieldValue::Parse("255.255.255.0");
    form.gateway = *IpFieldValue::Parse("192.168.1.1");
    form.dnsServer = *IpFieldValue::Parse("192.168.1.2");
    form.twelveHour = true;
    form.staticIp = true;
    form.daylightSaving = true;
    form.dstStart = RuleSelection{2, 5, 6, 2};
    form.dstEnd = RuleSelection{9, 5, 6, 3};
    form.timeZone = std::string(EntriesOf(SettingList::TimeZone)[20]);
    form.energyFrom = "22";
    form.energyTo = "6";
    form.brightness = std::string(EntriesOf(SettingList::Brightness)[1]);
    return form;
}

TEST(SettingWords, EverySettingIsNamedOnceAndFoundByItsName) {
    ASSERT_EQ(AllSettings().size(), kSettingCount);
    for (const Setting setting : AllSettings()) {
        EXPECT_EQ(SettingNamed(NameOf(setting)), setting) << NameOf(setting);
        std::string upper(NameOf(setting));
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(SettingNamed(upper), setting) << "letter case is ignored";
    }
    EXPECT_EQ(NameOf(Setting::TimeServer3), "time-server-3");
    EXPECT_EQ(SettingNamed("time-server"), std::nullopt);
    EXPECT_EQ(SettingNamed("time-zone "), std::nullopt);
    EXPECT_EQ(TimeServerSlot(0), Setting::TimeServer1);
    EXPECT_EQ(TimeServerSlot(4), Setting::TimeServer5);
    EXPECT_EQ(TimeServerSlot(5), std::nullopt);
}

// What a form shows of a setting, typed back in on another form, gives that setting the same words
// and touches no other setting.
TEST(SettingWords, WhatIsShownIsWhatSetsItAndNothingElse) {
    const SettingsForm shown = FilledForm();
    const SettingsForm other;
    for (const Setting setting : AllSettings()) {
        SCOPED_TRACE(std::string(NameOf(setting)));
        SettingsChange change;
        std::string error;
        ASSERT_TRUE(SetFromWords(change, setting, WordsOf(setting, shown), NameOf(setting), error)) << error;
        const SettingsForm typed = Changed(other, change);
        EXPECT_EQ(WordsOf(setting, typed), WordsOf(setting, shown));
        for (const Setting rest : AllSettings()) {
            if (rest == setting) continue;
            EXPECT_EQ(WordsOf(rest, typed), WordsOf(rest, other)) << NameOf(rest);
        }
    }
}

TEST(SettingWords, FormsAreShownInSetsWords) {
    const SettingsForm form = FilledForm();
    EXPECT_EQ(WordsOf(Setting::TimeFormat, form), "12");
    EXPECT_EQ(WordsOf(Setting::IpMode, form), "static");
    EXPECT_EQ(WordsOf(Setting::TimeServer1, form), "10.0.0.1");
    EXPECT_EQ(WordsOf(Setting::TimeServer2, form), "") << "a blank field";
    EXPECT_EQ(WordsOf(Setting::TimeServer4, form), "10.0.0.4");
    EXPECT_EQ(WordsOf(Setting::IpAddress, form), "192.168.1.50");
    EXPECT_EQ(WordsOf(Setting::SubnetMask, form), "255.255.255.0");
    EXPECT_EQ(WordsOf(Setting::Gateway, form), "192.168.1.1");
    EXPECT_EQ(WordsOf(Setting::DnsServer, form), "192.168.1.2");
    EXPECT_EQ(WordsOf(Setting::EnergySaving, form), "22-6");
    EXPECT_EQ(WordsOf(Setting::Brightness, form), form.brightness);
    EXPECT_EQ(WordsOf(Setting::TimeZone, form), form.timeZone);
    EXPECT_EQ(WordsOf(Setting::Dst, form), "2,Last,Sun,Mar-3,Last,Sun,Oct");

    SettingsForm empty;
    EXPECT_EQ(WordsOf(Setting::TimeFormat, empty), "") << "neither button";
    EXPECT_EQ(WordsOf(Setting::IpMode, empty), "");
    EXPECT_EQ(WordsOf(Setting::Dst, empty), "off");
    empty.daylightSaving = true;
    EXPECT_EQ(WordsOf(Setting::Dst, empty), ",,,-,,,") << "a ticked rule without selections";
    empty.twentyFourHour = true;
    empty.dynamicIp = true;
    EXPECT_EQ(WordsOf(Setting::TimeFormat, empty), "24");
    EXPECT_EQ(WordsOf(Setting::IpMode, empty), "dynamic");
    empty.subnetMask = *IpFieldValue::Parse("255..0.");
    EXPECT_EQ(WordsOf(Setting::SubnetMask, empty), "255..0.") << "as typed, empty parts kept";
}

TEST(SettingWords, AWrongValueIsNamedAsTheCallerNamesTheSetting) {
    SettingsChange change;
    std::string error;
    EXPECT_FALSE(SetFromWords(change, Setting::TimeFormat, "13", "time-format", error));
    EXPECT_EQ(error, "time-format: \"13\" must be 12 or 24");
    EXPECT_FALSE(SetFromWords(change, Setting::IpMode, "auto", "--ip-mode", error));
    EXPECT_EQ(error, "--ip-mode: \"auto\" must be static or dynamic");
    EXPECT_FALSE(SetFromWords(change, Setting::Gateway, "10.0.0.256", "gateway", error));
    EXPECT_EQ(error,
              "gateway: \"10.0.0.256\" is not an address (up to four numbers 0 to 255 joined by dots)");
    EXPECT_FALSE(SetFromWords(change, Setting::Dst, "2,Last,Sun,Mar", "dst", error));
    EXPECT_EQ(error, "dst: \"2,Last,Sun,Mar\" is not off, on or HOUR,WEEK,DAY,MONTH-HOUR,WEEK,DAY,MONTH");
    EXPECT_FALSE(SetFromWords(change, Setting::Dst, "2,Last,Sun,Mar-3,Last,Sun", "dst", error))
        << "an end point short of an item";
    EXPECT_EQ(error,
              "dst: \"2,Last,Sun,Mar-3,Last,Sun\" is not off, on or HOUR,WEEK,DAY,MONTH-HOUR,WEEK,DAY,MONTH");
    EXPECT_FALSE(SetFromWords(change, Setting::EnergySaving, "1-2-3", "energy-saving", error));
    EXPECT_EQ(error, "energy-saving: \"1-2-3\" is not FROM-TO (hours 0 to 23)");
    EXPECT_FALSE(SetFromWords(change, Setting::TimeFormat, "", "time-format", error));
    EXPECT_FALSE(SetFromWords(change, Setting::IpMode, "", "ip-mode", error));
    EXPECT_FALSE(SetFromWords(change, Setting::EnergySaving, "22", "energy-saving", error));
    EXPECT_EQ(error, "energy-saving: \"22\" is not FROM-TO (hours 0 to 23)");
    EXPECT_FALSE(SetFromWords(change, Setting::EnergySaving, "22-24", "energy-saving", error));
    EXPECT_EQ(error.rfind("unknown energy saving to-hour \"24\"", 0), 0u) << error;
    EXPECT_FALSE(SetFromWords(change, Setting::Brightness, "loud", "brightness", error));
    EXPECT_EQ(error.rfind("unknown brightness \"loud\"; valid entries:", 0), 0u) << error;
    EXPECT_EQ(change, SettingsChange{}) << "a refused value changes nothing";

    EXPECT_TRUE(SetFromWords(change, Setting::TimeServer5, "", "time-server-5", error));
    EXPECT_EQ(change.timeServers[4], IpFieldValue{}) << "\"\" blanks an address";
    EXPECT_TRUE(SetFromWords(change, Setting::IpMode, "Dynamic", "ip-mode", error));
    EXPECT_EQ(change.dynamicIp, true);
    EXPECT_TRUE(SetFromWords(change, Setting::Dst, "ON", "dst", error));
    EXPECT_EQ(change.daylightSaving, true);
    EXPECT_EQ(change.dstStart, std::nullopt) << "on ticks the box and leaves the rule";
}

TEST(SettingWords, ARefusalReadsAsTheWindowsBox) {
    EXPECT_EQ(RefusalText(Refusal{"text", std::nullopt, ResetList::None, AddressField::None}), "text");
    EXPECT_EQ(RefusalText(Refusal{"text", "Error", ResetList::None, AddressField::None}), "Error: text");
}

}  // namespace
}  // namespace horavane
