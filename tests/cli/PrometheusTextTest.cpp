// The Prometheus text of one round, from readings made by hand: each state's samples and the
// round's time in seconds since the epoch.

#include <gtest/gtest.h>

#include "cli/PrometheusText.h"

namespace horavane::cli {
namespace {

ClockReading Reading(std::string_view address, bool checksumError, std::optional<std::uint8_t> syncState) {
    ClockReading reading;
    reading.outcome.address = *Ipv4Address::Parse(address);
    reading.outcome.checksumError = checksumError;
    reading.outcome.responseTime = std::chrono::microseconds(1500);
    if (syncState) {
        reading.outcome.repliesAccepted = 1;
        reading.status = ClockStatus{};
        reading.status->syncState = *syncState;
        reading.status->serialNumber = "SN \"1\"";
    }
    return reading;
}

TEST(ClockState, IsDecidedFromTheReadingAlone) {
    EXPECT_EQ(StateOf(Reading("10.0.0.1", false, 1)), ClockState::kSynchronised);
    EXPECT_EQ(StateOf(Reading("10.0.0.1", false, 0)), ClockState::kUnsynchronised);
    EXPECT_EQ(StateOf(Reading("10.0.0.1", false, 2)), ClockState::kUnsynchronised);
    EXPECT_EQ(StateOf(Reading("10.0.0.1", true, std::nullopt)), ClockState::kChecksumError);
    EXPECT_EQ(StateOf(Reading("10.0.0.1", false, std::nullopt)), ClockState::kSilent);
    EXPECT_TRUE(Answering(ClockState::kUnsynchronised));
    EXPECT_FALSE(Answering(ClockState::kChecksumError));
    const KnownClocks known({{*Ipv4Address::Parse("10.0.0.1"), "Hall", "", ""}});
    EXPECT_FALSE(UnknownTo(known, *Ipv4Address::Parse("10.0.0.1")));
    EXPECT_TRUE(UnknownTo(known, *Ipv4Address::Parse("10.0.0.2")));
    EXPECT_FALSE(UnknownTo(KnownClocks{}, *Ipv4Address::Parse("10.0.0.2")))
        << "no fleet file, no unknown clock";
}

TEST(PrometheusText, EachStateItsSamplesAndTheRoundInSeconds) {
    const std::vector<ClockReading> readings = {Reading("10.0.0.1", false, 1), Reading("10.0.0.2", false, 0),
                                                Reading("10.0.0.3", true, std::nullopt),
                                                Reading("10.0.0.4", false, std::nullopt)};
    const KnownClocks known({{*Ipv4Address::Parse("10.0.0.1"), "Hall", "Block B", "Wards"}});
    RoundTimes times;
    times.started = std::chrono::system_clock::time_point(std::chrono::milliseconds(1'765'000'000'250));
    times.took = std::chrono::duration<double>(0.5);
    const std::string text = PrometheusText(readings, known, times);
    const auto has = [&](const std::string& line) { return text.find(line + "\n") != std::string::npos; };
    EXPECT_TRUE(has("horavane_clock_up{address=\"10.0.0.1\"} 1")) << text;
    EXPECT_TRUE(has("horavane_clock_up{address=\"10.0.0.2\"} 1"));
    EXPECT_TRUE(has("horavane_clock_up{address=\"10.0.0.3\"} 0"));
    EXPECT_TRUE(has("horavane_clock_up{address=\"10.0.0.4\"} 0"));
    EXPECT_TRUE(has("horavane_clock_synchronised{address=\"10.0.0.1\"} 1"));
    EXPECT_TRUE(has("horavane_clock_synchronised{address=\"10.0.0.2\"} 0"));
    EXPECT_EQ(text.find("horavane_clock_synchronised{address=\"10.0.0.3\"}"), std::string::npos);
    EXPECT_TRUE(has("horavane_clock_response_seconds{address=\"10.0.0.1\"} 0.001500"));
    EXPECT_EQ(text.find("horavane_clock_response_seconds{address=\"10.0.0.4\"}"), std::string::npos);
    EXPECT_TRUE(has(
        "horavane_clock_info{address=\"10.0.0.1\",serial_number=\"SN \\\"1\\\"\",mac=\"00-00-00-00-00-00\","
        "name=\"Hall\",location=\"Block B\",group=\"Wards\"} 1"))
        << text;
    EXPECT_TRUE(has("horavane_last_run_timestamp_seconds 1765000000.250000"));
    EXPECT_TRUE(has("horavane_last_run_duration_seconds 0.500000"));
}

// 10.0.0.1 holds what the Wards should, 10.0.0.2 not (two settings), 10.0.0.3 fails the checksum
// and 10.0.0.4 is silent: those two have no in-line sample at all, for what they hold is not known.
// 10.0.0.5 is of a group nothing is desired of, 10.0.0.6 is not in the fleet file.
TEST(PrometheusText, InLineAndDriftedSettingsForEachAnsweringClockSomethingIsDesiredOf) {
    auto holding = [](std::string_view address, int timeFormat, int brightness) {
        ClockReading reading = Reading(address, false, 1);
        reading.status->settings.timeFormat = static_cast<std::uint8_t>(timeFormat);
        reading.status->settings.brightness = static_cast<std::uint8_t>(brightness);
        return reading;
    };
    const std::vector<ClockReading> readings = {holding("10.0.0.1", 24, 2),
                                                holding("10.0.0.2", 12, 3),
                                                Reading("10.0.0.3", true, std::nullopt),
                                                Reading("10.0.0.4", false, std::nullopt),
                                                holding("10.0.0.5", 12, 3),
                                                holding("10.0.0.6", 12, 3)};
    std::vector<KnownClock> clocks;
    for (const char* address : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"})
        clocks.push_back({*Ipv4Address::Parse(address), "", "", "Wards"});
    clocks.push_back({*Ipv4Address::Parse("10.0.0.5"), "", "", "Office"});
    const KnownClocks known(clocks);
    std::string error;
    const auto desired = ParseDesiredFile(
        std::string_view("group,clock,setting,value\nWards,,time-format,24\nWards,,brightness,Normal\n"),
        "desired.csv", error);
    ASSERT_TRUE(desired) << error;
    const std::string text = PrometheusText(readings, known, RoundTimes{}, *desired);
    const auto from = [&](const std::string& family) {
        std::string samples;
        for (std::size_t at = text.find("\n" + family + "{"); at != std::string::npos;
             at = text.find("\n" + family + "{", at + 1))
            samples += text.substr(at + 1, text.find('\n', at + 1) - at);
        return samples;
    };
    EXPECT_EQ(
        from("horavane_clock_in_line"),
        "horavane_clock_in_line{address=\"10.0.0.1\"} 1\nhoravane_clock_in_line{address=\"10.0.0.2\"} 0\n")
        << text;
    EXPECT_EQ(from("horavane_clock_drifted_settings"),
              "horavane_clock_drifted_settings{address=\"10.0.0.1\"} 0\n"
              "horavane_clock_drifted_settings{address=\"10.0.0.2\"} 2\n");
    EXPECT_NE(text.find("# HELP horavane_clock_in_line 1 when the clock holds every setting the desired "
                        "settings give it, 0 when it does not.\n# TYPE horavane_clock_in_line gauge\n"),
              std::string::npos);
    EXPECT_NE(text.find("# TYPE horavane_clock_drifted_settings gauge\n"), std::string::npos);

    // Without desired settings the families are there, empty, and the rest unchanged.
    const std::string plain = PrometheusText(readings, known, RoundTimes{});
    EXPECT_EQ(plain.find("horavane_clock_in_line{"), std::string::npos);
    EXPECT_EQ(plain.find("horavane_clock_drifted_settings{"), std::string::npos);
    EXPECT_NE(plain.find("horavane_clock_up{address=\"10.0.0.4\"} 0\n"), std::string::npos);
}

}  // namespace
}  // namespace horavane::cli
