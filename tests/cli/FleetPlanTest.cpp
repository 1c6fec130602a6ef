// A plan as it is printed, from plans made by hand: which clocks show, how their texts are made
// safe, what the summary counts and which exit code wins.

#include <gtest/gtest.h>

#include "cli/ExitCodes.h"
#include "cli/FleetPlan.h"
#include "protocol/ClockCodec.h"
#include "settings/SettingCodes.h"
#include "sim/ClockBehaviour.h"

namespace horavane::cli {
namespace {

Ipv4Address At(std::uint8_t host) {
    return Ipv4Address{{127, 0, 0, host}};
}

ClockPlan Clock(std::uint8_t host, ClockState state, std::vector<SettingDrift> drift = {}) {
    ClockPlan plan;
    plan.address = At(host);
    plan.state = state;
    plan.drift = std::move(drift);
    return plan;
}

// A clock whose name would clear the screen, one whose texts hold a quote and a line break.
KnownClocks Fleet() {
    return KnownClocks({{At(2), "Ward\x1b[2J", "B", "Wards"}, {At(3), "Gym", "Hall", "Sport"}}, 2);
}

TEST(FleetPlan, TextListsDriftedClocksThenTheSilentOnesAndCountsEachKind) {
    FleetPlan plan;
    plan.clocks = {
        Clock(2, ClockState::kUnsynchronised,
              {{Setting::TimeZone, "UTC +8\n\"", "UTC +1"}, {Setting::Brightness, "Dim", "Normal"}}),
        Clock(3, ClockState::kSynchronised), Clock(4, ClockState::kSilent),
        Clock(5, ClockState::kChecksumError),
        Clock(6, ClockState::kSynchronised, {{Setting::TimeServer3, "", "10.1.2.3"}})};
    plan.clocks[4].refusal = "ERROR: bad\x07";
    plan.notAsked = 1;
    EXPECT_EQ(PlanText(plan, Fleet()),
              "Ward\\x1b[2J (127.0.0.2)\n"
              "  time-zone: \"UTC +8\\n\"\" -> \"UTC +1\"\n"
              "  brightness: \"Dim\" -> \"Normal\"\n"
              "127.0.0.6\n"
              "  time-server-3: \"\" -> \"10.1.2.3\"\n"
              "  cannot be put right: Modify's checks refuse it: ERROR: bad\\x07\n"
              "could not tell:\n"
              "  127.0.0.4  no reply\n"
              "  127.0.0.5  Error CheckSum\n"
              "plan: 5 clocks, 1 in line, 2 drifted (3 settings), 2 could not tell; 1 clock with nothing "
              "desired not asked\n");
    EXPECT_EQ(plan.ToPutRight(), std::vector<Ipv4Address>{At(2)}) << "the refused one is not written";
}

TEST(FleetPlan, SummaryOfOneOfEachIsSingular) {
    FleetPlan plan;
    plan.clocks = {Clock(3, ClockState::kSynchronised, {{Setting::Dst, "off", "on"}})};
    EXPECT_EQ(PlanText(plan, Fleet()),
              "Gym (127.0.0.3)\n  dst: \"off\" -> \"on\"\n"
              "plan: 1 clock, 0 in line, 1 drifted (1 setting), 0 could not tell\n");
    plan.clocks = {Clock(5, ClockState::kChecksumError)};
    EXPECT_EQ(PlanText(plan, Fleet()),
              "could not tell:\n  127.0.0.5  Error CheckSum\n"
              "plan: 1 clock, 0 in line, 0 drifted (0 settings), 1 could not tell\n");
    plan.notAsked = 2;
    plan.clocks.clear();
    EXPECT_EQ(PlanText(plan, Fleet()),
              "plan: 0 clocks, 0 in line, 0 drifted (0 settings), 0 could not tell; 2 clocks with nothing "
              "desired not asked\n");
}

TEST(FleetPlan, JsonGivesEveryClockItsStateNamesAndDrift) {
    FleetPlan plan;
    plan.clocks = {Clock(2, ClockState::kSynchronised, {{Setting::Brightness, "Dim", "Normal"}}),
                   Clock(3, ClockState::kUnsynchronised), Clock(4, ClockState::kSilent),
                   Clock(5, ClockState::kChecksumError),
                   Clock(6, ClockState::kSynchronised,
                         {{Setting::TimeFormat, "24", "12"}, {Setting::IpMode, "static", "dynamic"}})};
    plan.clocks[0].refusal = "ERROR: x";
    plan.notAsked = 3;
    const Json json = PlanJson(plan, Fleet());
    EXPECT_EQ(
        json["clocks"][0],
        Json::parse(R"({"address": "127.0.0.2", "name": "Ward\u001b[2J", "location": "B", "group": "Wards",
                              "state": "drifted",
                              "drift": [{"setting": "brightness", "holds": "Dim", "should": "Normal"}],
                              "refusal": "ERROR: x"})"));
    EXPECT_EQ(json["clocks"][1]["state"], "in line");
    EXPECT_EQ(json["clocks"][1]["refusal"], nullptr);
    EXPECT_EQ(json["clocks"][2]["state"], "silent");
    EXPECT_EQ(json["clocks"][2]["name"], nullptr) << "the fleet file does not name it";
    EXPECT_EQ(json["clocks"][3]["state"], "checksum error");
    EXPECT_EQ(json["clocks"][4]["drift"].size(), 2u);
    EXPECT_EQ(json["summary"], Json::parse(R"({"clocks": 5, "inLine": 1, "drifted": 2, "settings": 3,
                                              "couldNotTell": 2, "notAsked": 3})"));
}

TEST(FleetPlan, ExitCodeTellsInLineFromDriftFromCouldNotTell) {
    FleetPlan plan;
    EXPECT_EQ(PlanExitCode(plan), kExitOk) << "nothing asked, nothing drifted";
    plan.clocks = {Clock(2, ClockState::kSynchronised), Clock(3, ClockState::kUnsynchronised)};
    EXPECT_EQ(PlanExitCode(plan), kExitOk);
    plan.clocks.push_back(Clock(4, ClockState::kSynchronised, {{Setting::Dst, "off", "on"}}));
    EXPECT_EQ(PlanExitCode(plan), kExitDrift);
    EXPECT_EQ(PlanExitCode(plan), 12);
    for (const ClockState cannotTell : {ClockState::kSilent, ClockState::kChecksumError}) {
        FleetPlan unsure = plan;
        unsure.clocks.push_back(Clock(5, cannotTell));
        EXPECT_EQ(PlanExitCode(unsure), kExitCannotTell) << "13 wins over 12";
        EXPECT_EQ(PlanExitCode(unsure), 13);
        unsure.clocks.erase(unsure.clocks.begin() + 2);
        EXPECT_EQ(PlanExitCode(unsure), 13);
    }
}

// Which clocks are asked: those something is desired of, by their group or their own values.
TEST(FleetPlan, OnlyClocksSomethingIsDesiredOfAreAsked) {
    std::string error;
    const auto desired = ParseDesiredFile(
        "group,clock,setting,value\nWards,,brightness,Dim\n"
        ",127.0.0.3,time-format,12\n",
        "desired.csv", error);
    ASSERT_TRUE(desired) << error;
    std::size_t leftOut = 99;
    const auto managed = ManagedAmong({At(2), At(3), At(4), At(9)}, *desired, Fleet(), leftOut);
    EXPECT_EQ(managed, (std::vector<Ipv4Address>{At(2), At(3)}));
    EXPECT_EQ(leftOut, 2u);
    EXPECT_EQ(desired->For(Fleet(), At(3)).size(), 1u);
    EXPECT_EQ(desired->For(Fleet(), At(9)).size(), 0u) << "unknown to the fleet file";
}

// align decides each clock's write on what it holds as read for the write: only the settings that
// differ then, and nothing for a clock that holds them by then.
TEST(FleetPlan, AlignWritesWhatDiffersAtTheWriteAndLeavesAClockInLine) {
    std::string error;
    const auto desired = ParseDesiredFile(
        "group,clock,setting,value\nWards,,brightness,Dim\nWards,,time-format,12\n", "desired.csv", error);
    ASSERT_TRUE(desired) << error;
    const KnownClocks fleet = Fleet();
    const ChangeFor changeFor = ChangeToPutRight(*desired, fleet);
    ClockSettings holds = DecodeStatus(sim::DefaultClockState(0)).settings;
    const auto change = changeFor(At(2), holds);
    ASSERT_TRUE(change);
    SettingsChange expected;
    expected.brightness = FindEntry(SettingList::Brightness, "Dim");
    expected.twelveHour = true;
    EXPECT_EQ(*change, expected);
    holds = *TakeSettingCodes(Changed(FormOf(holds), *change));
    EXPECT_EQ(changeFor(At(2), holds), std::nullopt) << "in line by the time of the write";
    SettingsForm halfway = FormOf(holds);
    halfway.twelveHour = false;
    halfway.twentyFourHour = true;
    SettingsChange onlyFormat;
    onlyFormat.twelveHour = true;
    EXPECT_EQ(changeFor(At(2), *TakeSettingCodes(halfway)), onlyFormat);
    EXPECT_EQ(changeFor(At(3), holds), std::nullopt) << "nothing desired of the gym";
}

}  // namespace
}  // namespace horavane::cli
