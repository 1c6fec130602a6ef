// The simulated clocks over real UDP: what they answer and take, their faults as a workstation
// sees them, what must never bring them down, the life cycle other tests rely on, and the written
// settings kept across runs in a state file that a bad parse never loses.

#include <algorithm>
#include <atomic>
#include <nlohmann/json.hpp>
#include <random>

#include "dialog/ClockDisplay.h"
#include "dialog/InMemoryControls.h"
#include "protocol/ClockCodec.h"
#include "sim/ClockBehaviour.h"
#include "sim/StateFile.h"
#include "tests/common/HostileFiles.h"
#include "tests/common/SimSupport.h"
#include "tests/common/TempFolder.h"

namespace horavane::test {
namespace {

using Simulator = SimulatorTest;

TEST_F(Simulator, ClocksAnswerFromTheirOwnAddressAndTakeAWriteButNotTheirIdentity) {
    StartClocks(3);
    for (int clock = 0; clock < 3; ++clock) {
        for (const Command command : {Command::Search, Command::QueryStatus}) {
            const auto reply = Ask(clock, command);
            ASSERT_TRUE(reply) << clock;
            EXPECT_EQ(reply->source, sim().address(clock));
            EXPECT_EQ(reply->sourcePort, sim().port());
            EXPECT_EQ(reply->bytes, ToBytes(sim::BuildStatusReply(sim::DefaultClockState(clock),
                                                                  static_cast<std::uint8_t>(command))));
        }
    }
    EXPECT_FALSE(client_.Receive(Ms(100))) << "one reply per request";

    // A write whose every byte differs from what the clock holds: it takes the settings, but neither
    // its identity nor its state.
    ClockDatagram write = sim().StatusReply(1);
    for (std::size_t i = 0; i < ClockDatagram::kChecksum; ++i)
        write.SetAt(i, static_cast<std::uint8_t>(~write.At(i)));
    write.SetMagic();
    write.setDirection(Direction::Request);
    write.setCommand(Command::WriteSettings);
    write.SetAt(ClockDatagram::kChecksum, 0);
    ApplyChecksum(write);
    SendTo(1, ToBytes(write));
    ASSERT_TRUE(AwaitWrites(1, 1));
    EXPECT_FALSE(client_.Receive(Ms(100))) << "a write is not answered";
    const ClockStatus shown = DecodeStatus(ClockDatagram(Ask(1)->bytes));
    EXPECT_EQ(shown.settings, DecodeStatus(write).settings);
    EXPECT_EQ(shown.serialNumber, "HV-2026-1002");
    EXPECT_EQ(shown.mac[5], 2);
    EXPECT_TRUE(shown.Synchronised());
    EXPECT_EQ(sim().StatusReply(0).tzHours(), 0x01) << "the other clocks are untouched";
}

TEST_F(Simulator, FaultsShowAtTheSocketAndADelayedClockHoldsUpNoOther) {
    StartClocks(3);
    sim().SetFaults(0, Faults([](auto& f) { f.duplicateReplies = true; }));
    sim().SetFaults(1, Faults([](auto& f) { f.shortReplyLength = 0; }));
    sim().SetFaults(2, Faults([](auto& f) { f.delay = Ms(300); }));
    const auto once = Ask(0, Command::Search);
    const auto twice = client_.Receive(Ms(150));
    ASSERT_TRUE(once && twice);
    EXPECT_EQ(once->bytes, twice->bytes);
    const auto empty = Ask(1);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->bytes.empty());

