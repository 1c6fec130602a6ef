// The windows' logic on in-memory controls and a scripted network: what the operator sees after
// each click, what reaches the clocks, and the password dialogs' decisions.

#include <gtest/gtest.h>

#include <vector>

#include "dialog/ClockDialogLogic.h"
#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"
#include "dialog/InMemoryControls.h"
#include "dialog/PasswordDialogLogic.h"
#include "dialog/PortWaitDisplay.h"
#include "dialog/SearchWorker.h"
#include "protocol/ClockCodec.h"
#include "settings/Messages.h"
#include "sim/ClockBehaviour.h"
#include "tests/common/ControlsConformance.h"
#include "tests/common/FakeNetwork.h"
#include "tests/common/TempFolder.h"
#include "tests/common/TestSupport.h"

namespace horavane::test {
namespace {

using Box = InMemoryControls::Message::Box;

const Ipv4Address kClock = Ip(127, 0, 0, 2);

class ClockDialogLogicTest : public testing::Test {
  protected:
    ClockDialogLogicTest() { logic_.OnInitDialog(); }

    // Lists the clock, as a search would have, and selects it.
    void SelectClock(std::string_view entry) {
        if (controls_.ListFindExact(ctl::ClockList, entry) < 0) controls_.ListAdd(ctl::ClockList, entry);
        controls_.SelectListEntry(ctl::ClockList, controls_.ListFindExact(ctl::ClockList, entry));
    }
    [[nodiscard]] std::string IpText(int id) const {
        const IpFieldValue value = controls_.GetIp(id);
        return value.IsBlank() ? std::string() : value.Address().ToString();
    }
    // Settings an operator could type in from scratch, every check passing.
    void TypeEverySetting() {
        controls_.SetIpParts(ctl::TimeServer1, Field(10, 0, 0, 1));
        controls_.SetIpParts(ctl::IpAddress, Field(192, 168, 1, 50));
        controls_.SetIpParts(ctl::Gateway, Field(192, 168, 1, 1));
        controls_.SetIpParts(ctl::DnsServer, Field(8, 8, 4, 4));
        SelectComboText(controls_, ctl::EnergyFrom, "22");
        SelectComboText(controls_, ctl::EnergyTo, "6");
        SelectComboText(controls_, ctl::Brightness, "Dim");
    }
    [[nodiscard]] std::vector<std::string> Messages(Box box) const {
        std::vector<std::string> texts;
        for (const auto& m : controls_.messages())
            if (m.box == box) texts.push_back(m.text);
        return texts;
    }

    FakeNetwork net_;
    std::shared_ptr<ClockDatagram> clock_ = std::make_shared<ClockDatagram>(sim::DefaultClockState(0));
    InMemoryControls controls_;
    ClockDialogLogic logic_{controls_, net_.Options()};
};

// Every write the window records, with what had gone out by then.
class ListRecorder final : public WriteRecorder {
  public:
    struct Write {
        Ipv4Address clock;
        std::optional<ClockStatus> before;
        ClockDatagram request;
        std::size_t sentBefore;
    };
    explicit ListRecorder(const FakeNetwork& net) : net_(net) {}
    std::optional<std::string> Record(Ipv4Address clock, const ClockStatus* before,
                                      const ClockDatagram& request) override {
        writes.push_back(
            {clock, before ? std::optional(*before) : std::nullopt, request, net_.sent().size()});
        return failure;
    }
    std::optional<std::string> Unsent() override {
        ++unsent;
        return std::nullopt;
    }
    std::vector<Write> writes;
    std::optional<std::string> failure;
    int unsent = 0;

