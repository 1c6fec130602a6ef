#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dialog/ClockDialogLogic.h"
#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"
#include "dialog/InMemoryControls.h"
#include "fleet/FleetReadings.h"
#include "fleet/FleetWrite.h"
#include "fleet/JournalWriteRecorder.h"
#include "protocol/ClockCodec.h"
#include "sim/ClockBehaviour.h"
#include "tests/common/FakeNetwork.h"
#include "tests/common/TempFolder.h"
#include "tests/common/TestSupport.h"

namespace horavane::test {
namespace {

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
    SettingsChange change;
    change.timeZone = FindEntry(SettingList::TimeZone, entry);
    return change;
}

std::vector<std::string> LinesOf(const std::filesystem::path& file) {
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
    EXPECT_TRUE(LinesOf(journal.file()).empty());
}

// Each clock's fate, and what the journal kept: a record for every write sent and none for the
// rest, with what the clock held before.
TEST_F(FleetWriteTest, SilentRefusedAndUnverifiedClocksAreToldApartAndOnlyWritesAreJournaled) {
    const auto state = AddClock(0);
    sim::FaultSwitches ignoring;
    ignoring.ignoreWrites = true;
    net.AddClock(Ip(127, 0, 0, 3), SimulatedClock(1, ignoring));
    const std::string before = JsonText(SettingsJson(DecodeStatus(*state).settings));

    const auto results = WriteAndVerify({Ip(127, 0, 0, 2), Ip(127, 0, 0, 3), Ip(127, 0, 0, 4)},
                                        TimeZone("UTC +8"), "apply", net.Options(Ms(100)), journal, error);
    ASSERT_TRUE(results) << error;
    EXPECT_EQ((*results)[0].stage, WriteStage::kVerified);
    EXPECT_EQ((*results)[1].stage, WriteStage::kNotVerified);
    ASSERT_FALSE((*results)[1].differing.empty());
    EXPECT_EQ((*results)[1].differing.front().rfind("timeZoneEntry: wrote \"UTC +8\"", 0), 0u);
    EXPECT_EQ((*results)[2].stage, WriteStage::kNoReply);
    EXPECT_EQ((*results)[2].result, "no reply");

    const auto lines = LinesOf(journal.file());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("\"before\":" + before), std::string::npos) << lines[0];

    // A change Modify's checks refuse is neither journaled nor sent.
    SettingsChange clash;
    clash.energyFrom = clash.energyTo = FindEntry(SettingList::EnergyFrom, "7");
    const int writesBefore = WritesSent(net);
    const auto refused =
        WriteAndVerify({Ip(127, 0, 0, 2)}, clash, "set", net.Options(Ms(100)), journal, error);
    ASSERT_TRUE(refused) << error;
    EXPECT_EQ(refused->front().stage, WriteStage::kRefused);
    EXPECT_EQ(refused->front().refusals, std::vector<std::string>{"Two value not the same."});
    EXPECT_EQ(WritesSent(net), writesBefore);
    EXPECT_EQ(LinesOf(journal.file()).size(), 2u);
}