    const auto start = std::chrono::steady_clock::now();
    SendTo(2, Request(Command::QueryStatus));
    SendTo(0, Request(Command::QueryStatus));
    const auto first = client_.Receive(Ms(1000));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->source, sim().address(0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(150));
    client_.Receive(Ms(1000));  // the duplicate
    const auto late = client_.Receive(Ms(1000));
    ASSERT_TRUE(late);
    EXPECT_EQ(late->source, sim().address(2));
    EXPECT_GE(std::chrono::steady_clock::now() - start, Ms(290));
}

// Under a stream of junk the record of 253 clocks once grew to half a gigabyte: it is kept only
// when asked for, and then bounded in count and in bytes, the newest kept.
TEST_F(Simulator, GarbageIsNeverAnsweredAndTheRecordOfItIsBounded) {
    StartClocks(1, sim::SimulatorOptions{});
    SendTo(0, Bytes(500, 0x11));
    ASSERT_TRUE(Ask(0));
    EXPECT_TRUE(sim().Received(0).empty()) << "no record unless asked for";

    StartClocks(1);
    Bytes badChecksum = Request(Command::QueryStatus);
    badChecksum[ClockDatagram::kChecksum] ^= 0x01;
    ClockDatagram reply;
    BeginRequest(reply, Command::QueryStatus);
    reply.setDirection(Direction::Reply);
    ApplyChecksum(reply);
    std::vector<Bytes> sent = {badChecksum, ToBytes(reply), {}, {0x4D}, Bytes(13, 0), Bytes(2000, 0xA5)};
    // Random bytes pass the checksum, the direction and the command together about once in four
    // million datagrams: none of these is answerable. Short enough for the count to bound the record.
    std::mt19937 random(20261207);
    for (int i = 0; i < 1050; ++i) {
        Bytes bytes(static_cast<std::size_t>(random() % 200));
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        sent.push_back(std::move(bytes));
    }
    // In batches, so that the socket's receive queue never overflows and drops what we count: a
    // query after each batch is answered after everything sent before it.
    const auto sendInBatches = [&](const std::vector<Bytes>& all) {
        for (std::size_t i = 0; i < all.size(); ++i) {
            SendTo(0, all[i]);
            if (i % 20 == 19 || i + 1 == all.size()) {
                ASSERT_TRUE(Ask(0));
            }
        }
    };
    sendInBatches(sent);
    EXPECT_FALSE(client_.Receive(Ms(150)));
    auto received = sim().Received(0);
    ASSERT_EQ(received.size(), 1000U);
    std::erase(received, Request(Command::QueryStatus));
    EXPECT_TRUE(std::equal(received.rbegin(), received.rend(), sent.rbegin())) << "the newest kept, in order";

    std::vector<Bytes> large;
    for (int i = 0; i < 200; ++i) large.emplace_back(2000, static_cast<std::uint8_t>(i));
    sendInBatches(large);
    received = sim().Received(0);
    std::size_t bytes = 0;
    for (const Bytes& datagram : received) bytes += datagram.size();
    EXPECT_LE(bytes, 256U * 1024U);
    EXPECT_GT(bytes, 250U * 1024U);
    EXPECT_EQ(received.back(), Request(Command::QueryStatus));
    EXPECT_EQ(received[received.size() - 2], Bytes(2000, 199));
}

TEST_F(Simulator, AccessorsAreSafeFromAnotherThreadWhileClocksAnswer) {
    StartClocks(2);
    std::atomic<bool> done{false};
    std::thread meddler([&] {
        for (int i = 0; i < 2000 && !done; ++i) {
            sim().SetFaults(i % 2, Faults([i](auto& f) { f.ignoreWrites = i % 2 == 0; }));
            sim().SetSettings(i % 2, sim().StatusReply(i % 2));
            (void)sim().RequestsReceived(i % 2, Command::QueryStatus);
            (void)sim().Received(i % 2);
        }
    });
    int answered = 0;
    for (int i = 0; i < 50; ++i) {
        SendTo(i % 2, Request(Command::WriteSettings));
        if (Ask(i % 2)) ++answered;
    }
    done = true;
    meddler.join();
    EXPECT_EQ(answered, 50);
}

// Refused starts leave nothing behind; a running clock holds its address, and a prompt stop frees
// it for another program.
TEST_F(Simulator, StartRefusesWhatItCannotHoldAndStopFreesTheAddressesAndPort) {
    for (const auto& [first, clocks] : {std::pair{Ip(10, 0, 0, 2), 1}, std::pair{Ip(127, 255, 255, 253), 3},
                                        std::pair{Ip(127, 0, 0, 2), 0}, std::pair{Ip(127, 0, 0, 2), 65025},
                                        std::pair{Ip(127, 0, 0, 255), 1}, std::pair{Ip(127, 0, 1, 0), 1}}) {
        sim::SimulatorOptions options;
        options.firstAddress = first;
        options.clocks = clocks;
        options.port = 0;
        std::string error;
        EXPECT_FALSE(sim::ClockSimulator(options).Start(&error)) << first.ToString() << " x" << clocks;
        EXPECT_FALSE(error.empty());
    }
    {
        const PlainSocket taken(Ip(127, 0, 0, 3));
        ASSERT_TRUE(taken.bound());
        sim::SimulatorOptions options;
        options.clocks = 2;
        options.port = taken.port();
        std::string error;
        EXPECT_FALSE(sim::ClockSimulator(options).Start(&error));
        EXPECT_NE(error.find("127.0.0.3:" + std::to_string(taken.port())), std::string::npos) << error;
        EXPECT_TRUE(PlainSocket(Ip(127, 0, 0, 2), taken.port()).bound()) << "clock 0's socket was released";
    }

    StartClocks(2);
    const std::uint16_t port = sim().port();
    EXPECT_FALSE(PlainSocket(sim().address(1), port).bound()) << "the clock holds its address while running";
    const auto start = std::chrono::steady_clock::now();
    sim().Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(100));
    EXPECT_TRUE(PlainSocket(sim().address(1), port).bound());
    std::string error;
    ASSERT_TRUE(sim().Start(&error)) << error;
    EXPECT_TRUE(Ask(1));
}