  private:
    const FakeNetwork& net_;
};

// ---- The controls ------------------------------------------------------------------------------

TEST(InMemoryControls, BehaveAsTheLogicExpects) {
    InMemoryControls controls;
    ExpectControlsBehaveAsTheLogicExpects(
        controls, [&](int index) { controls.SelectListEntry(ctl::ClockList, index); });
}

TEST(IpField, ParseAcceptsEmptyPartsAndRejectsAnythingElse) {
    struct Case {
        const char* text;
        const char* address;  // nullptr: refused
        int filled;
    };
    for (const auto& c :
         {Case{"", "0.0.0.0", 0}, Case{"10", "10.0.0.0", 1}, Case{"10..3.", "10.0.3.0", 2},
          Case{"192.168.1.7", "192.168.1.7", 4}, Case{"0.0.0.0", "0.0.0.0", 4},
          Case{"255.255.255.255", "255.255.255.255", 4}, Case{"256.1.1.1", nullptr, 0},
          Case{"1.2.3.4.5", nullptr, 0}, Case{"a.b", nullptr, 0}, Case{"1.-2.3.4", nullptr, 0},
          Case{"1 .2.3.4", nullptr, 0}, Case{"1000.1.1.1", nullptr, 0}}) {
        const auto value = IpFieldValue::Parse(c.text);
        ASSERT_EQ(value.has_value(), c.address != nullptr) << '"' << c.text << '"';
        if (!value) continue;
        EXPECT_EQ(value->FilledParts(), c.filled) << c.text;
        EXPECT_EQ(value->Address().ToString(), c.address) << c.text;
    }
}

// ---- Selecting a clock -------------------------------------------------------------------------

// The display and the form are one codec's two directions: whatever a reply shows, Modify sends
// back unchanged. Hours at the edges of their lists (23, 0) must show and travel.
TEST_F(ClockDialogLogicTest, SelectionShowsTheReplyAndModifySendsBackWhatItShows) {
    clock_->setTimeServer(1, {});
    clock_->setTimeServer(2, Ip(192, 168, 1, 12));
    clock_->setMac({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E});
    clock_->setDynamicIp(1);
    clock_->setDstStartMonth(11);
    clock_->setDstStartWhen(1, 3);
    clock_->setDstStartHour(23);
    clock_->setDstEndHour(0);
    clock_->setTzHours(0x85);
    clock_->setTimeFormat(12);
    clock_->setBrightness(4);
    clock_->setSaveFromHour(23);
    clock_->setSaveToHour(0);
    net_.AddClock(kClock, SimulatedClock(clock_));
    controls_.SetText(ctl::StatusLine, msg::kSearchFinished);
    SelectClock("127.0.0.2");

    EXPECT_EQ(logic_.OnClockSelected().repliesAccepted, 1);
    EXPECT_EQ(controls_.GetText(ctl::SerialNumber), "HV-2026-1001");
    EXPECT_EQ(controls_.GetText(ctl::SyncStatus), "Sync");
    EXPECT_EQ(controls_.GetText(ctl::CurrentTimeServer), "192.168.1.10");
    EXPECT_EQ(controls_.GetText(ctl::TimeZoneText), "GMT -5:00");
    EXPECT_EQ(controls_.GetText(ctl::TimeZoneList), "UTC -5");
    EXPECT_EQ(controls_.GetText(ctl::MacAddress), "00-1A-2B-3C-4D-5E\n");
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), "");
    EXPECT_EQ(IpText(ctl::TimeServer1), "192.168.1.10");
    EXPECT_EQ(IpText(ctl::TimeServer1 + 1), "");
    EXPECT_EQ(IpText(ctl::TimeServer1 + 2), "192.168.1.12");
    // Dynamic addressing greys the four address fields but still shows what the clock holds.
    EXPECT_TRUE(controls_.IsChecked(ctl::DynamicIp));
    EXPECT_FALSE(controls_.IsChecked(ctl::StaticIp));
    for (int id : {ctl::IpAddress, ctl::SubnetMask, ctl::Gateway, ctl::DnsServer})
        EXPECT_FALSE(controls_.IsEnabled(id)) << id;
    EXPECT_TRUE(controls_.IsEnabled(ctl::TimeServer1));
    EXPECT_EQ(IpText(ctl::IpAddress), "192.168.1.100");
    EXPECT_TRUE(controls_.IsChecked(ctl::Format12));
    EXPECT_TRUE(controls_.IsChecked(ctl::DaylightSaving));
    EXPECT_EQ(controls_.GetText(ctl::DstStartHour), "23");
    EXPECT_EQ(controls_.GetText(ctl::DstEndWeek), "Last");
    EXPECT_EQ(controls_.GetText(ctl::EnergyFrom), "23");
    EXPECT_EQ(controls_.GetText(ctl::Brightness), "Brilliant");
    // The window's buffer keeps the reply: the write starts from there.
    EXPECT_EQ(logic_.buffer(), sim::BuildStatusReply(*clock_, 1));

    const ClockSettings held = DecodeStatus(*clock_).settings;
    ASSERT_TRUE(logic_.OnModify());
    ASSERT_EQ(net_.sent().size(), 2u);
    EXPECT_EQ(net_.sent()[1].to, kClock);
    EXPECT_EQ(ClockDatagram(net_.sent()[1].bytes), logic_.buffer()) << "the buffer keeps what went out";
    EXPECT_EQ(DecodeStatus(logic_.buffer()).settings, held);
}

