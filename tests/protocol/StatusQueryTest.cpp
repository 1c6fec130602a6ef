#include "protocol/StatusQuery.h"
#include "settings/Messages.h"
#include "tests/common/DialogLogicFixture.h"

namespace horavane::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class StatusQueryTest : public DialogLogicTest {
  protected:
    void SetUp() override {
        StartClocks(2);
        if (IsSkipped()) return;
        sim().SetSettings(0, InstalledClockSettings());
        sim().SetSettings(1, InstalledClockSettings());
    }

    QueryOutcome Query(int clock) {
        SelectClock(clock);
        return logic().OnClockSelected();
    }
};

TEST_F(StatusQueryTest, ReplyFillsTheClockInformationGroup) {
    controls_.SetText(ctl::StatusLine, "Search finished.");
    const QueryOutcome outcome = Query(0);

    EXPECT_TRUE(outcome.sent);
    EXPECT_EQ(outcome.requestsSent, 1);
    EXPECT_EQ(outcome.repliesShown, 1);
    EXPECT_FALSE(outcome.checksumError);
    EXPECT_EQ(controls_.GetText(ctl::SerialNumber), "HV-0042");
    EXPECT_EQ(controls_.GetText(ctl::SyncStatus), "Sync");
    EXPECT_EQ(controls_.GetText(ctl::CurrentTimeServer), "10.0.0.3");
    EXPECT_EQ(controls_.GetText(ctl::TimeZoneText), "GMT +8:00");
    EXPECT_EQ(controls_.GetText(ctl::TimeZoneList), "UTC +8");
    EXPECT_EQ(controls_.GetText(ctl::MacAddress), "00-1A-2B-3C-4D-5E\n");
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), "");
    // The settings codes each have tests of their own; one of each kind shows they were all taken.
    EXPECT_TRUE(controls_.IsChecked(ctl::Format24));
    EXPECT_TRUE(controls_.IsChecked(ctl::StaticIp));
    EXPECT_EQ(IpText(ctl::TimeServer1 + 1), "");
    EXPECT_EQ(IpText(ctl::TimeServer1 + 2), "10.0.0.3");
    EXPECT_EQ(IpText(ctl::DnsServer), "192.168.1.2");
    EXPECT_EQ(controls_.GetText(ctl::DstEndWeek), "Last");
    EXPECT_EQ(controls_.GetText(ctl::EnergyFrom), "22");
    EXPECT_EQ(controls_.GetText(ctl::Brightness), "Bright");
    // The window's buffer keeps the reply: the write starts from there.
    EXPECT_EQ(logic().buffer(), sim().StatusReply(0));
}