// A clock that is not synchronised names no time server, whatever its state holds.
TEST(DefaultClock, AnUnsynchronisedClockReportsNoCurrentTimeServer) {
    ClockDatagram state = sim::DefaultClockState(0);
    state.setCurrentTimeServer(Ip(10, 0, 0, 1));
    state.setSyncState(1);
    EXPECT_EQ(sim::BuildStatusReply(state, 1).currentTimeServer(), Ip(10, 0, 0, 1));
    state.setSyncState(0);
    EXPECT_TRUE(sim::BuildStatusReply(state, 1).currentTimeServer().IsZero());
}

// An operator picks a clock, changes one setting and presses Modify: every simulated clock's
// defaults, at both ends of its placement in a /24, must pass every check of the window.
TEST(DefaultClock, DefaultSettingsPassEveryCheckOfModify) {
    for (int clock : {0, 1, 149, 150, 252, 10'000}) {
        InMemoryControls window;
        FillDialogLists(window);
        ShowReply(window, DecodeStatus(sim::DefaultClockState(clock)));
        const SettingsForm form = ReadSettingsForm(window);
        EXPECT_EQ(ValidateAddresses(form), std::nullopt) << clock;
        EXPECT_EQ(CheckDaylightSavingRule(form), std::nullopt) << clock;
        EXPECT_EQ(CheckEnergySavingRule(form), std::nullopt) << clock;
        EXPECT_EQ(CheckBrightnessRule(form), std::nullopt) << clock;
    }
}

// ---- The state file ---------------------------------------------------------------------------

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

// Every value at the largest the file allows, as a clock may hold it: what the simulator writes
// it must read back on its next start, and one more is refused naming the key.
TEST(StateFileLimits, EveryValueAtItsLargestSurvivesASaveAndOneMoreIsRefused) {
    const std::string largest = R"({"clocks": {"127.0.0.2": {
        "serialNumber": "ABCDEFGHIJKLMNOPQRST", "mac": "FF-FF-FF-FF-FF-FF", "synchronised": true,
        "currentTimeServer": "255.255.255.255",
        "daylightSaving": {"startMonth": 255, "startWeek": 15, "startDay": 15, "startHour": 255,
                           "endMonth": 255, "endWeek": 15, "endDay": 15, "endHour": 255},
        "timeZone": {"west": true, "hours": 127, "minutes": 255},
        "timeFormat": 255, "brightness": 255, "energySaving": {"fromHour": 255, "toHour": 255},
        "timeServerCount": 255, "dynamicIp": 255,
        "timeServers": ["255.255.255.255", "0.0.0.0", "1.2.3.4", "0.0.0.0", "9.9.9.9"],
        "ipAddress": "255.255.255.255", "subnetMask": "255.255.255.255", "gateway": "255.255.255.255",
        "dnsServer": "255.255.255.255"}}})";
    const std::vector<Ipv4Address> clock = {*Ipv4Address::Parse("127.0.0.2")};
    std::vector<ClockDatagram> read = {sim::DefaultClockState(0)};
    std::string error;
    ASSERT_TRUE(sim::StateFile::ReadText(largest, clock, read, error)) << error;

    const TempFolder folder;
    const std::string path = folder.File("clocks.json").string();
    ASSERT_TRUE(sim::StateFile(path).Save(clock, read, &error)) << error;
    std::vector<ClockDatagram> again = {sim::DefaultClockState(0)};
    ASSERT_TRUE(sim::StateFile(path).Load(clock, again, &error)) << error;
    EXPECT_EQ(again[0], read[0]);

    for (const auto& [key, over] : std::vector<std::pair<std::string, std::string>>{
             {"\"startMonth\": 255", "\"startMonth\": 256"},
             {"\"startWeek\": 15", "\"startWeek\": 16"},
             {"\"hours\": 127", "\"hours\": 128"},
             {"\"dynamicIp\": 255", "\"dynamicIp\": 256"},
             {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOPQRSTU"}}) {
        std::string text = largest;
        text.replace(text.find(key), key.size(), over);
        std::vector<ClockDatagram> states = {sim::DefaultClockState(0)};
        EXPECT_FALSE(sim::StateFile::ReadText(text, clock, states, error)) << over;
        EXPECT_EQ(states[0], sim::DefaultClockState(0)) << over << ": a refused file changes nothing";
    }
}

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
    EXPECT_EQ(clock.at("timeZone"), nlohmann::json({{"west", true}, {"hours", 9}, {"minutes", 30}}));
    EXPECT_EQ(clock.at("timeServers").at(3), "10.0.0.4");
    EXPECT_EQ(clock.at("serialNumber"), "HV-2026-1002");

    StartClocks(2, WithFile());
    EXPECT_EQ(sim().StatusReply(1), written);
    EXPECT_EQ(sim().StatusReply(0), handEdited) << "clock 0 keeps what it was given";
}