TEST_F(ClockDialogLogicTest, CodesOutsideTheirListsLeaveNoSelectionAndRadioPairsAsTheyWere) {
    controls_.SetChecked(ctl::StaticIp, true);
    controls_.SetChecked(ctl::Format12, true);
    for (int id : {ctl::EnergyFrom, ctl::EnergyTo, ctl::Brightness, ctl::TimeZoneList})
        controls_.ComboSelect(id, 1);
    ClockStatus status = DecodeStatus(*clock_);
    status.settings.dstEnd.hour = 24;
    status.settings.saveFromHour = 24;
    status.settings.saveToHour = 255;
    status.settings.brightness = 5;
    status.settings.timeZone = {0x02, 30};
    status.settings.timeFormat = 0;
    status.settings.dynamicIp = 2;
    ShowSettingCodes(controls_, status.settings);

    EXPECT_FALSE(controls_.IsChecked(ctl::DaylightSaving)) << "an end hour of 24 hides the whole rule";
    EXPECT_EQ(controls_.ComboSelectedIndex(ctl::DstStartMonth), -1);
    for (int id : {ctl::EnergyFrom, ctl::EnergyTo, ctl::Brightness, ctl::TimeZoneList})
        EXPECT_EQ(controls_.ComboSelectedIndex(id), -1) << id;
    EXPECT_EQ(controls_.GetText(ctl::TimeZoneText), "GMT +2:30");
    EXPECT_TRUE(controls_.IsChecked(ctl::StaticIp));
    EXPECT_TRUE(controls_.IsChecked(ctl::Format12));
}

// The command line and the journal read a status through ReadoutOf, not a window: a fresh window
// showing the same status must read back the same, for the simulator's clocks and for codes
// outside every list.
TEST(ClockReadout, AFreshWindowShowsWhatTheValueSays) {
    std::vector<ClockStatus> statuses;
    for (int index : {0, 1, 7}) statuses.push_back(DecodeStatus(sim::DefaultClockState(index)));
    ClockStatus odd = statuses.front();
    odd.settings.dstEnd.hour = 24;
    odd.settings.dstStart.week = 9;
    odd.settings.saveFromHour = 255;
    odd.settings.brightness = 5;
    odd.settings.timeZone = {0x02, 30};
    odd.settings.timeFormat = 0;
    odd.settings.dynamicIp = 2;
    odd.settings.timeServerCount = 0x81;
    odd.syncState = 1;
    odd.serialNumber = "SN\x01";
    statuses.push_back(odd);
    odd.settings.dstEnd.hour = 3;
    odd.settings.timeServerCount = 3;
    odd.settings.timeServers[2] = Ip(10, 9, 8, 7);
    statuses.push_back(odd);
    for (const ClockStatus& status : statuses) {
        InMemoryControls window;
        FillDialogLists(window);
        ShowReply(window, status);
        EXPECT_EQ(ReadClockReadout(window), ReadoutOf(status)) << status.serialNumber;
    }
}

TEST_F(ClockDialogLogicTest, SilentOrFaultyClockOrNoAddressClearsTheReadOutsButTheListsKeepThePreviousClock) {
    net_.AddClock(kClock, SimulatedClock(clock_));
    SelectClock("127.0.0.2");
    logic_.OnClockSelected();
    SelectClock("127.0.0.3");

    EXPECT_EQ(logic_.OnClockSelected().repliesAccepted, 0);
    for (int id :
         {ctl::SerialNumber, ctl::SyncStatus, ctl::TimeZoneText, ctl::CurrentTimeServer, ctl::MacAddress})
        EXPECT_EQ(controls_.GetText(id), "") << id;
    for (int id = ctl::TimeServer1; id <= ctl::DnsServer; ++id) EXPECT_EQ(IpText(id), "") << id;
    for (int id : {ctl::Format12, ctl::Format24, ctl::StaticIp, ctl::DynamicIp})
        EXPECT_FALSE(controls_.IsChecked(id)) << id;
    EXPECT_TRUE(controls_.IsChecked(ctl::DaylightSaving));
    EXPECT_EQ(controls_.GetText(ctl::DstStartMonth), "Mar");
    EXPECT_EQ(controls_.GetText(ctl::TimeZoneList), "UTC +1");
    EXPECT_EQ(controls_.GetText(ctl::Brightness), "Normal");

    const std::size_t sent = net_.sent().size();
    controls_.SelectListEntry(ctl::ClockList, -1);
    EXPECT_FALSE(logic_.OnClockSelected().sent);
    // inet_addr would have read this as the broadcast address.
    SelectClock("255.255.255.255x");
    EXPECT_FALSE(logic_.OnClockSelected().sent);
    EXPECT_EQ(net_.sent().size(), sent);

    // Six wrong checksums: one message, in the application's box, and nothing shown.
    net_.AddClock(Ip(127, 0, 0, 4),
                  SimulatedClock(clock_, Faults([](auto& f) { f.wrongChecksumReplies = 6; })));
    SelectClock("127.0.0.4");
    EXPECT_TRUE(logic_.OnClockSelected().checksumError);
    EXPECT_EQ(Messages(Box::Application), std::vector<std::string>{std::string(msg::kChecksumError)});
    EXPECT_EQ(controls_.messages().size(), 1u) << "and none before it";
    EXPECT_EQ(controls_.GetText(ctl::SerialNumber), "");
}

