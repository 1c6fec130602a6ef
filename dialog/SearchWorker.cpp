#include "dialog/SearchWorker.h"

#include <utility>

#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"
#include "dialog/PortWaitDisplay.h"
#include "settings/Messages.h"

namespace horavane {
namespace {

// The sweep's reports as the window shows them. Once a stop has been requested (the window is
// going away) every call is dropped.
class ViewSink final : public SweepSink {
  public:
    ViewSink(SearchView& view, const std::stop_token& stop) : view_(view), stop_(stop) {}

    [[nodiscard]] bool Stopped() const { return stop_.stop_requested(); }

    std::optional<Ipv4Address> SubnetToSweep() override {
        if (Stopped()) return std::nullopt;
        const IpFieldValue field = view_.ReadSearchAddress();
        // Blanked since the click, there is no subnet to sweep: 0.0.0.x is nobody's clock.
        if (field.IsBlank()) return std::nullopt;
        return field.Address();
    }
    void FirstBatchSent(int lastHost) override {
        if (Stopped()) return;
        view_.SetProgressRange(kFirstHost, kLastHost);
        view_.SetProgressPos(lastHost);
        view_.EnableClockList(false);
        view_.EnableSearchButton(false);
        view_.SetStatusText(msg::kSearching);
        view_.ClearClockList();
    }
    void BatchSent(int lastHost) override {
        if (!Stopped()) view_.SetProgressPos(lastHost);
    }
    void ClockAnswered(Ipv4Address clock) override {
        if (!Stopped()) view_.AddClockIfAbsent(clock.ToString());
    }
    void Ended(SweepEnd end) {
        if (Stopped() || end == SweepEnd::Stopped) return;
        if (end == SweepEnd::Finished) view_.SetStatusText(msg::kSearchFinished);
        if (end == SweepEnd::NoAdapter) view_.SetStatusText(msg::kNoAdapter);
        // An early end leaves the window as the button handler left it, but with the list and the
        // button it disabled handed back.
        view_.EnableClockList(true);
        view_.EnableSearchButton(true);
    }

  private:
    SearchView& view_;
    const std::stop_token& stop_;
};

}  // namespace

void ControlsSearchView::SetProgressRange(int low, int high) {
    controls_.SetProgressRange(ctl::Progress, low, high);
}
void ControlsSearchView::SetProgressPos(int position) {
    controls_.SetProgressPos(ctl::Progress, position);
}
void ControlsSearchView::EnableClockList(bool enabled) {
    controls_.Enable(ctl::ClockList, enabled);
}
void ControlsSearchView::EnableSearchButton(bool enabled) {
    controls_.Enable(ctl::SearchButton, enabled);
}
void ControlsSearchView::SetStatusText(std::string_view text) {
    controls_.SetText(ctl::StatusLine, text);
}
void ControlsSearchView::ClearClockList() {
    controls_.ListReset(ctl::ClockList);
}

void ControlsSearchView::AddClockIfAbsent(std::string_view address) {
    if (controls_.ListFindExact(ctl::ClockList, address) < 0) controls_.ListAdd(ctl::ClockList, address);
}

IpFieldValue ControlsSearchView::ReadSearchAddress() {
    return controls_.GetIp(ctl::SearchAddress);
}

bool PrepareSearch(DialogControls& controls) {
    // A search clears what a query clears, and the daylight-saving rule besides; the time-zone,
    // energy-saving and brightness lists keep their selections.
    ClearClockInformation(controls);
    controls.SetChecked(ctl::DaylightSaving, false);
    for (int id : {ctl::DstStartMonth, ctl::DstStartWeek, ctl::DstStartDay, ctl::DstStartHour,
                   ctl::DstEndMonth, ctl::DstEndWeek, ctl::DstEndDay, ctl::DstEndHour})
        controls.ComboSelect(id, -1);
    if (controls.GetIp(ctl::SearchAddress).IsBlank()) {
        controls.ShowAppMessage(msg::kSearchIpError);
        return false;
    }
    // Disabled here rather than by the worker, so that a quick second click cannot start a second
    // sweep, nor a click on the list a query on the clock port, before the sweep has got going.
    controls.Enable(ctl::ClockList, false);
    controls.Enable(ctl::SearchButton, false);
    return true;
}

SweepEnd RunSearch(SearchView& view, const ExchangeOptions& options, std::stop_token stop) {
    ViewSink sink(view, stop);
    ExchangeOptions waiting = options;
    waiting.lockWait = PortWaitOnWorker(view, options.port, options.lockWait, stop);
    const SweepEnd end = SweepSubnet(sink, waiting, stop);
    sink.Ended(end);
    return end;
}

SearchWorker::SearchWorker(SearchView& view, ExchangeOptions options)
    : view_(view), options_(std::move(options)), finished_(std::make_shared<std::atomic<bool>>(false)) {}

void SearchWorker::Start() {
    if (thread_.joinable()) {
        if (!finished_->load()) return;  // one sweep at a time
        thread_.join();
    }
    finished_->store(false);
    thread_ = std::jthread([this, finished = finished_](std::stop_token stop) {
        RunSearch(view_, options_, std::move(stop));
        finished->store(true);
    });
}

void SearchWorker::RequestStop() {
    thread_.request_stop();
}

bool SearchWorker::Finished() const {
    return finished_->load();
}

void SearchWorker::Join() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace horavane
