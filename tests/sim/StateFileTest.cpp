// Written settings kept across runs, and an operator's state file never lost to a bad parse.

#include <nlohmann/json.hpp>

#include "tests/common/SimSupport.h"
#include "tests/common/TempFolder.h"

namespace horavane::test {
namespace {

class StateFile : public SimulatorTest {
  protected:
    sim::SimulatorOptions WithFile() const {
        sim::SimulatorOptions options;
        options.clocks = 2;
        options.port = 0;
        options.stateFile = path_.string();
        return options;
    }
    [[nodiscard]] std::string Text() const {
        const auto bytes = ReadBytes(path_);
        return {bytes.begin(), bytes.end()};
    }

    TempFolder folder_;
    std::filesystem::path path_ = folder_.File("clocks.json");
};

// A hand-edited file may name only some settings, and keeps the entries of clocks not simulated.
TEST_F(StateFile, AWriteOverUdpSurvivesARestartBesideWhatAnOperatorWrote) {
    folder_.Write("clocks.json", R"({"clocks": {"127.0.0.2": {"brightness": 4, "mac": "02:48:56:AA:BB:CC"},
                                    "127.0.0.99": {"brightness": 2}}})");
    StartClocks(2, WithFile());
    const ClockDatagram handEdited = sim().StatusReply(0);
    EXPECT_EQ(handEdited.brightness(), 4);
    EXPECT_EQ(handEdited.mac(), (MacAddress{0x02, 0x48, 0x56, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(handEdited.timeFormat(), 24);
    ClockDatagram write;
    BeginRequest(write, Command::WriteSettings);
    write.setTimeFormat(12);
    write.setTzHours(0x89);
    write.setTzMinutes(30);
    write.setTimeServer(3, Ipv4Address{{10, 0, 0, 4}});
    write.setTimeServerCount(1);
    ApplyChecksum(write);
    SendTo(1, ToBytes(write));
    ASSERT_TRUE(AwaitWrites(1, 1));
    const ClockDatagram written = sim().StatusReply(1);
    sim_.reset();
    EXPECT_FALSE(std::filesystem::exists(path_.string() + ".tmp"));
    const auto document = nlohmann::json::parse(Text()).at("clocks");
    EXPECT_EQ(document.at("127.0.0.99"), nlohmann::json({{"brightness", 2}}));
    const auto& clock = document.at("127.0.0.3");
    EXPECT_EQ(clock.at("timeFormat"), 12);
    EXPECT_EQ(clock.at("timeZone").at("west"), true);
    EXPECT_EQ(clock.at("timeZone").at("minutes"), 30);
    EXPECT_EQ(clock.at("timeServers").at(3), "10.0.0.4");
    EXPECT_EQ(clock.at("serialNumber"), "HV-2026-1002");

    StartClocks(2, WithFile());
    EXPECT_EQ(sim().StatusReply(1), written);
    EXPECT_EQ(sim().StatusReply(0), handEdited) << "clock 0 keeps what it was given";
}

TEST_F(StateFile, ABrokenFileRefusesTheStartWithOneLineAndIsLeftAsItWas) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{\"clocks\": {\"127.0.0.2\": {\"timeFormat\": 12", "not valid JSON"},
        {"[1, 2, 3]", "clocks"},
        {R"({"clocks": {"127.0.0.3": {"timeZone": {"hours": 200}}}})", "hours"},
        {R"({"clocks": {"127.0.0.2": {"ipAddress": "192.168.1.300"}}})", "ipAddress"},
        {R"({"clocks": {"127.0.0.2": {"timeServers": ["10.0.0.1"]}}})", "timeServers"},
        {R"({"clocks": {"127.0.0.2": {"serialNumber": "TWENTY-ONE-CHARACTERS"}}})", "serialNumber"},
        {R"({"clocks": {"127.0.0.2": {"mac": "02-48-56-00-00"}}})", "mac"},
        // Read against the schema: a misspelt key would otherwise be kept and silently ignored.
        {"{\"clocks\": {\n  \"127.0.0.2\": {\n    \"brightnes\": 2}}}",
         "line 3: clock 127.0.0.2: unknown key \"brightnes\""},
        {R"({"clocks": {"127.0.0.2": {"timeZone": {"hours": 8, "minute": 30}}}})", "unknown key \"minute\""},
        {R"({"clocks": {}, "clock": {}})", "unknown key \"clock\""},
        {R"({"clocks": {"192.168.1.50": {}}})", "192.168.1.50 is not a loopback address"},
        {"{\"clocks\": {\"127.0.0.2\": {\n\"timeFormat\": \"twelve\"}}}",
         "line 2: clock 127.0.0.2: timeFormat"},
    };
    for (const auto& [text, named] : cases) {
        folder_.Write("clocks.json", text);
        std::string error;
        EXPECT_FALSE(sim::ClockSimulator(WithFile()).Start(&error)) << text;
        EXPECT_NE(error.find(path_.string()), std::string::npos) << error;
        EXPECT_NE(error.find(named), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(Text(), text);
    }
}

}  // namespace
}  // namespace horavane::test
