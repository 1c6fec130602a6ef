// A fleet's desired settings: the file an operator keeps beside the fleet file, refused row by row
// before anything is sent, and the comparison of what a clock holds with what it should hold.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fleet/DesiredSettings.h"
#include "fleet/FleetCsv.h"
#include "protocol/ClockCodec.h"
#include "settings/SettingCodes.h"
#include "sim/ClockBehaviour.h"
#include "tests/common/TempFolder.h"
#include "tests/common/TestSupport.h"

namespace horavane::test {
namespace {

ClockSettings HeldBySimulatedClock(int index = 0) {
    return DecodeStatus(sim::DefaultClockState(index)).settings;
}

DesiredSettings Parsed(const std::string& rows) {
    std::string error;
    auto desired = ParseDesiredFile("group,clock,setting,value\n" + rows, "desired.csv", error);
    EXPECT_TRUE(desired) << error;
    return desired ? *desired : DesiredSettings();
}

std::string Refusal(const std::string& text) {
    std::string error;
    EXPECT_FALSE(ParseDesiredFile(text, "desired.csv", error)) << text;
    return error;
}

std::vector<std::string> Names(const std::vector<DesiredValue>& values) {
    std::vector<std::string> names;
    for (const DesiredValue& value : values) names.emplace_back(NameOf(value.setting));
    return names;
}

KnownClocks Fleet() {
    return KnownClocks({{Ip(10, 1, 9, 20), "Gym", "", "halls"},
                        {Ip(10, 1, 9, 21), "Hall", "", "halls"},
                        {Ip(10, 1, 9, 30), "Ward 3", "", "wards"},
                        {Ip(10, 1, 9, 40), "Office", "", ""}});
}

// What a clock holds once `desired` is put right on it, as it reads back through the codec.
ClockSettings PutRight(const ClockSettings& holds, const std::vector<DesiredValue>& desired) {
    const auto drift = DriftOf(holds, desired);
    const auto written = TakeSettingCodes(Changed(FormOf(holds), PuttingRight(desired, drift)));
    EXPECT_TRUE(written);
    return written ? *written : holds;
}

TEST(DesiredSettings, AClocksOwnValueWinsOverItsGroupsAndOnlyGivenSettingsAreManaged) {
    const DesiredSettings desired = Parsed(
        "halls,,brightness,Dim\n"
        "halls,,time-zone,UTC +8\n"
        "halls,,time-server-2,10.0.0.2\n"
        ",10.1.9.21,brightness,Brilliant\n"
        ",10.1.9.40,time-format,12\n");
    const KnownClocks fleet = Fleet();
    const auto gym = desired.For(*fleet.Find(Ip(10, 1, 9, 20)));
    EXPECT_EQ(Names(gym), (std::vector<std::string>{"time-zone", "time-server-2", "brightness"}))
        << "in the order settings are shown";
    const auto hall = desired.For(*fleet.Find(Ip(10, 1, 9, 21)));
    ASSERT_EQ(hall.size(), 3u);
    EXPECT_EQ(hall[2].words, "Brilliant") << "the clock's own value";
    EXPECT_EQ(hall[2].line, 5u);
    EXPECT_EQ(hall[0].words, "UTC +8") << "the group's for the rest";
    EXPECT_TRUE(desired.For(*fleet.Find(Ip(10, 1, 9, 30))).empty()) << "nothing desired of the wards";
    EXPECT_EQ(Names(desired.For(*fleet.Find(Ip(10, 1, 9, 40)))), std::vector<std::string>{"time-format"})
        << "a clock of no group with values of its own";
    EXPECT_EQ(Names(desired.For(fleet, Ip(10, 1, 9, 21))), Names(hall)) << "found by address";
    EXPECT_TRUE(desired.For(fleet, Ip(10, 1, 9, 22)).empty()) << "a clock the fleet file does not name";
    EXPECT_EQ(desired.Clocks(), (std::vector<Ipv4Address>{Ip(10, 1, 9, 21), Ip(10, 1, 9, 40)}));
    EXPECT_TRUE(desired.HasGroup("halls"));
    EXPECT_FALSE(desired.HasGroup("wards"));
    EXPECT_FALSE(desired.empty());
    EXPECT_TRUE(DesiredSettings().empty());
}

TEST(DesiredSettings, ReadsTheFileAsASpreadsheetSavesIt) {
    // Columns in another order, a notes column, quoted values with commas, CRLF, a byte-order
    // mark, blank lines, letter case as typed.
    std::string error;
    const auto desired = ParseDesiredFile(
        "\xEF\xBB\xBF"
        "setting,value,notes,clock,group\r\n"
        "DST,\"2,last,sun,mar-3,last,sun,oct\",\"summer time, EU\",,halls\r\n"
        "\r\n"
        "energy-saving,22-6,,,halls\r\n"
        "time-server-1,,blank,,halls\r\n",
        "desired.csv", error);
    ASSERT_TRUE(desired) << error;
    const auto values = desired->For(KnownClock{Ip(10, 1, 9, 20), "", "", "halls"});
    EXPECT_EQ(Names(values), (std::vector<std::string>{"time-server-1", "dst", "energy-saving"}));
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].change.timeServers[0], IpFieldValue{}) << "an empty value blanks the address";
    EXPECT_EQ(values[1].change.dstStart, (RuleSelection{2, 5, 6, 2}));
    EXPECT_EQ(values[1].line, 2u);
    EXPECT_EQ(values[2].line, 4u);
}