// Another clock's reply arriving while the window asks shows nothing of it: the display holds the
// asked clock or stays clear, and Modify can never send the stranger's settings to the asked clock.
TEST_F(ClockDialogLogicTest, ReplyFromAnotherAddressIsNeverShownAsTheSelectedClock) {
    const ClockStatus stranger = DecodeStatus(sim::BuildStatusReply(sim::DefaultClockState(5), 1));
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers ? "the clock answers" : "the clock is silent");
        const Ipv4Address asked = answers ? kClock : Ip(127, 0, 0, 6);
        if (answers)
            net_.AddClock(kClock, SimulatedClock(clock_, Faults([](auto& f) { f.delay = Ms(200); })));
        net_.Deliver(net_.now() + Ms(100), Ip(127, 0, 0, 9),
                     ToBytes(sim::BuildStatusReply(sim::DefaultClockState(5), 1)));
        SelectClock(asked.ToString());
        logic_.OnClockSelected();
        EXPECT_EQ(controls_.GetText(ctl::SerialNumber),
                  answers ? DecodeStatus(sim::BuildStatusReply(*clock_, 1)).serialNumber : std::string());
        EXPECT_NE(controls_.GetText(ctl::SerialNumber), stranger.serialNumber);
        EXPECT_NE(IpText(ctl::IpAddress), stranger.settings.clockIp.ToString());
    }
}

// ---- Modify ------------------------------------------------------------------------------------

// A list entry where no clock can be (the window's list takes what a reply's source was) is never
// queried nor written to, and no record is made of a write that cannot go.
TEST_F(ClockDialogLogicTest, AnEntryWhereNoClockCanBeIsNeitherQueriedNorWritten) {
    ListRecorder recorder(net_);
    logic_.SetWriteRecorder(&recorder);
    for (const char* entry : {"0.0.0.0", "224.0.0.1", "255.255.255.255", "127.0.0.255"}) {
        SelectClock(entry);
        EXPECT_TRUE(logic_.OnClockSelected().destinationRefused) << entry;
        TypeEverySetting();  // the query cleared the settings
        EXPECT_FALSE(logic_.OnModify()) << entry;
    }
    EXPECT_TRUE(net_.sent().empty());
    EXPECT_TRUE(recorder.writes.empty());
    EXPECT_TRUE(controls_.messages().empty());
}

TEST_F(ClockDialogLogicTest, RefusedModifySendsNothingShowsItsMessageAndStartsTheListOver) {
    TypeEverySetting();
    ListRecorder recorder(net_);
    logic_.SetWriteRecorder(&recorder);
    EXPECT_FALSE(logic_.OnModify()) << "no clock is selected";
    EXPECT_TRUE(controls_.messages().empty());
    SelectClock("127.0.0.2");

    // An address refusal comes before the buffer is touched; greyed fields are checked too.
    logic_.OnDynamicIp();
    controls_.SetIpParts(ctl::DnsServer, Field(127, 0, 0, 1));
    logic_.buffer().SetAt(ClockDatagram::kSerialNumber, 0x5A);
    const ClockDatagram before = logic_.buffer();
    EXPECT_FALSE(logic_.OnModify());
    EXPECT_EQ(logic_.buffer(), before);
    EXPECT_EQ(Messages(Box::Dialog), std::vector<std::string>{std::string(msg::kLoopback)});
    EXPECT_EQ(controls_.focus(), ctl::DnsServer) << "back in the refused field, greyed or not";
    controls_.SetIpParts(ctl::DnsServer, Field(8, 8, 4, 4));
    controls_.SetIpParts(ctl::TimeServer1 + 3, IpFieldValue::Parse("10.0.0.").value_or(IpFieldValue{}));
    EXPECT_FALSE(logic_.OnModify());
    EXPECT_EQ(controls_.focus(), ctl::TimeServer1 + 3);
    controls_.ClearIp(ctl::TimeServer1 + 3);

    // A ticked daylight-saving box with an empty list: refused after the buffer was cleared.
    controls_.SetChecked(ctl::DaylightSaving, true);
    EXPECT_FALSE(logic_.OnModify());
    EXPECT_EQ(logic_.buffer(), ClockDatagram{});
    EXPECT_EQ(controls_.messages().back().text, msg::kDstIncomplete);
    controls_.SetChecked(ctl::DaylightSaving, false);

    // Equal energy-saving hours: the from-list falls back to "0", with the focus.
    SelectComboText(controls_, ctl::EnergyFrom, "7");
    SelectComboText(controls_, ctl::EnergyTo, "7");
    EXPECT_FALSE(logic_.OnModify());
    EXPECT_EQ(controls_.messages().back().text, msg::kEnergySavingSame);
    EXPECT_EQ(controls_.GetText(ctl::EnergyFrom), "0");
    EXPECT_EQ(controls_.focus(), ctl::EnergyFrom);

    // No brightness: "Error.", and the list starts over at "Brilliant".
    controls_.ComboSelect(ctl::Brightness, -1);
    EXPECT_FALSE(logic_.OnModify());
    EXPECT_EQ(controls_.messages().back().text, msg::kBrightnessError);
    EXPECT_EQ(controls_.GetText(ctl::Brightness), "Brilliant");
    EXPECT_EQ(controls_.focus(), ctl::Brightness);

    EXPECT_EQ(Messages(Box::Dialog).size(), 5u);
    EXPECT_TRUE(net_.sent().empty());
    EXPECT_TRUE(recorder.writes.empty()) << "a refused Modify is no write";
    ASSERT_TRUE(logic_.OnModify());
    EXPECT_EQ(net_.sent().size(), 1u);
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_FALSE(recorder.writes[0].before) << "the window never read this clock";
}

