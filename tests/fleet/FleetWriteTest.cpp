#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fleet/FleetReadings.h"
#include "fleet/FleetWrite.h"
#include "protocol/ClockCodec.h"
#include "sim/ClockState.h"
#include "tests/common/FakeNetwork.h"
#include "tests/common/TempFolder.h"

namespace horavane::test {
namespace {

Ipv4Address Ip(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return Ipv4Address{{a, b, c, d}};
}

// What a clock of the simulator at `index` says to a status query: the reply a rogue sends.
Bytes StatusReplyOf(int index) {
    auto clock = SimulatedClock(index);
    const ClockDatagram request = BuildOwnRequest(Command::QueryStatus, OwnAdapter{Ip(127, 0, 0, 1), {}});
    return clock(ToBytes(request)).front().bytes;
}

int WritesSent(const FakeNetwork& net) {
    int writes = 0;
    for (const auto& sent : net.sent())
        if (ClockDatagram(sent.bytes).command() == static_cast<std::uint8_t>(Command::WriteSettings))
            ++writes;
    return writes;
}

SettingsChange TimeZone(const std::string& entry) {
    SetOptions options;
    options.timeZone = entry;
    std::string error;
    auto change = ChangeFromOptions(options, error);
    EXPECT_TRUE(change) << error;
    return *change;
}

std::vector<std::string> JournalLines(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A clock of the simulator at 127.0.0.(2 + index), with its state to look at afterwards.
std::shared_ptr<ClockDatagram> AddClock(FakeNetwork& net, int index) {
    auto state = std::make_shared<ClockDatagram>(sim::DefaultClockState(index));
    net.AddClock(Ip(127, 0, 0, static_cast<std::uint8_t>(2 + index)), SimulatedClock(state));
    return state;
}

struct FleetWriteTest : ::testing::Test {
    std::shared_ptr<ClockDatagram> AddClock(int index) { return test::AddClock(net, index); }

    FakeNetwork net;
    TempFolder folder;
    WriteJournal journal{folder.File("journal.jsonl")};
    std::string error;
};

// A reply from another address during the read (a second clock answering a stale request, a
// forged datagram) must not become the clock's settings: its IP address would be written into the
// clock and the clock would be lost. Replies are taken by source, for one clock (set) as for many.
TEST_F(FleetWriteTest, EachClockKeepsItsOwnAddressWhenARogueAnswersDuringTheRead) {
    for (const int clocks : {1, 3}) {
        SCOPED_TRACE(clocks);
        FakeNetwork ownNet;
        std::vector<std::shared_ptr<ClockDatagram>> states;
        std::vector<Ipv4Address> addresses;
        for (int i = 0; i < clocks; ++i) {
            states.push_back(test::AddClock(ownNet, i));
            addresses.push_back(Ip(127, 0, 0, static_cast<std::uint8_t>(2 + i)));
        }
        std::vector<Ipv4Address> ownIps;
        for (const auto& state : states) ownIps.push_back(DecodeStatus(*state).settings.clockIp);
        ownNet.Deliver(Ms(1), Ip(127, 0, 0, 99), StatusReplyOf(40));

        const auto results = WriteAndVerify(addresses, TimeZone("UTC +8"), clocks == 1 ? "set" : "apply",
                                            ownNet.Options(Ms(100)), journal, error);
        ASSERT_TRUE(results) << error;
        ASSERT_EQ(results->size(), states.size());
        for (std::size_t i = 0; i < states.size(); ++i) {
            EXPECT_EQ((*results)[i].stage, WriteStage::kVerified) << (*results)[i].result;
            EXPECT_EQ(DecodeStatus(*states[i]).settings.clockIp, ownIps[i]);
        }
        EXPECT_EQ(WritesSent(ownNet), clocks);
    }
}

// Nothing goes out that the journal does not hold, whichever command writes.
TEST_F(FleetWriteTest, AJournalThatCannotBeWrittenSendsNoWrite) {
    AddClock(0);
    AddClock(1);
    // The journal's folder is a file: no append can succeed.
    const WriteJournal blocked(folder.Write("not-a-folder", "x") + "/journal.jsonl");
    for (const char* command : {"set", "apply", "restore"}) {
        const auto results = WriteAndVerify({Ip(127, 0, 0, 2), Ip(127, 0, 0, 3)}, TimeZone("UTC +8"), command,
                                            net.Options(Ms(100)), blocked, error);
        EXPECT_FALSE(results) << command;
        EXPECT_FALSE(error.empty()) << command;
    }
    EXPECT_EQ(WritesSent(net), 0);
}

// A write whose port cannot be had (held past --lock-wait, or not opened) never went: the journal
// must not say it did, or restore would undo what the clock never took.
TEST_F(FleetWriteTest, AWriteWhosePortCannotBeHadLeavesNoRecord) {
    AddClock(0);
    ExchangeOptions options = net.Options(Ms(100));
    int opened = 0;
    options.openPort = [&opened, real = options.openPort](const PortRequest& request) {
        // The read has the port; the write that follows does not.
        return ++opened == 1 ? real(request) : nullptr;
    };
    const auto results =
        WriteAndVerify({Ip(127, 0, 0, 2)}, TimeZone("UTC +8"), "set", options, journal, error);
    ASSERT_TRUE(results);
    EXPECT_EQ(results->front().stage, WriteStage::kNotSent);
    EXPECT_EQ(WritesSent(net), 0);
    EXPECT_TRUE(JournalLines(journal.file()).empty());
}

// Each clock's fate, and what the journal kept: a record for every write sent and none for the
// rest, with what the clock held before.
TEST_F(FleetWriteTest, SilentRefusedAndUnverifiedClocksAreToldApartAndOnlyWritesAreJournaled) {
    const auto state = AddClock(0);
    sim::FaultSwitches ignoring;
    ignoring.ignoreWrites = true;
    net.AddClock(Ip(127, 0, 0, 3), SimulatedClock(1, ignoring));
    const std::string before = JsonText(WritableJson(ShownWindow(DecodeStatus(*state))));

    const auto results = WriteAndVerify({Ip(127, 0, 0, 2), Ip(127, 0, 0, 3), Ip(127, 0, 0, 4)},
                                        TimeZone("UTC +8"), "apply", net.Options(Ms(100)), journal, error);
    ASSERT_TRUE(results) << error;
    EXPECT_EQ((*results)[0].stage, WriteStage::kVerified);
    EXPECT_EQ((*results)[1].stage, WriteStage::kNotVerified);
    ASSERT_FALSE((*results)[1].differing.empty());
    EXPECT_EQ((*results)[1].differing.front().rfind("timeZoneEntry: wrote \"UTC +8\"", 0), 0u);
    EXPECT_EQ((*results)[2].stage, WriteStage::kNoReply);
    EXPECT_EQ((*results)[2].result, "no reply");

    const auto lines = JournalLines(journal.file());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("\"before\":" + before), std::string::npos) << lines[0];

    // A change Modify's checks refuse is neither journaled nor sent.
    SetOptions sameHours;
    sameHours.energySaving = "7-7";
    const SettingsChange clash = *ChangeFromOptions(sameHours, error);
    const int writesBefore = WritesSent(net);
    const auto refused =
        WriteAndVerify({Ip(127, 0, 0, 2)}, clash, "set", net.Options(Ms(100)), journal, error);
    ASSERT_TRUE(refused) << error;
    EXPECT_EQ(refused->front().stage, WriteStage::kRefused);
    EXPECT_EQ(refused->front().refusals, std::vector<std::string>{"Two value not the same."});
    EXPECT_EQ(WritesSent(net), writesBefore);
    EXPECT_EQ(JournalLines(journal.file()).size(), 2u);
}

}  // namespace
}  // namespace horavane::test