// Values beyond their largest are the limits test's; here what the start makes of a broken file.
TEST_F(StateFile, ABrokenFileRefusesTheStartWithOneLineAndIsLeftAsItWas) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{\"clocks\": {\"127.0.0.2\": {\"timeFormat\": 12", "not valid JSON"},
        {"[1, 2, 3]", "clocks"},
        {R"({"clocks": {"127.0.0.2": {"ipAddress": "192.168.1.300"}}})", "ipAddress"},
        {R"({"clocks": {"127.0.0.2": {"timeServers": ["10.0.0.1"]}}})", "timeServers"},
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

#ifndef _WIN32
// The state file is saved only where a regular file stands: a FIFO, a socket, a folder, a device
// or a link to none of a file is refused by the save and left exactly as it was.
TEST(StateFileSave, WritesOnlyARegularFile) {
    const TempFolder folder;
    const std::vector<Ipv4Address> clock = {*Ipv4Address::Parse("127.0.0.2")};
    const std::vector<ClockDatagram> states = {sim::DefaultClockState(0)};
    for (const HostileThing& thing : MakeHostileThings(folder.path())) {
        if (!thing.made) continue;
        const auto path = folder.File(thing.name);
        const std::string before = Identity(path);
        std::string error;
        EXPECT_FALSE(sim::StateFile(path.string()).Save(clock, states, &error)) << thing.name;
        EXPECT_NE(error.find(path.string()), std::string::npos) << thing.name << ": " << error;
        EXPECT_EQ(Identity(path), before) << thing.name;
    }
}
#endif

}  // namespace
}  // namespace horavane::test