// The record of each sent Modify: the clock it went to, what the window last knew that clock to
// hold, and the request exactly as it went, taken just before it went.
TEST_F(ClockDialogLogicTest, EachSentModifyIsRecordedWithWhatTheWindowLastKnewOfThatClock) {
    net_.AddClock(kClock, SimulatedClock(clock_));
    const ClockStatus queried = DecodeStatus(sim::BuildStatusReply(*clock_, 1));
    ListRecorder recorder(net_);
    logic_.SetWriteRecorder(&recorder);
    SelectClock("127.0.0.2");
    ASSERT_EQ(logic_.OnClockSelected().repliesAccepted, 1);
    ASSERT_NE(queried.settings.brightness, 1);
    SelectComboText(controls_, ctl::Brightness, "Dim");
    ASSERT_TRUE(logic_.OnModify());
    ASSERT_EQ(recorder.writes.size(), 1u);
    const ListRecorder::Write first = recorder.writes[0];  // a copy: the next press grows the list
    EXPECT_EQ(first.clock, kClock);
    EXPECT_EQ(first.before, queried) << "the reply, not the request";
    EXPECT_EQ(first.request, ClockDatagram(net_.sent().back().bytes)) << "what went out, checksum and all";
    EXPECT_EQ(first.sentBefore, 1u) << "recorded after the query, before the write";
    EXPECT_EQ(DecodeStatus(*clock_).settings.brightness, 1) << "and the write went";

    // No read-back between two presses: the second one's "before" is the first one's write.
    SelectComboText(controls_, ctl::Brightness, "Brilliant");
    ASSERT_TRUE(logic_.OnModify());
    ASSERT_EQ(recorder.writes.size(), 2u);
    ASSERT_TRUE(recorder.writes[1].before);
    EXPECT_EQ(recorder.writes[1].before->settings, DecodeStatus(first.request).settings);
    EXPECT_EQ(recorder.writes[1].before->serialNumber, queried.serialNumber);

    // A clock whose query went unanswered: the window knows nothing of what it holds, whatever it
    // showed of another clock before.
    SelectClock("127.0.0.6");
    EXPECT_EQ(logic_.OnClockSelected().repliesAccepted, 0);
    TypeEverySetting();
    const std::size_t sent = net_.sent().size();
    ASSERT_TRUE(logic_.OnModify());
    ASSERT_EQ(recorder.writes.size(), 3u);
    EXPECT_EQ(recorder.writes[2].clock, Ip(127, 0, 0, 6));
    EXPECT_FALSE(recorder.writes[2].before);
    EXPECT_EQ(net_.sent().size(), sent + 1) << "one datagram per Modify, nothing resent";
}

