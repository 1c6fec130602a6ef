#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CheckVerdict.h"
#include "cli/ExitCodes.h"

namespace horavane::cli {
namespace {

Ipv4Address At(const char* text) {
    return *Ipv4Address::Parse(text);
}

ClockReading Heard(const char* address, bool synchronised, int responseMs = 10) {
    ClockStatus status;
    status.syncState = synchronised ? 1 : 0;
    return {FleetOutcome{At(address), 1, 1, false, std::chrono::milliseconds(responseMs)}, status};
}

ClockReading FailingChecksum(const char* address) {
    return {FleetOutcome{At(address), 6, 0, true, std::chrono::microseconds(0)}, std::nullopt};
}

TEST(CheckTally, SortsEachReadingAndCountsTheExpectedClocksThatKeptSilent) {
    const KnownClocks known({{At("10.1.9.20"), "Gym", "", ""}, {At("10.1.9.21"), "Hall", "", ""}});
    // Readings come in any order; the silent are the expected clocks no reading is from.
    const std::vector<ClockReading> readings = {Heard("10.1.9.30", true, 40), FailingChecksum("10.1.9.25"),
                                                Heard("10.1.9.21", false, 90), Heard("10.1.9.2", true, 5)};
    const ClocksByState sorted =
        SortByState(readings, {At("10.1.9.2"), At("10.1.9.20"), At("10.1.9.21")}, known);

    EXPECT_EQ(sorted.clocks, 5);
    EXPECT_EQ(sorted.synchronised, 2);
    EXPECT_EQ(sorted.silent, std::vector<Ipv4Address>{At("10.1.9.20")});
    EXPECT_EQ(sorted.checksumErrors, std::vector<Ipv4Address>{At("10.1.9.25")});
    EXPECT_EQ(sorted.unsynchronised, std::vector<Ipv4Address>{At("10.1.9.21")});
    EXPECT_EQ(sorted.unknown, (std::vector<Ipv4Address>{At("10.1.9.30"), At("10.1.9.25"), At("10.1.9.2")}));
    EXPECT_DOUBLE_EQ(sorted.slowestReply, 0.090) << "the slowest reply that passed the checksum";

    // Without a fleet file no clock is unknown: every one would be, which tells nothing.
    EXPECT_TRUE(SortByState(readings, {}, KnownClocks()).unknown.empty());
}

TEST(CheckVerdict, EachThresholdIsPassedAtItsValueAndCrossedAboveIt) {
    const KnownClocks none;
    ClocksByState two;
    two.clocks = 4;
    two.synchronised = 1;
    two.silent = {At("10.0.0.2")};
    two.checksumErrors = {At("10.0.0.3")};
    two.unsynchronised = {At("10.0.0.4")};
    const struct {
        const char* name;
        CheckThresholds thresholds;
        int code;
    } rows[] = {
        {"silent and failing the checksum count together", {1, 1, std::nullopt}, kCheckCritical},
        {"two failing allowed, one unsynchronised not", {0, 2, std::nullopt}, kCheckWarning},
        {"every threshold at its value", {1, 2, std::nullopt}, kCheckOk},
        {"an unknown threshold with no unknown clock", {1, 2, 0}, kCheckOk},
    };
    for (const auto& row : rows) EXPECT_EQ(Judge(two, row.thresholds, none).code, row.code) << row.name;

    ClocksByState unknown;
    unknown.clocks = 2;
    unknown.synchronised = 2;
    unknown.unknown = {At("10.0.0.8"), At("10.0.0.9")};
    EXPECT_EQ(Judge(unknown, {0, 0, std::nullopt}, none).code, kCheckOk)
        << "unknown clocks warn only when asked";
    EXPECT_EQ(Judge(unknown, {0, 0, 2}, none).code, kCheckOk);
    EXPECT_EQ(Judge(unknown, {0, 0, 1}, none).code, kCheckWarning);

    const CheckVerdict nobody = Judge(ClocksByState{}, {0, 5, std::nullopt}, none);
    EXPECT_EQ(nobody.code, kCheckCritical) << "no clock answered is never OK, whatever the thresholds";
    EXPECT_EQ(nobody.line.substr(0, 37), "CLOCKS CRITICAL - no clock answered |");
}

// Five clocks are named, then how many more; names go through the fleet file and cannot break the
// plugin's syntax.
TEST(CheckVerdict, TheLineNamesFiveClocksAtMostAndKeepsThePluginSyntax) {
    const KnownClocks known({{At("10.0.0.2"), "Gym; east|wall", "", ""}});
    ClocksByState six;
    six.clocks = 6;
    for (const char* address : {"10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5", "10.0.0.6", "10.0.0.7"})
        six.silent.push_back(At(address));
    six.slowestReply = 0.25;
    EXPECT_EQ(
        Judge(six, {0, 0, 1}, known).line,
        "CLOCKS CRITICAL - 6 clocks, 0 synchronised - silent: Gym\\x3b east\\x7cwall (10.0.0.2), 10.0.0.3, "
        "10.0.0.4, 10.0.0.5, 10.0.0.6 and 1 more | clocks=6;;;0 synchronised=0;;;0 silent=6;;0;0 "
        "checksum_errors=0;;0;0 unsynchronised=0;0;;0 unknown=0;1;;0 response_time=0.250000s;;;0 "
        "drifted=0;0;;0");

    six.silent.pop_back();
    six.clocks = 5;
    const std::string five = Judge(six, {0, 0, std::nullopt}, known).line;
    EXPECT_NE(five.find("10.0.0.6 | clocks=5"), std::string::npos) << five;
    EXPECT_EQ(five.find("more"), std::string::npos) << five;

    ClocksByState one;
    one.clocks = 1;
    one.synchronised = 1;
    EXPECT_EQ(Judge(one, {}, known).line.substr(0, 39), "CLOCKS OK - 1 clock, 1 synchronised | c");
    EXPECT_EQ(UnknownLine("bad input: " + Untrusted{"a | b; c\x1b"}),
              "CLOCKS UNKNOWN - bad input: a \\x7c b\\x3b c\\x1b");
}

ClockReading Holding(const char* address, int timeFormat, int brightness) {
    ClockReading reading = Heard(address, true);
    reading.status->settings.timeFormat = static_cast<std::uint8_t>(timeFormat);
    reading.status->settings.brightness = static_cast<std::uint8_t>(brightness);
    return reading;
}

DesiredSettings Desired(const char* text) {
    std::string error;
    auto desired = ParseDesiredFile(std::string_view(text), "desired.csv", error);
    EXPECT_TRUE(desired) << error;
    return desired ? *desired : DesiredSettings();
}

// The Wards should show 24 hours at Normal brightness, Hall at Bright (its own value over its
// group's); Desk's group has nothing desired. Lab is silent and 10.1.9.24 fails the checksum: what
// they hold is unknown, so they are neither in line nor drifted.
struct DriftFixture {
    KnownClocks known{{{At("10.1.9.20"), "Gym", "", "Wards"},
                       {At("10.1.9.21"), "Hall", "", "Wards"},
                       {At("10.1.9.22"), "Lab", "", "Wards"},
                       {At("10.1.9.23"), "Desk", "", "Office"},
                       {At("10.1.9.24"), "", "", "Wards"}}};
    DesiredSettings desired = Desired(
        "group,clock,setting,value\nWards,,time-format,24\nWards,,brightness,Normal\n"
        ",10.1.9.21,brightness,Bright\n");
    std::vector<ClockReading> readings = {Holding("10.1.9.20", 24, 2), Holding("10.1.9.21", 12, 2),
                                          Holding("10.1.9.23", 12, 1), FailingChecksum("10.1.9.24")};
    std::vector<Ipv4Address> expected = {At("10.1.9.20"), At("10.1.9.21"), At("10.1.9.22"), At("10.1.9.23"),
                                         At("10.1.9.24")};
};

TEST(CheckDrift, EachAnsweringClockIsComparedWithWhatItsGroupAndItselfShouldHold) {
    const DriftFixture f;
    const ClocksByState sorted = SortByState(f.readings, f.expected, f.known, f.desired);
    EXPECT_TRUE(sorted.desired);
    EXPECT_EQ(sorted.inLine, 1) << "Gym alone: Desk has nothing desired, Lab and .24 are not known";
    EXPECT_EQ(sorted.drifted,
              (std::vector<DriftedClock>{{At("10.1.9.21"), {Setting::TimeFormat, Setting::Brightness}}}));

    // The same clocks without desired settings: nothing compared.
    const ClocksByState plain = SortByState(f.readings, f.expected, f.known);
    EXPECT_FALSE(plain.desired);
    EXPECT_EQ(plain.inLine, 0);
    EXPECT_TRUE(plain.drifted.empty());

    // A drifted clock that falls silent or fails the checksum is no longer counted as either.
    const std::vector<ClockReading> failing = {Holding("10.1.9.20", 24, 2), FailingChecksum("10.1.9.21")};
    const ClocksByState unknownNow = SortByState(failing, f.expected, f.known, f.desired);
    EXPECT_EQ(unknownNow.inLine, 1);
    EXPECT_TRUE(unknownNow.drifted.empty());
    const ClocksByState silentNow =
        SortByState({Holding("10.1.9.20", 12, 2)}, f.expected, f.known, f.desired);
    EXPECT_EQ(silentNow.inLine, 0);
    EXPECT_EQ(silentNow.drifted.size(), 1u);
}

TEST(CheckDrift, WarnsOrIsCriticalNamingTheClocksAndSettingsWithPerfdataAlways) {
    const DriftFixture f;
    const ClocksByState sorted = SortByState(f.readings, f.expected, f.known, f.desired);
    CheckThresholds thresholds{0, 2, std::nullopt};
    const CheckVerdict warning = Judge(sorted, thresholds, f.known);
    EXPECT_EQ(warning.code, kCheckWarning);
    EXPECT_EQ(warning.line,
              "CLOCKS WARNING - 5 clocks, 3 synchronised, 1 in line - silent: Lab (10.1.9.22) - checksum "
              "errors: 10.1.9.24 - drifted: Hall (10.1.9.21) time-format, brightness | clocks=5;;;0 "
              "synchronised=3;;;0 silent=1;;2;0 checksum_errors=1;;2;0 unsynchronised=0;0;;0 unknown=0;;;0 "
              "response_time=0.010000s;;;0 drifted=1;0;;0");
    thresholds.driftCritical = true;
    const CheckVerdict critical = Judge(sorted, thresholds, f.known);
    EXPECT_EQ(critical.code, kCheckCritical);
    EXPECT_EQ(critical.line.substr(0, 16), "CLOCKS CRITICAL ");
    EXPECT_EQ(critical.line.substr(critical.line.size() - 15), " drifted=1;;0;0") << critical.line;

    // In line: OK whatever the option, and the same perfdata label at 0.
    ClocksByState inLine = sorted;
    inLine.drifted.clear();
    const CheckVerdict ok = Judge(inLine, thresholds, f.known);
    EXPECT_EQ(ok.code, kCheckOk) << ok.line;
    EXPECT_EQ(ok.line.substr(ok.line.size() - 15), " drifted=0;;0;0") << ok.line;
    // Without desired settings the line is as it always was, the label still there.
    const CheckVerdict plain =
        Judge(SortByState(f.readings, f.expected, f.known), {0, 2, std::nullopt}, f.known);
    EXPECT_EQ(plain.code, kCheckOk) << plain.line;
    EXPECT_EQ(plain.line.find("in line"), std::string::npos) << plain.line;
    EXPECT_EQ(plain.line.substr(plain.line.size() - 15), " drifted=0;0;;0") << plain.line;
}

TEST(CheckDrift, FiveDriftedClocksAreNamedAtMostAndTheirNamesKeepThePluginSyntax) {
    const KnownClocks known({{At("10.0.0.2"), "Gym; east|wall", "", ""}});
    ClocksByState six;
    six.clocks = 6;
    six.synchronised = 6;
    six.desired = true;
    for (const char* address : {"10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5", "10.0.0.6", "10.0.0.7"})
        six.drifted.push_back({At(address), {Setting::Dst}});
    six.drifted[1].settings = {Setting::TimeZone, Setting::TimeServer2, Setting::Dst};
    const std::string line = Judge(six, {}, known).line;
    EXPECT_NE(line.find(" - drifted: Gym\\x3b east\\x7cwall (10.0.0.2) dst / 10.0.0.3 time-zone, "
                        "time-server-2, dst / 10.0.0.4 dst / 10.0.0.5 dst / 10.0.0.6 dst / 1 more clock | "),
              std::string::npos)
        << line;
    EXPECT_NE(line.find(" drifted=6;0;;0"), std::string::npos) << line;
    six.drifted.pop_back();
    const std::string five = Judge(six, {}, known).line;
    EXPECT_NE(five.find("10.0.0.6 dst | "), std::string::npos) << five;
    six.drifted.push_back({At("10.0.0.7"), {Setting::Dst}});
    six.drifted.push_back({At("10.0.0.8"), {Setting::Dst}});
    EXPECT_NE(Judge(six, {}, known).line.find(" / 2 more clocks | "), std::string::npos);
}

}  // namespace
}  // namespace horavane::cli
