// Written settings kept across runs, and an operator's state file never lost to a bad parse.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/common/SimSupport.h"
#include "tests/common/TempFolder.h"

namespace horavane::test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    const auto bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

class StateFileTest : public ::testing::Test {
  protected:
    void SetUp() override { HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses); }

    std::unique_ptr<sim::ClockSimulator> Simulator(int clocks = 2) {
        sim::SimulatorOptions options;
        options.clocks = clocks;
        options.port = 0;
        options.stateFile = path_.string();
        return std::make_unique<sim::ClockSimulator>(options);
    }

    TempFolder folder_;
    fs::path path_ = folder_.File("clocks.json");
};

TEST_F(StateFileTest, AWriteOverUdpSurvivesARestartAndTheFileIsReadable) {
    {
        auto simulator = Simulator();
        std::string error;
        ASSERT_TRUE(simulator->Start(&error)) << error;
        EXPECT_FALSE(fs::exists(path_)) << "nothing is written before a write arrives";
        ClockDatagram write;
        BeginRequest(write, Command::WriteSettings);
        write.setTimeFormat(12);
        write.setTzHours(0x89);
        write.setTzMinutes(30);
        write.setTimeServer(3, Ipv4Address{{10, 0, 0, 4}});
        write.setTimeServerCount(1);
        ApplyChecksum(write);
        TestClient client;
        client.Send(simulator->address(1), simulator->port(), ToBytes(write));
        ASSERT_TRUE(Eventually([&] { return simulator->RequestsReceived(1, Command::WriteSettings) == 1; }));
    }
    EXPECT_FALSE(fs::exists(path_.string() + ".tmp"));
    const auto document = nlohmann::json::parse(ReadFile(path_));
    const auto& clock = document.at("clocks").at("127.0.0.3");
    EXPECT_EQ(clock.at("timeFormat"), 12);
    EXPECT_EQ(clock.at("timeZone").at("west"), true);
    EXPECT_EQ(clock.at("timeServers").at(3), "10.0.0.4");
    EXPECT_EQ(clock.at("serialNumber"), "HV-2026-1002");

    auto restarted = Simulator();
    std::string error;
    ASSERT_TRUE(restarted->Start(&error)) << error;
    const ClockDatagram d = restarted->StatusReply(1);
    EXPECT_EQ(d.timeFormat(), 12);
    EXPECT_EQ(d.tzHours(), 0x89);
    EXPECT_EQ(d.tzMinutes(), 30);
    EXPECT_EQ(d.timeServer(3), (Ipv4Address{{10, 0, 0, 4}}));
    EXPECT_EQ(d.serialNumber(), "HV-2026-1002");
    EXPECT_EQ(restarted->StatusReply(0), Simulator()->StatusReply(0)) << "clock 0 keeps its defaults";
}

TEST_F(StateFileTest, AHandEditedFileMayNameOnlySomeSettingsAndKeepsOtherClocksEntries) {
    folder_.Write("clocks.json", R"({"clocks": {"127.0.0.2": {"brightness": 4, "mac": "02:48:56:AA:BB:CC"},
                                    "127.0.0.99": {"brightness": 2}}})");
    auto simulator = Simulator();
    std::string error;
    ASSERT_TRUE(simulator->Start(&error)) << error;
    const ClockDatagram d = simulator->StatusReply(0);
    EXPECT_EQ(d.brightness(), 4);
    EXPECT_EQ(d.mac(), (MacAddress{0x02, 0x48, 0x56, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(d.timeFormat(), 24);

    ClockDatagram write;
    BeginRequest(write, Command::WriteSettings);
    write.setBrightness(1);
    ApplyChecksum(write);
    TestClient client;
    client.Send(simulator->address(0), simulator->port(), ToBytes(write));
    ASSERT_TRUE(Eventually([&] { return simulator->RequestsReceived(0, Command::WriteSettings) == 1; }));
    simulator->Stop();
    const auto document = nlohmann::json::parse(ReadFile(path_));
    EXPECT_EQ(document.at("clocks").at("127.0.0.99"), nlohmann::json({{"brightness", 2}}));
    EXPECT_EQ(document.at("clocks").at("127.0.0.2").at("brightness"), 1);
}

TEST_F(StateFileTest, ABrokenFileRefusesTheStartWithOneLineAndIsLeftAsItWas) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{\"clocks\": {\"127.0.0.2\": {\"timeFormat\": 12", "not valid JSON"},
        {"[1, 2, 3]", "clocks"},
        {R"({"clocks": {"127.0.0.2": {"timeFormat": "twelve"}}})", "timeFormat"},
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
        auto simulator = Simulator();
        std::string error;
        EXPECT_FALSE(simulator->Start(&error)) << text;
        EXPECT_NE(error.find(path_.string()), std::string::npos) << error;
        EXPECT_NE(error.find(named), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(ReadFile(path_), text);
    }
}

}  // namespace
}  // namespace horavane::test