// A record that fails never stops the write (tests/fleet shows it with a journal that cannot be
// written): no box interrupts, the form stays, and the note goes once a later write is recorded.
TEST_F(ClockDialogLogicTest, AFailedRecordIsSaidInTheStatusLineUntilALaterWriteIsRecorded) {
    ListRecorder recorder(net_);
    recorder.failure = "no space";
    logic_.SetWriteRecorder(&recorder);
    SelectClock("127.0.0.2");
    TypeEverySetting();
    controls_.SetText(ctl::StatusLine, msg::kSearchFinished);
    ASSERT_TRUE(logic_.OnModify());
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), NotRecordedText("no space"));
    EXPECT_TRUE(controls_.messages().empty());
    EXPECT_EQ(controls_.GetText(ctl::Brightness), "Dim") << "the form stays as the operator left it";
    ASSERT_TRUE(logic_.OnModify());
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), NotRecordedText("no space")) << "the fault holds";

    recorder.failure.reset();
    ASSERT_TRUE(logic_.OnModify());
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), msg::kSearchFinished);
    EXPECT_EQ(net_.sent().size(), 3u);
}

// ---- Search ------------------------------------------------------------------------------------

TEST_F(ClockDialogLogicTest, SearchClearsTheDisplayStartsOnEnterInItsFieldAndHandsTheControlsBack) {
    controls_.SetText(ctl::SerialNumber, "HV-0042");
    controls_.SetIpParts(ctl::TimeServer1, Field(10, 0, 0, 1));
    controls_.SetChecked(ctl::DaylightSaving, true);
    controls_.SetChecked(ctl::DynamicIp, true);
    controls_.ComboSelect(ctl::DstStartMonth, 2);
    SelectComboText(controls_, ctl::TimeZoneList, "UTC +8");

    EXPECT_FALSE(logic_.OnSearchClicked());
    EXPECT_EQ(Messages(Box::Application), std::vector<std::string>{std::string(msg::kSearchIpError)});
    EXPECT_TRUE(controls_.IsEnabled(ctl::SearchButton));
    EXPECT_EQ(controls_.GetText(ctl::SerialNumber), "");
    EXPECT_EQ(IpText(ctl::TimeServer1), "");
    EXPECT_FALSE(controls_.IsChecked(ctl::DaylightSaving));
    EXPECT_FALSE(controls_.IsChecked(ctl::DynamicIp));
    EXPECT_EQ(controls_.ComboSelectedIndex(ctl::DstStartMonth), -1);
    EXPECT_EQ(controls_.GetText(ctl::TimeZoneList), "UTC +8") << "not part of the display";

    // One number is enough to search; Enter searches from the search field and nowhere else, and
    // the search itself disables the button and the list.
    controls_.SetIpParts(ctl::SearchAddress, *IpFieldValue::Parse("127"));
    for (int id : {0, ctl::TimeServer1, ctl::Brightness, ctl::ClockList})
        EXPECT_FALSE(logic_.OnEnter(id)) << id;
    EXPECT_TRUE(controls_.IsEnabled(ctl::SearchButton));
    EXPECT_TRUE(logic_.OnEnter(ctl::SearchAddress));
    EXPECT_FALSE(controls_.IsEnabled(ctl::SearchButton));
    EXPECT_FALSE(controls_.IsEnabled(ctl::ClockList));

    // A sweep that ends before its first batch (no adapter) says so and hands back only the list
    // and the button.
    controls_.ListAdd(ctl::ClockList, "10.9.9.9");  // left over from an earlier search
    ExchangeOptions noAdapter = logic_.options();
    noAdapter.adapters = [] { return std::optional<std::vector<AdapterInfo>>{}; };
    ControlsSearchView view(controls_);
    EXPECT_EQ(RunSearch(view, noAdapter, {}), SweepEnd::NoAdapter);
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), msg::kNoAdapter);
    EXPECT_TRUE(net_.sent().empty());
    EXPECT_EQ(controls_.ListEntries(ctl::ClockList), std::vector<std::string>{"10.9.9.9"});
    EXPECT_TRUE(controls_.IsEnabled(ctl::ClockList));
    EXPECT_TRUE(controls_.IsEnabled(ctl::SearchButton));

    // A whole sweep fills the list afresh in text order.
    for (std::uint8_t host : std::initializer_list<std::uint8_t>{2, 3, 10, 12})
        net_.AddClock(Ip(127, 0, 0, host), SimulatedClock(host));
    ASSERT_TRUE(logic_.OnSearchClicked());
    RunSearch(view, logic_.options(), {});
    EXPECT_EQ(controls_.ListEntries(ctl::ClockList),
              (std::vector<std::string>{"127.0.0.10", "127.0.0.12", "127.0.0.2", "127.0.0.3"}));
    EXPECT_EQ(controls_.progressRange(ctl::Progress), std::make_pair(1, 254));
    EXPECT_EQ(controls_.progressPos(ctl::Progress), 254);
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), msg::kSearchFinished);
    EXPECT_TRUE(controls_.IsEnabled(ctl::ClockList));
    EXPECT_TRUE(controls_.IsEnabled(ctl::SearchButton));
}

