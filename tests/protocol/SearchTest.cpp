#include <algorithm>
#include <stop_token>

#include "protocol/SearchWorker.h"
#include "settings/Messages.h"
#include "tests/common/DialogLogicFixture.h"
#include "tests/protocol/RecordingSearchView.h"

namespace horavane::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Twelve clocks at 127.0.0.2..13: as text, .10 to .13 sort before .2. The clock at .9 is silent,
// the one at .5 answers with checksum 0 and the one at .2 answers twice.
const std::vector<std::string> kListed = {"127.0.0.10", "127.0.0.11", "127.0.0.12", "127.0.0.13",
                                          "127.0.0.2",  "127.0.0.3",  "127.0.0.4",  "127.0.0.5",
                                          "127.0.0.6",  "127.0.0.7",  "127.0.0.8"};

std::vector<int> AllBatchPositions() {
    std::vector<int> positions;
    for (int p = 10; p <= 250; p += 10) positions.push_back(p);
    positions.push_back(254);
    return positions;
}

class SearchTest : public DialogLogicTest {
  protected:
    void SetUp() override {
        StartClocks(12);
        if (IsSkipped()) return;
        sim().SetFaults(0, Faults([](sim::FaultSwitches& f) { f.duplicateReplies = true; }));
        sim().SetFaults(3, Faults([](sim::FaultSwitches& f) { f.zeroChecksum = true; }));
        sim().SetFaults(7, Faults([](sim::FaultSwitches& f) { f.silent = true; }));
        controls_.SetIpParts(ctl::SearchAddress, Field(127, 0, 0, 77));
        controls_.ListAdd(ctl::ClockList, "10.9.9.9");  // left over from an earlier search
    }

    void ExpectFinishedWithAllClocks(const RecordingSearchView& view) {
        EXPECT_EQ(view.Inspect([](const InMemoryControls& c) { return c.ListEntries(ctl::ClockList); }),
                  kListed);
        EXPECT_EQ(controls_.GetText(ctl::StatusLine), msg::kSearchFinished);
        EXPECT_TRUE(controls_.IsEnabled(ctl::ClockList));
        EXPECT_TRUE(controls_.IsEnabled(ctl::SearchButton));
        EXPECT_EQ(view.positions(), AllBatchPositions());
        EXPECT_EQ(controls_.progressRange(ctl::Progress), std::make_pair(1, 254));
        // Every host got exactly one request, the silent clock included.
        for (int clock = 0; clock < sim().clockCount(); ++clock)
            EXPECT_EQ(sim().RequestsReceived(clock, Command::Search), 1) << clock;
    }
};

TEST_F(SearchTest, PacedSweepListsEveryAnsweringClockOnceInTextOrder) {
    ASSERT_TRUE(logic().OnSearchClicked());
    EXPECT_FALSE(controls_.IsEnabled(ctl::SearchButton));
    RecordingSearchView view(controls_);
    RunSearch(view, options_, SearchPacing{}, std::stop_token{});

    ExpectFinishedWithAllClocks(view);
    const auto calls = view.calls();
    const std::vector<std::string> opening = {"read",       "range 1-254",         "pos 10", "list off",
                                              "button off", "status Searching...", "clear"};
    ASSERT_GE(calls.size(), opening.size() + 3);
    EXPECT_TRUE(std::equal(opening.begin(), opening.end(), calls.begin()));
    EXPECT_EQ(std::vector(calls.end() - 3, calls.end()),
              (std::vector<std::string>{"status Search finished.", "list on", "button on"}));
}

TEST_F(SearchTest, StopMidSweepReturnsWithinOneWaitAndLeavesTheViewAlone) {
    std::stop_source stop;
    steady_clock::time_point stoppedAt;
    RecordingSearchView view(controls_);
    view.OnEachCall([&](const std::string& call) {
        if (call == "pos 30") {
            stoppedAt = steady_clock::now();
            stop.request_stop();
        }
    });
    RunSearch(view, options_, SearchPacing{}, stop.get_token());
    const auto elapsed = steady_clock::now() - stoppedAt;

    EXPECT_LT(elapsed, options_.wait + milliseconds(100));
    EXPECT_EQ(view.calls().back(), "pos 30");
    EXPECT_NE(controls_.GetText(ctl::StatusLine), msg::kSearchFinished);
}