TEST(DesiredSettings, EveryBadRowIsRefusedWithTheFileAndLine) {
    const std::string header = "group,clock,setting,value\n";
    const auto refusalOf = [&](const std::string& row) {
        return Refusal(header + "halls,,brightness,Dim\n" + row);
    };
    EXPECT_EQ(Refusal(""),
              "the desired settings file desired.csv, line 1: no header row (group,clock,setting,value)");
    EXPECT_EQ(Refusal("group,clock,setting\n"),
              "the desired settings file desired.csv, line 1: the header has no column \"value\" (it needs "
              "group,clock,setting,value)");
    EXPECT_EQ(refusalOf("halls,10.1.9.20,brightness,Dim\n"),
              "the desired settings file desired.csv, line 3: give a group or a clock, not both");
    EXPECT_EQ(
        refusalOf(",,brightness,Dim\n"),
        "the desired settings file desired.csv, line 3: give the group or the clock the setting is for");
    EXPECT_EQ(refusalOf(",Gym,brightness,Dim\n"),
              "the desired settings file desired.csv, line 3: \"Gym\" is not a clock address (four numbers 0 "
              "to 255)");
    EXPECT_NE(refusalOf(",10.1.9.255,brightness,Dim\n").find("line 3: "), std::string::npos)
        << "an address no clock can have";
    EXPECT_EQ(
        refusalOf("halls,,colour,red\n")
            .rfind("the desired settings file desired.csv, line 3: unknown setting \"colour\" (time-zone, ",
                   0),
        0u);
    EXPECT_EQ(refusalOf("halls,,time-format,13\n"),
              "the desired settings file desired.csv, line 3: time-format: \"13\" must be 12 or 24");
    EXPECT_EQ(refusalOf("halls,,brightness,loud\n")
                  .rfind("the desired settings file desired.csv, line 3: unknown brightness \"loud\"", 0),
              0u);
    EXPECT_EQ(refusalOf("halls,,ip-address,10.1.9.50\n")
                  .rfind("the desired settings file desired.csv, line 3: ip-address for a group", 0),
              0u);
    EXPECT_EQ(
        refusalOf("halls,,brightness,Brilliant\n"),
        "the desired settings file desired.csv, line 3: brightness of group \"halls\" is \"Dim\" on line 2 "
        "and \"Brilliant\" here: give it once");
    EXPECT_EQ(
        refusalOf(",10.1.9.20,time-format,12\n,10.1.9.20,time-format,24\n"),
        "the desired settings file desired.csv, line 4: time-format of clock 10.1.9.20 is \"12\" on line 3 "
        "and \"24\" here: give it once");
    EXPECT_EQ(refusalOf("halls,,brightness\n"),
              "the desired settings file desired.csv, line 3: the row has 3 fields, the header 4");
    EXPECT_EQ(refusalOf("halls,,brightness,Dim,\n"),
              "the desired settings file desired.csv, line 3: the row has 5 fields, the header 4");
    EXPECT_EQ(
        refusalOf("h\xFF,,brightness,Dim\n"),
        "the desired settings file desired.csv, line 3: the text is not UTF-8: save the file as UTF-8 (CSV "
        "UTF-8)");
    EXPECT_EQ(refusalOf("halls,,brightness,\"Dim\n"),
              "the desired settings file desired.csv, line 3: a quoted field that never ends");

    // The same value given twice says the same: no conflict. "dim" is the entry "Dim".
    EXPECT_EQ(Parsed("halls,,brightness,Dim\nhalls,,brightness,dim\n").For({{}, "", "", "halls"}).size(), 1u);
}

