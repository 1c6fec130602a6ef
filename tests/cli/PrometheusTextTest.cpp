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

}  // namespace
}  // namespace horavane::cli