// A change of each clock's own, decided on what it holds as read for the write: a clock that holds
// it already is left alone, neither journaled nor sent; each of the others gets its own.
TEST_F(FleetWriteTest, EachClockGetsItsOwnChangeAndOneInLineIsLeftAlone) {
    const auto first = AddClock(0);
    const auto second = AddClock(1);
    const auto third = AddClock(2);
    std::vector<Ipv4Address> asked;
    const ChangeFor changeFor = [&](Ipv4Address clock,
                                    const ClockSettings& holds) -> std::optional<SettingsChange> {
        asked.push_back(clock);
        EXPECT_EQ(holds,
                  DecodeStatus(sim::DefaultClockState(static_cast<int>(clock.octets[3]) - 2)).settings);
        if (clock == Ip(127, 0, 0, 3)) return std::nullopt;
        return TimeZone(clock == Ip(127, 0, 0, 2) ? "UTC +8" : "UTC -3");
    };
    const auto results = WriteAndVerify({Ip(127, 0, 0, 2), Ip(127, 0, 0, 3), Ip(127, 0, 0, 4)}, changeFor,
                                        "align", net.Options(Ms(100)), journal, error);
    ASSERT_TRUE(results) << error;
    EXPECT_EQ(asked, (std::vector<Ipv4Address>{Ip(127, 0, 0, 2), Ip(127, 0, 0, 3), Ip(127, 0, 0, 4)}));
    EXPECT_EQ((*results)[0].stage, WriteStage::kVerified);
    EXPECT_EQ((*results)[1].stage, WriteStage::kInLine);
    EXPECT_EQ((*results)[1].result, "in line");
    EXPECT_FALSE((*results)[1].verified) << "nothing written, nothing verified";
    EXPECT_EQ((*results)[2].stage, WriteStage::kVerified);
    EXPECT_EQ(WritesSent(net), 2);
    EXPECT_EQ(FormOf(DecodeStatus(*first).settings).timeZone, "UTC +8");
    EXPECT_EQ(DecodeStatus(*second).settings, DecodeStatus(sim::DefaultClockState(1)).settings);
    EXPECT_EQ(FormOf(DecodeStatus(*third).settings).timeZone, "UTC -3");
    const auto lines = LinesOf(journal.file());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("\"command\":\"align\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("127.0.0.4"), std::string::npos) << lines[1];
}

// ---- The window's Modify -----------------------------------------------------------------------

// The main window's logic on in-memory controls, its writes recorded in `journal`.
struct JournaledWindow {
    JournaledWindow(FakeNetwork& net, const WriteJournal& journal)
        : JournaledWindow(journal, net.Options(Ms(100))) {}
    JournaledWindow(const WriteJournal& journal, const ExchangeOptions& options)
        : recorder(journal), logic(controls, options) {
        logic.OnInitDialog();
        logic.SetWriteRecorder(&recorder);
    }
    void Select(Ipv4Address clock) {
        controls.ListAdd(ctl::ClockList, clock.ToString());
        controls.SelectListEntry(ctl::ClockList, controls.ListFindExact(ctl::ClockList, clock.ToString()));
    }
    // Settings typed in from scratch, every check passing.
    void TypeEverySetting() {
        controls.SetIpParts(ctl::TimeServer1, IpFieldValue::From(Ip(10, 0, 0, 1)));
        controls.SetIpParts(ctl::IpAddress, IpFieldValue::From(Ip(192, 168, 1, 50)));
        controls.SetIpParts(ctl::SubnetMask, IpFieldValue::From(Ip(255, 255, 255, 0)));
        controls.SetIpParts(ctl::Gateway, IpFieldValue::From(Ip(192, 168, 1, 1)));
        controls.SetIpParts(ctl::DnsServer, IpFieldValue::From(Ip(8, 8, 4, 4)));
        SelectComboText(controls, ctl::EnergyFrom, "22");
        SelectComboText(controls, ctl::EnergyTo, "6");
        SelectComboText(controls, ctl::Brightness, "Dim");
    }

    InMemoryControls controls;
    JournalWriteRecorder recorder;
    ClockDialogLogic logic;
};

// A write made in the window is in the journal in the command line's own terms, next to a `set`:
// its "before" is what the set left on the clock, and restore takes it and writes that back.
TEST_F(FleetWriteTest, AWindowWriteIsJournaledLikeTheCommandLinesAndRestoreUndoesIt) {
    const auto state = AddClock(0);
    ASSERT_TRUE(
        WriteAndVerify({Ip(127, 0, 0, 2)}, TimeZone("UTC +8"), "set", net.Options(Ms(100)), journal, error));
    const std::uint8_t brightnessSet = DecodeStatus(*state).settings.brightness;
    ASSERT_NE(brightnessSet, 1);

    JournaledWindow window(net, journal);
    window.Select(Ip(127, 0, 0, 2));
    ASSERT_EQ(window.logic.OnClockSelected().repliesAccepted, 1);
    SelectComboText(window.controls, ctl::Brightness, "Dim");
    ASSERT_TRUE(window.logic.OnModify());
    EXPECT_EQ(window.controls.GetText(ctl::StatusLine), "");

    auto contents = journal.Read(Ip(127, 0, 0, 2), error);
    ASSERT_TRUE(contents) << error;
    ASSERT_EQ(contents->records.size(), 2u);
    EXPECT_EQ(contents->damaged, 0);
    const JournalRecord& set = contents->records[0];
    const JournalRecord& made = contents->records[1];
    EXPECT_EQ(made.command, "window");
    EXPECT_EQ(made.address, "127.0.0.2");
    EXPECT_EQ(made.serialNumber, set.serialNumber);
    EXPECT_EQ(made.before, set.written) << "the same keys and values the command line keeps";
    EXPECT_EQ(made.written["brightness"], "Dim");
    Json undone = made.written;
    undone["brightness"] = "Normal";
    EXPECT_EQ(undone, made.before) << "only the brightness was changed";

    RestoreChoice choice(std::nullopt);
    for (JournalRecord& record : contents->records) choice.Offer(std::move(record));
    ASSERT_TRUE(choice.chosen());
    EXPECT_EQ(choice.chosen()->command, "window");
    const auto change = ChangeBackTo(*choice.chosen(), error);
    ASSERT_TRUE(change) << error;
    const auto restored =
        WriteAndVerify({Ip(127, 0, 0, 2)}, *change, "restore", net.Options(Ms(100)), journal, error);
    ASSERT_TRUE(restored) << error;
    EXPECT_EQ(restored->front().stage, WriteStage::kVerified);
    EXPECT_EQ(DecodeStatus(*state).settings.brightness, brightnessSet);
}

// A port whose sends fail while `failing` is set: a network that drops the window's write.
class DroppingPort final : public DatagramPort {
  public:
    DroppingPort(std::unique_ptr<DatagramPort> real, std::shared_ptr<bool> failing)
        : real_(std::move(real)), failing_(std::move(failing)) {}
    bool SendTo(Ipv4Address destination, std::uint16_t port, std::span<const std::uint8_t> bytes) override {
        return !*failing_ && real_->SendTo(destination, port, bytes);
    }
    UdpSocket::Wait WaitReadable(std::chrono::milliseconds limit) override {
        return real_->WaitReadable(limit);
    }
    std::optional<ReceivedDatagram> ReceiveInto(std::span<std::uint8_t> buffer) override {
        return real_->ReceiveInto(buffer);
    }
    Time Now() const override { return real_->Now(); }
    void SleepUntil(Time until) override { real_->SleepUntil(until); }

  private:
    std::unique_ptr<DatagramPort> real_;
    std::shared_ptr<bool> failing_;
};

// A window Modify whose datagram never left keeps no record: restore must not "undo" a write that
// was not made, so it finds the command line's write as the last one, and the window's later write
// that did go is recorded as usual.
TEST_F(FleetWriteTest, AWindowWriteThatWasNotSentLeavesNoRecordForRestore) {
    AddClock(0);
    ASSERT_TRUE(
        WriteAndVerify({Ip(127, 0, 0, 2)}, TimeZone("UTC +8"), "set", net.Options(Ms(100)), journal, error));
    auto failing = std::make_shared<bool>(false);
    ExchangeOptions options = net.Options(Ms(100));
    options.openPort = [real = options.openPort, failing](const PortRequest& request) {
        return std::unique_ptr<DatagramPort>(std::make_unique<DroppingPort>(real(request), failing));
    };
    JournaledWindow window(journal, options);
    window.Select(Ip(127, 0, 0, 2));
    ASSERT_EQ(window.logic.OnClockSelected().repliesAccepted, 1);
    SelectComboText(window.controls, ctl::Brightness, "Dim");
    *failing = true;
    EXPECT_FALSE(window.logic.OnModify());
    auto contents = journal.Read(Ip(127, 0, 0, 2), error);
    ASSERT_TRUE(contents) << error;
    ASSERT_EQ(contents->records.size(), 1u);
    EXPECT_EQ(contents->records[0].command, "set");
    EXPECT_EQ(contents->damaged, 0);

    *failing = false;
    ASSERT_TRUE(window.logic.OnModify());
    contents = journal.Read(Ip(127, 0, 0, 2), error);
    ASSERT_TRUE(contents) << error;
    ASSERT_EQ(contents->records.size(), 2u);
    EXPECT_EQ(contents->records[1].command, "window");
}

// A window that had not read the clock knows nothing of what it held: the record says so with an
// empty "before", which reads back as a record, not damage, and which restore must not write. A
// journal that cannot be written keeps no record, and the window's write goes all the same.
TEST_F(FleetWriteTest, AWindowWriteWithoutAReadingKeepsNoBeforeAndAFailedRecordStillSends) {
    const auto state = AddClock(0);
    JournaledWindow window(net, journal);
    window.Select(Ip(127, 0, 0, 2));
    window.TypeEverySetting();
    ASSERT_TRUE(window.logic.OnModify());
    auto contents = journal.Read(Ip(127, 0, 0, 2), error);
    ASSERT_TRUE(contents) << error;
    EXPECT_EQ(contents->damaged, 0);
    ASSERT_EQ(contents->records.size(), 1u);
    const JournalRecord& made = contents->records[0];
    EXPECT_EQ(made.before, Json::object());
    EXPECT_EQ(made.written["brightness"], "Dim");
    EXPECT_FALSE(ChangeBackTo(made, error));
    EXPECT_NE(error.find("not known"), std::string::npos) << error;

    const WriteJournal blocked(folder.Write("not-a-folder", "x") + "/journal.jsonl");
    JournaledWindow unrecorded(net, blocked);
    unrecorded.Select(Ip(127, 0, 0, 2));
    ASSERT_EQ(unrecorded.logic.OnClockSelected().repliesAccepted, 1);
    SelectComboText(unrecorded.controls, ctl::Brightness, "Brilliant");
    ASSERT_TRUE(unrecorded.logic.OnModify());
    EXPECT_EQ(DecodeStatus(*state).settings.brightness, 4);
    const std::string status = unrecorded.controls.GetText(ctl::StatusLine);
    EXPECT_EQ(status.rfind("Sent, but not recorded in the journal: the journal of writes ", 0), 0u) << status;
}

}  // namespace
}  // namespace horavane::test