// A value every clock would refuse is refused in the file, naming it and Modify's message.
TEST(DesiredSettings, AValueModifyRefusesOnAnyClockIsRefusedInTheFile) {
    const auto refusalOf = [](const std::string& row) {
        return Refusal("group,clock,setting,value\n" + row);
    };
    EXPECT_EQ(
        refusalOf("halls,,energy-saving,7-7\n"),
        "the desired settings file desired.csv, line 2: energy-saving \"7-7\": Two value not the same.");
    EXPECT_NE(refusalOf("halls,,time-server-1,127.0.0.1\n").find("line 2: time-server-1 \"127.0.0.1\": "),
              std::string::npos);
    EXPECT_NE(refusalOf("halls,,subnet-mask,255.255.0\n").find("line 2: subnet-mask \"255.255.0\": "),
              std::string::npos);
    EXPECT_NE(refusalOf("halls,,dst,\"2,,Sun,Mar-3,Last,Sun,Oct\"\n").find("line 2: dst \""),
              std::string::npos)
        << "a rule with a list left empty";
    EXPECT_NE(refusalOf("halls,,gateway,0.1.2.3\n").find("line 2: gateway"), std::string::npos);
    // What depends on the clock's other fields is judged per clock, not here.
    Parsed(
        ",10.1.9.20,ip-address,10.1.9.255\nhalls,,subnet-mask,255.255.255.255\nhalls,,time-server-1,\n"
        "halls,,energy-saving,0-0\nhalls,,dst,on\n");
}

TEST(DesiredSettings, GroupsAndClocksMustBeInTheFleetFile) {
    const KnownClocks fleet = Fleet();
    EXPECT_EQ(Parsed("halls,,brightness,Dim\n,10.1.9.40,brightness,Dim\n").RefusalAgainst(fleet),
              std::nullopt);
    EXPECT_EQ(
        Parsed("halls,,brightness,Dim\nHalls,,brightness,Dim\n").RefusalAgainst(fleet),
        "the desired settings file desired.csv, line 3: the group \"Halls\" has no clock in (there is no "
        "fleet file)")
        << "a group matches as written";
    EXPECT_EQ(Parsed("halls,,brightness,Dim\n,10.1.9.41,brightness,Dim\nnone,,brightness,Dim\n")
                  .RefusalAgainst(fleet),
              "the desired settings file desired.csv, line 3: no clock 10.1.9.41 in (there is no fleet file)")
        << "the first line in the file";
    KnownClocks named = Fleet();
    named.SetFile("/etc/horavane/fleet.csv");
    EXPECT_EQ(
        Parsed("lost,,brightness,Dim\n").RefusalAgainst(named),
        "the desired settings file desired.csv, line 2: the group \"lost\" has no clock in the fleet file "
        "/etc/horavane/fleet.csv");

    // A group is read as the fleet file's are: a saved inventory's formula guard is undone.
    const KnownClocks guarded({{Ip(10, 1, 9, 20), "Gym", "", "=sums"}});
    EXPECT_EQ(Parsed("'=sums,,brightness,Dim\n").RefusalAgainst(guarded), std::nullopt);

    // A group whose rows a command did not keep is still a group of the file.
    std::string error;
    const auto kept =
        ParseFleetFile("address,name,location,group\n10.1.9.20,Gym,,halls\n10.1.9.30,W,,wards\n", "fleet.csv",
                       error, [](const KnownClock& c) { return c.group == "halls"; });
    ASSERT_TRUE(kept) << error;
    EXPECT_EQ(kept->size(), 1u);
    EXPECT_EQ(Parsed("wards,,brightness,Dim\n").RefusalAgainst(*kept), std::nullopt);
    EXPECT_TRUE(kept->GroupInFile("wards"));
    EXPECT_FALSE(kept->GroupInFile("ward"));
}