// A sweep stopped (as closing the window stops it) while its third batch goes out touches the
// window no more.
TEST_F(ClockDialogLogicTest, StoppedSweepLeavesTheViewAlone) {
    std::stop_source stop;
    net_.AddClock(Ip(127, 0, 0, 25), [&](const Bytes&) {
        stop.request_stop();
        return std::vector<Answer>{};
    });
    controls_.SetIpParts(ctl::SearchAddress, Field(127, 0, 0, 1));
    ControlsSearchView view(controls_);
    RunSearch(view, logic_.options(), stop.get_token());
    EXPECT_EQ(controls_.progressPos(ctl::Progress), 20);
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), msg::kSearching);
    EXPECT_FALSE(controls_.IsEnabled(ctl::ClockList));
    EXPECT_FALSE(controls_.IsEnabled(ctl::SearchButton));
}

// ---- A clock port held by another program ----------------------------------------------------

// The port's lock as the exchanges meet it, played by the opener: the port is found held by
// horavanectl and never freed. Every exchange of the window says what it waits for, waits no
// longer than its bound, and sends nothing.
TEST_F(ClockDialogLogicTest, EveryExchangeShowsTheWaitForAHeldPortAndSendsNothing) {
    const PortHolder holder{"horavanectl", 4121};
    std::vector<std::string> statusWhileWaiting;
    std::vector<std::chrono::milliseconds> limits;
    ExchangeOptions options = net_.Options();
    options.openPort = [&](const PortRequest& request) -> std::unique_ptr<DatagramPort> {
        limits.push_back(request.lockWait.limit);
        request.lockWait.onWaiting(holder);
        statusWhileWaiting.push_back(controls_.GetText(ctl::StatusLine));
        if (request.lockWait.onGaveUp) request.lockWait.onGaveUp(holder);
        if (request.lockWait.onWaitEnded) request.lockWait.onWaitEnded();
        return nullptr;
    };
    net_.AddClock(kClock, SimulatedClock(clock_));
    ClockDialogLogic logic(controls_, options);
    ListRecorder recorder(net_);
    logic.SetWriteRecorder(&recorder);
    const std::string waiting = "Waiting for the clock port: held by horavanectl (pid 4121)";
    const std::string held =
        "The clock port 6869 is held by horavanectl (pid 4121). Nothing was sent: try again when it is free.";

    SelectClock("127.0.0.2");
    EXPECT_FALSE(logic.OnClockSelected().sent);
    controls_.SetText(ctl::StatusLine, msg::kSearchFinished);
    EXPECT_FALSE(logic.SendToSelectedClock()) << "Modify's sending half";
    EXPECT_TRUE(recorder.writes.empty()) << "a write that never went is not recorded";
    EXPECT_EQ(statusWhileWaiting, (std::vector<std::string>{waiting, waiting}));
    EXPECT_EQ(Messages(Box::Application), (std::vector<std::string>{held, held})) << "query, then Modify";
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), msg::kSearchFinished) << "given back after the box";

    // The search's worker waits as long as the program allows, and says in the status line why it
    // did not start; the list and the button come back.
    controls_.SetIpParts(ctl::SearchAddress, Field(127, 0, 0, 1));
    ASSERT_TRUE(logic.OnSearchClicked());
    ControlsSearchView view(controls_);
    RunSearch(view, options, {});
    EXPECT_EQ(statusWhileWaiting.back(), waiting);
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), held);
    EXPECT_TRUE(controls_.IsEnabled(ctl::SearchButton));
    EXPECT_EQ(Messages(Box::Application).size(), 2u) << "a search shows no box";

    EXPECT_EQ(limits, (std::vector<std::chrono::milliseconds>{kWindowPortWait, kWindowPortWait,
                                                              options.lockWait.limit}));
    EXPECT_TRUE(net_.sent().empty());
}

// A lock of the port that cannot be had safely (a planted lock file) is said, with what is wrong, in
// a box by the query and Modify and in the status line by the search; nothing is sent, nothing is
// recorded, and no exchange goes ahead without the lock.
TEST_F(ClockDialogLogicTest, AnUnguardablePortIsSaidAndNothingIsSent) {
    const std::string problem = "the lock file /run/lock/horavane-clock-port-6869.lock is a link";
    ExchangeOptions options = net_.Options();
    options.openPort = [&](const PortRequest& request) -> std::unique_ptr<DatagramPort> {
        if (request.lockWait.onRefused) request.lockWait.onRefused(problem);
        return nullptr;
    };
    net_.AddClock(kClock, SimulatedClock(clock_));
    ClockDialogLogic logic(controls_, options);
    ListRecorder recorder(net_);
    logic.SetWriteRecorder(&recorder);
    const std::string said = "The clock port 6869 cannot be guarded: " + problem + ". Nothing was sent.";

    SelectClock("127.0.0.2");
    EXPECT_FALSE(logic.OnClockSelected().sent);
    EXPECT_FALSE(logic.SendToSelectedClock());
    EXPECT_TRUE(recorder.writes.empty());
    EXPECT_EQ(Messages(Box::Application), (std::vector<std::string>{said, said}));

    controls_.SetIpParts(ctl::SearchAddress, Field(127, 0, 0, 1));
    ASSERT_TRUE(logic.OnSearchClicked());
    ControlsSearchView view(controls_);
    RunSearch(view, options, {});
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), said);
    EXPECT_TRUE(net_.sent().empty());
}

