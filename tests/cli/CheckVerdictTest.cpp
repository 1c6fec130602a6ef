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
        "checksum_errors=0;;0;0 unsynchronised=0;0;;0 unknown=0;1;;0 response_time=0.250000s;;;0");

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

}  // namespace
}  // namespace horavane::cli