TEST_F(StatusQueryTest, RequestCarriesTheLastAdapterListed) {
    options_.adapters = [] {
        return std::vector<AdapterInfo>{
            AdapterInfo{"first", Ip(127, 0, 0, 1), {1, 1, 1, 1, 1, 1}},
            AdapterInfo{"last", Ip(192, 168, 1, 100), {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}}};
    };
    ClockDialogLogic logic(controls_, options_);
    SelectClock(0);
    ASSERT_TRUE(logic.OnClockSelected().sent);

    const auto received = sim().Received(0);
    ASSERT_EQ(received.size(), 1u);
    ClockDatagram expected;
    expected.SetMagic();
    expected.setCommand(Command::QueryStatus);
    expected.setSenderIp(Ip(192, 168, 1, 100));
    expected.setMac({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
    expected.SetAt(ClockDatagram::kChecksum, 0x06);
    EXPECT_EQ(ClockDatagram(received[0]), expected);
}

TEST_F(StatusQueryTest, WithoutAdapterNothingIsSent) {
    options_.adapters = [] { return std::optional<std::vector<AdapterInfo>>{}; };
    ClockDialogLogic logic(controls_, options_);
    SelectClock(0);
    EXPECT_FALSE(logic.OnClockSelected().sent);
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_TRUE(sim().Received(0).empty());
}

TEST_F(StatusQueryTest, SilentClockLeavesDisplayClearedButListsKeepPreviousClock) {
    ASSERT_EQ(Query(0).repliesShown, 1);
    sim().SetFaults(1, Faults([](sim::FaultSwitches& f) { f.silent = true; }));

    const auto start = steady_clock::now();
    const QueryOutcome outcome = Query(1);
    const auto elapsed = steady_clock::now() - start;

    EXPECT_EQ(outcome.requestsSent, 1);
    EXPECT_EQ(outcome.repliesShown, 0);
    EXPECT_GE(elapsed, 2 * options_.wait);
    EXPECT_LT(elapsed, 2 * options_.wait + milliseconds(500));
    for (int id :
         {ctl::SerialNumber, ctl::SyncStatus, ctl::TimeZoneText, ctl::CurrentTimeServer, ctl::MacAddress})
        EXPECT_EQ(controls_.GetText(id), "") << id;
    for (int id = ctl::TimeServer1; id <= ctl::DnsServer; ++id)
        EXPECT_TRUE(controls_.GetIp(id).IsBlank()) << id;
    for (int id : {ctl::Format12, ctl::Format24, ctl::StaticIp, ctl::DynamicIp})
        EXPECT_FALSE(controls_.IsChecked(id)) << id;
    EXPECT_TRUE(controls_.IsChecked(ctl::DaylightSaving));
    EXPECT_EQ(controls_.GetText(ctl::DstStartMonth), "Mar");
    EXPECT_EQ(controls_.GetText(ctl::TimeZoneList), "UTC +8");
    EXPECT_EQ(controls_.GetText(ctl::EnergyFrom), "22");
    EXPECT_EQ(controls_.GetText(ctl::Brightness), "Bright");
    // Nothing came back, so the buffer still holds the request.
    EXPECT_EQ(logic().buffer().command(), static_cast<std::uint8_t>(Command::QueryStatus));
    EXPECT_EQ(logic().buffer().direction(), 0);
}

// How the query copes with each way a clock can answer badly: resends only after a wrong checksum,
// six at most; anything else that fails the acceptance rule is ignored without a resend.
struct FaultyReply {
    const char* name;
    sim::FaultSwitches faults;
    int requestsSent;
    int repliesShown;
    bool checksumError;
};

void PrintTo(const FaultyReply& row, std::ostream* os) {
    *os << row.name;
}

class StatusQueryFault : public StatusQueryTest, public testing::WithParamInterface<FaultyReply> {};

TEST_P(StatusQueryFault, ResendsAndShowsAsTheClockAnswers) {
    const FaultyReply& row = GetParam();
    sim().SetFaults(0, row.faults);
    const QueryOutcome outcome = Query(0);

    EXPECT_EQ(outcome.requestsSent, row.requestsSent);
    EXPECT_EQ(sim().RequestsReceived(0, Command::QueryStatus), row.requestsSent);
    EXPECT_EQ(outcome.repliesShown, row.repliesShown);
    EXPECT_EQ(outcome.checksumError, row.checksumError);
    EXPECT_EQ(controls_.GetText(ctl::SerialNumber), row.repliesShown > 0 ? "HV-0042" : "");
    ASSERT_EQ(controls_.messages().size(), row.checksumError ? 1u : 0u);
    if (row.checksumError) {
        EXPECT_EQ(controls_.messages()[0].text, msg::kChecksumError);
        EXPECT_EQ(controls_.messages()[0].box, InMemoryControls::Message::Box::Application);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, StatusQueryFault,
    testing::Values(
        FaultyReply{"SixWrongChecksumsEndWithOneMessage",
                    Faults([](sim::FaultSwitches& f) { f.wrongChecksumReplies = 6; }), 6, 0, true},
        FaultyReply{"FiveWrongChecksumsThenTheSixthIsShown",
                    Faults([](sim::FaultSwitches& f) { f.wrongChecksumReplies = 5; }), 6, 1, false},
        FaultyReply{"SecondReplyIsShownOverTheFirst",
                    Faults([](sim::FaultSwitches& f) { f.duplicateReplies = true; }), 1, 2, false},
        FaultyReply{"ChecksumZeroIsAccepted", Faults([](sim::FaultSwitches& f) { f.zeroChecksum = true; }), 1,
                    1, false},
        FaultyReply{"DirectionZeroIsIgnored",
                    Faults([](sim::FaultSwitches& f) { f.direction = std::uint8_t{0}; }), 1, 0, false},
        FaultyReply{"DirectionTwoIsIgnored",
                    Faults([](sim::FaultSwitches& f) { f.direction = std::uint8_t{2}; }), 1, 0, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(StatusQueryTest, ShortReplyReadsAsZeroPadded) {
    sim().SetFaults(0, Faults([](sim::FaultSwitches& f) { f.shortReplyLength = 60; }));
    const QueryOutcome outcome = Query(0);

    EXPECT_EQ(outcome.repliesShown, 1);
    EXPECT_EQ(IpText(ctl::Gateway), "192.168.1.1");  // bytes 56..59 arrived
    EXPECT_EQ(IpText(ctl::DnsServer), "0.0.0.0");    // from byte 60 on, zeros
    EXPECT_EQ(controls_.GetText(ctl::CurrentTimeServer), "0.0.0.0");
    EXPECT_EQ(controls_.GetText(ctl::SerialNumber), "");
    EXPECT_EQ(controls_.GetText(ctl::MacAddress), "00-00-00-00-00-00\n");
}

TEST_F(StatusQueryTest, NoSelectionClearsTheDisplayAndSendsNothing) {
    ASSERT_EQ(Query(0).repliesShown, 1);
    controls_.SelectListEntry(ctl::ClockList, -1);
    EXPECT_FALSE(logic().OnClockSelected().sent);
    EXPECT_EQ(controls_.GetText(ctl::SerialNumber), "");
    EXPECT_EQ(sim().RequestsReceived(0, Command::QueryStatus), 1);
}

// Replies shaped by hand, shown without the network.
class ShowReplyTest : public ::testing::Test {
  protected:
    InMemoryControls controls_ = InMemoryControls::WithDialogData();
    [[nodiscard]] std::string IpText(int id) const { return test::IpText(controls_, id); }
};

TEST_F(ShowReplyTest, TimeServersShownUpToTheCountInTheirOwnFields) {
    ClockDatagram reply;
    reply.setTimeServer(1, Ip(10, 0, 0, 1));
    reply.setTimeServer(3, Ip(10, 0, 0, 2));
    reply.setTimeServer(4, Ip(10, 0, 0, 3));
    reply.setTimeServerCount(2);
    ShowReply(controls_, reply);
    EXPECT_EQ(IpText(ctl::TimeServer1), "");
    EXPECT_EQ(IpText(ctl::TimeServer1 + 1), "10.0.0.1");
    EXPECT_EQ(IpText(ctl::TimeServer1 + 2), "");
    EXPECT_EQ(IpText(ctl::TimeServer1 + 3), "10.0.0.2");
    EXPECT_EQ(IpText(ctl::TimeServer1 + 4), "");

    for (int id = ctl::TimeServer1; id <= ctl::TimeServer5; ++id) controls_.ClearIp(id);
    reply.setTimeServerCount(5);
    ShowReply(controls_, reply);
    EXPECT_EQ(IpText(ctl::TimeServer1 + 4), "10.0.0.3");

    // A count with the top bit set is negative: nothing is shown.
    for (int id = ctl::TimeServer1; id <= ctl::TimeServer5; ++id) controls_.ClearIp(id);
    reply.setTimeServerCount(0x85);
    ShowReply(controls_, reply);
    for (int id = ctl::TimeServer1; id <= ctl::TimeServer5; ++id) EXPECT_EQ(IpText(id), "") << id;
}

TEST_F(ShowReplyTest, UnsyncedClockHidesItsTimeServer) {
    ClockDatagram reply;
    reply.setSyncState(0);
    reply.setCurrentTimeServer(Ip(10, 0, 0, 9));
    ShowReply(controls_, reply);
    EXPECT_EQ(controls_.GetText(ctl::SyncStatus), "Unsync");
    EXPECT_EQ(controls_.GetText(ctl::CurrentTimeServer), "Unsync");
    reply.setSyncState(2);
    ShowReply(controls_, reply);
    EXPECT_EQ(controls_.GetText(ctl::CurrentTimeServer), "Unsync");
}

}  // namespace
}  // namespace horavane::test