TEST(DesiredSettings, TheFileIsLookedForBesideTheFleetFile) {
    TempFolder folder;
    std::string error;
    EXPECT_EQ(DesiredFileBeside(folder.File("fleet.csv")), folder.File("desired.csv"));
    EXPECT_EQ(DesiredFileBeside({}), std::filesystem::path());
    const auto none = LoadDesiredSettings({}, folder.File("desired.csv"), error);
    ASSERT_TRUE(none) << "no file beside: nothing desired";
    EXPECT_TRUE(none->empty());
    EXPECT_FALSE(LoadDesiredSettings(folder.File("named.csv"), {}, error)) << "a named file must exist";
    EXPECT_EQ(error, "the desired settings file " + folder.File("named.csv").string() + " does not exist");
    std::filesystem::create_directory(folder.File("desired.csv"));
    EXPECT_FALSE(LoadDesiredSettings({}, folder.File("desired.csv"), error));
    EXPECT_EQ(error,
              "the desired settings file " + folder.File("desired.csv").string() + " is not a plain file");
    // The fleet file a command read is known by its place, where the desired settings are looked for.
    folder.Write("fleet.csv", "address,name,location,group\n10.1.9.20,Gym,,halls\n");
    const auto fleet = LoadKnownClocks({}, {folder.File("none.csv"), folder.File("fleet.csv")}, error);
    ASSERT_TRUE(fleet) << error;
    EXPECT_EQ(fleet->file(), folder.File("fleet.csv"));
    EXPECT_EQ(FleetFileIn({}, {folder.File("none.csv"), folder.File("fleet.csv")}), folder.File("fleet.csv"));
    EXPECT_EQ(FleetFileIn(folder.File("named.csv"), {folder.File("fleet.csv")}), folder.File("named.csv"));
    EXPECT_EQ(FleetFileIn({}, {folder.File("none.csv")}), std::filesystem::path());
    folder.Write("mine.csv", "group,clock,setting,value\nhalls,,brightness,Dim\n");
    const auto read = LoadDesiredSettings(folder.File("mine.csv"), folder.File("desired.csv"), error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->fileName(), folder.File("mine.csv").string());
    EXPECT_TRUE(read->HasGroup("halls"));
    // Both files are opened alike: a plain file within its bound.
    EXPECT_TRUE(OpenCsvFile(folder.File("mine.csv"), "the file", 1U << 20U, error));
    EXPECT_FALSE(OpenCsvFile(folder.File("mine.csv"), "the file", 30, error)) << "larger than its bound";
    EXPECT_EQ(error, "the file " + folder.File("mine.csv").string() + " is larger than 0 MiB");
    folder.Write("bad.csv", "group,clock,setting,value\nhalls,,brightness,loud\n");
    EXPECT_FALSE(LoadDesiredSettings(folder.File("bad.csv"), {}, error));
    EXPECT_EQ(error.rfind("the desired settings file " + folder.File("bad.csv").string() + ", line 2: ", 0),
              0u);
}

// Every setting, made to differ from what the simulated clock holds: the drift names it in set's
// words, and putting it right leaves no drift once the clock's settings come back through the codec.
TEST(DesiredSettings, DriftIsWhatAWriteWouldChangeAndPuttingItRightLeavesNone) {
    const ClockSettings holds = HeldBySimulatedClock(3);
    const SettingsForm form = FormOf(holds);
    const std::vector<std::pair<std::string, std::string>> values = {
        {"time-zone", "UTC +8"},
        {"time-format", "12"},
        {"ip-mode", "dynamic"},
        {"time-server-1", "10.0.0.1"},
        {"time-server-2", ""},
        {"time-server-5", "10.0.0.5"},
        {"ip-address", "192.168.1.77"},
        {"subnet-mask", "255.255.0.0"},
        {"gateway", "192.168.1.254"},
        {"dns-server", "10.0.0.53"},
        {"dst", "1,First,Mon,Apr-1,First,Mon,Nov"},
        {"energy-saving", "0-0"},
        {"brightness", "Bright"}};
    std::string rows;
    for (const auto& [name, value] : values) rows += ",10.1.9.20," + name + ",\"" + value + "\"\n";
    const auto desired = Parsed(rows).For(KnownClock{Ip(10, 1, 9, 20), "", "", ""});
    ASSERT_EQ(desired.size(), values.size());
    const auto drift = DriftOf(holds, desired);
    ASSERT_EQ(drift.size(), values.size()) << "every one differs from the simulated clock";
    for (std::size_t i = 0; i < drift.size(); ++i) {
        EXPECT_EQ(NameOf(drift[i].setting), NameOf(desired[i].setting));
        EXPECT_EQ(drift[i].holds, WordsOf(drift[i].setting, form));
    }
    EXPECT_EQ(drift[0].should, "UTC +8");
    EXPECT_EQ(drift[1], (SettingDrift{Setting::TimeFormat, "24", "12"}));
    EXPECT_EQ(drift[4], (SettingDrift{Setting::TimeServer2, "192.168.1.11", ""}));
    EXPECT_EQ(drift[10].should, "1,First,Mon,Apr-1,First,Mon,Nov");
    EXPECT_EQ(drift[11].should, "0-0");
    EXPECT_EQ(DriftOf(PutRight(holds, desired), desired), std::vector<SettingDrift>{});

    // Only the drifted settings are in the change: an in-line one is left as the clock holds it.
    const std::vector<SettingDrift> some = {drift[0], drift[12]};
    SettingsChange expected;
    expected.timeZone = FindEntry(SettingList::TimeZone, "UTC +8");
    expected.brightness = FindEntry(SettingList::Brightness, "Bright");
    EXPECT_EQ(PuttingRight(desired, some), expected);
    EXPECT_EQ(PuttingRight(desired, {}), SettingsChange{});
}