// A port whose every send fails.
class SendlessPort final : public DatagramPort {
  public:
    explicit SendlessPort(std::unique_ptr<DatagramPort> real) : real_(std::move(real)) {}
    bool SendTo(Ipv4Address, std::uint16_t, std::span<const std::uint8_t>) override { return false; }
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
};

// A Modify recorded once the port was the window's, whose datagram then did not go, has its record
// taken back; one whose record failed has nothing to take back.
TEST_F(ClockDialogLogicTest, AWriteThatDidNotGoTakesItsRecordBack) {
    ExchangeOptions options = net_.Options();
    options.openPort = [real = options.openPort](const PortRequest& request) {
        return std::unique_ptr<DatagramPort>(std::make_unique<SendlessPort>(real(request)));
    };
    ClockDialogLogic logic(controls_, options);
    ListRecorder recorder(net_);
    logic.SetWriteRecorder(&recorder);
    SelectClock("127.0.0.2");
    EXPECT_FALSE(logic.SendToSelectedClock());
    EXPECT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.unsent, 1);
    recorder.failure = "disk full";
    EXPECT_FALSE(logic.SendToSelectedClock());
    EXPECT_EQ(recorder.unsent, 1) << "no record was made";
}

// ---- The password dialogs ----------------------------------------------------------------------

TEST(PasswordDialogLogic, EntryIsCheckedAgainstTheDigestInForce) {
    const PasswordDigest digest = ComputePasswordDigest("secret");
    EXPECT_EQ(CheckPasswordEntry("", digest), std::string(msg::kPasswordEmpty));
    EXPECT_EQ(CheckPasswordEntry("Secret", digest), std::string(msg::kPasswordWrong));
    EXPECT_EQ(CheckPasswordEntry("secret ", digest), std::string(msg::kPasswordWrong));
    EXPECT_EQ(CheckPasswordEntry("secret", digest, "closed"), "closed")
        << "a closed gate refuses every password";
    EXPECT_EQ(CheckPasswordEntry("", digest, "closed"), std::string(msg::kPasswordEmpty));
}

// The checks in their order; the first failing one decides, and only a change that reached the
// file replaces the digest.
TEST(PasswordDialogLogic, ChangeChecksInOrderAndTakesEffectOnlyOnceWritten) {
    TempFolder folder;
    const PasswordStore store(folder.File());
    PasswordDigest digest = ComputePasswordDigest("old");
    struct Case {
        const char *old, *fresh, *again;
        std::string_view message;
    };
    for (const auto& c :
         {Case{"", "new", "new", msg::kPasswordEmpty}, Case{"old", "", "", msg::kPasswordEmpty},
          Case{"wrong", "", "", msg::kPasswordEmpty}, Case{"wrong", "new", "new", msg::kOldPasswordWrong},
          Case{"old", "new", "", msg::kNewPasswordsDiffer},
          Case{"old", "new", "New", msg::kNewPasswordsDiffer}}) {
        EXPECT_EQ(ChangePassword(c.old, c.fresh, c.again, digest, store), std::string(c.message))
            << c.old << "/" << c.fresh << "/" << c.again;
        EXPECT_EQ(digest, ComputePasswordDigest("old"));
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File()));

    // A plain file where the password's folder should be: nothing can be written there.
    const PasswordStore unwritable(std::filesystem::path(folder.Write("folder", "")) / "ZOR.dat");
    EXPECT_EQ(ChangePassword("old", "new", "new", digest, unwritable), std::string(msg::kNoRight));
    EXPECT_EQ(digest, ComputePasswordDigest("old"));

    EXPECT_EQ(ChangePassword("old", "new", "new", digest, store), std::nullopt);
    EXPECT_EQ(digest, ComputePasswordDigest("new"));
    PasswordDigest fromFile = InitialDigest();
    EXPECT_EQ(LoadPasswordFile(store, fromFile), std::nullopt);
    EXPECT_EQ(fromFile, digest);
}

}  // namespace
}  // namespace horavane::test