TEST_F(SearchTest, DestroyingTheWorkerMidSweepStopsItQuickly) {
    RecordingSearchView view(controls_);
    auto worker = std::make_unique<SearchWorker>(view, options_);
    worker->Start();
    const auto deadline = steady_clock::now() + 20 * options_.wait;
    while (view.positions().size() < 2 && steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(5));
    ASSERT_GE(view.positions().size(), 2u);

    const auto start = steady_clock::now();
    worker.reset();
    EXPECT_LT(steady_clock::now() - start, options_.wait + milliseconds(100));
    const std::size_t callsAtStop = view.calls().size();
    std::this_thread::sleep_for(2 * options_.wait);
    EXPECT_EQ(view.calls().size(), callsAtStop);
    EXPECT_NE(controls_.GetText(ctl::StatusLine), msg::kSearchFinished);
}

TEST_F(SearchTest, BlankSearchFieldIsRefusedAfterClearingTheDisplay) {
    controls_.SetIpParts(ctl::SearchAddress, IpFieldValue{});
    controls_.SetText(ctl::SerialNumber, "HV-0042");
    controls_.SetText(ctl::StatusLine, "Search finished.");
    controls_.SetIpParts(ctl::TimeServer1, Field(10, 0, 0, 1));
    controls_.SetChecked(ctl::DaylightSaving, true);
    controls_.SetChecked(ctl::DynamicIp, true);
    controls_.ComboSelect(ctl::DstStartMonth, 2);
    SelectComboText(controls_, ctl::TimeZoneList, "UTC +8");

    EXPECT_FALSE(logic().OnSearchClicked());
    ASSERT_EQ(controls_.messages().size(), 1u);
    EXPECT_EQ(controls_.messages()[0].text, msg::kSearchIpError);
    EXPECT_EQ(controls_.messages()[0].box, InMemoryControls::Message::Box::Application);
    EXPECT_TRUE(controls_.IsEnabled(ctl::SearchButton));
    EXPECT_EQ(controls_.GetText(ctl::SerialNumber), "");
    EXPECT_EQ(controls_.GetText(ctl::StatusLine), "");
    EXPECT_TRUE(controls_.GetIp(ctl::TimeServer1).IsBlank());
    EXPECT_FALSE(controls_.IsChecked(ctl::DaylightSaving));
    EXPECT_FALSE(controls_.IsChecked(ctl::DynamicIp));
    EXPECT_EQ(controls_.ComboSelectedIndex(ctl::DstStartMonth), -1);
    EXPECT_EQ(controls_.GetText(ctl::TimeZoneList), "UTC +8");  // not part of the display

    // One number is enough to search: the others count as 0.
    IpFieldValue firstOnly;
    firstOnly.parts[0] = 127;
    controls_.SetIpParts(ctl::SearchAddress, firstOnly);
    EXPECT_TRUE(logic().OnSearchClicked());
    EXPECT_FALSE(controls_.IsEnabled(ctl::SearchButton));
    EXPECT_FALSE(controls_.IsEnabled(ctl::ClockList)) << "no query may start before the sweep does";
}

TEST_F(SearchTest, WithoutAdapterTheSearchEndsAndHandsBackTheButton) {
    ASSERT_TRUE(logic().OnSearchClicked());
    options_.adapters = [] { return std::optional<std::vector<AdapterInfo>>{}; };
    RecordingSearchView view(controls_);
    RunSearch(view, options_, SearchPacing{}, std::stop_token{});

    EXPECT_EQ(view.calls(), (std::vector<std::string>{"list on", "button on"}));
    EXPECT_TRUE(controls_.IsEnabled(ctl::SearchButton));
    EXPECT_TRUE(controls_.IsEnabled(ctl::ClockList));
    EXPECT_EQ(controls_.ListEntries(ctl::ClockList), std::vector<std::string>{"10.9.9.9"});
    EXPECT_EQ(sim().RequestsReceived(0, Command::Search), 0);
}

}  // namespace
}  // namespace horavane::test