TEST(DesiredSettings, WhatAClockHoldsAlreadyIsNoDrift) {
    const ClockSettings holds = HeldBySimulatedClock();
    const SettingsForm form = FormOf(holds);
    std::string rows;
    for (const Setting setting : AllSettings())
        rows += ",10.1.9.20," + std::string(NameOf(setting)) + ",\"" + WordsOf(setting, form) + "\"\n";
    const auto desired = Parsed(rows).For(KnownClock{Ip(10, 1, 9, 20), "", "", ""});
    EXPECT_EQ(desired.size(), kSettingCount);
    EXPECT_TRUE(DriftOf(holds, desired).empty());

    // Letter case of a list entry, and daylight saving "on" on a ticked clock, hold already.
    const auto alike = Parsed(",10.1.9.20,time-zone,\"" + form.timeZone + "\"\n,10.1.9.20,dst,on\n")
                           .For(KnownClock{Ip(10, 1, 9, 20), "", "", ""});
    ASSERT_TRUE(form.daylightSaving);
    EXPECT_TRUE(DriftOf(holds, alike).empty());
    // "on" manages the tick alone: an unticked clock drifts, and keeps its rule.
    SettingsForm unticked = form;
    unticked.daylightSaving = false;
    const ClockSettings off = *TakeSettingCodes(unticked);
    const auto drift = DriftOf(off, alike);
    ASSERT_EQ(drift.size(), 1u);
    // A clock with daylight saving off reports no rule, so "on" alone cannot be put right there:
    // the plan says what Modify would say.
    EXPECT_EQ(drift[0], (SettingDrift{Setting::Dst, "off", ",,,-,,,"}));
    ClockReading reading;
    reading.status = DecodeStatus(sim::DefaultClockState(0));
    reading.status->settings = off;
    EXPECT_TRUE(PlanOf(reading, alike).refusal);
}

TEST(DesiredSettings, APlanNeverCallsASilentClockInLineAndSaysWhatModifyWouldRefuse) {
    const auto desired =
        Parsed(",10.1.9.20,brightness,Bright\n").For(KnownClock{Ip(10, 1, 9, 20), "", "", ""});
    ClockReading silent;
    silent.outcome.address = Ip(10, 1, 9, 20);
    const ClockPlan none = PlanOf(silent, desired);
    EXPECT_EQ(none.state, ClockState::kSilent);
    EXPECT_FALSE(none.Known());
    EXPECT_FALSE(none.InLine());
    EXPECT_TRUE(none.drift.empty());
    ClockReading failing = silent;
    failing.outcome.checksumError = true;
    EXPECT_EQ(PlanOf(failing, desired).state, ClockState::kChecksumError);
    EXPECT_FALSE(PlanOf(failing, desired).InLine());

    // A clock whose replies failed the checksum after one passed: what it holds is not known.
    failing.status = DecodeStatus(sim::DefaultClockState(0));
    EXPECT_FALSE(PlanOf(failing, desired).InLine());
    EXPECT_TRUE(PlanOf(failing, desired).drift.empty());

    ClockReading answering = silent;
    answering.status = DecodeStatus(sim::DefaultClockState(0));
    const ClockPlan drifted = PlanOf(answering, desired);
    EXPECT_TRUE(drifted.Known());
    EXPECT_FALSE(drifted.InLine());
    EXPECT_EQ(drifted.drift.size(), 1u);
    EXPECT_EQ(drifted.refusal, std::nullopt);
    EXPECT_TRUE(PlanOf(answering, {}).InLine()) << "nothing desired: nothing differs";

    // Every time server blanked for one clock: each value passes alone, the clock's form does not.
    std::string rows;
    for (int slot = 1; slot <= 5; ++slot) rows += ",10.1.9.20,time-server-" + std::to_string(slot) + ",\n";
    const ClockPlan refused = PlanOf(answering, Parsed(rows).For(KnownClock{Ip(10, 1, 9, 20), "", "", ""}));
    EXPECT_FALSE(refused.drift.empty());
    ASSERT_TRUE(refused.refusal);
    EXPECT_NE(refused.refusal->find("at least one Time Server"), std::string::npos) << *refused.refusal;
}

}  // namespace
}  // namespace horavane::test
