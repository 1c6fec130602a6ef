#include "protocol/SearchWorker.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/UdpSocket.h"
#include "protocol/ExchangeSupport.h"
#include "settings/ControlIds.h"
#include "settings/Messages.h"

namespace horavane {
namespace {

constexpr int kFirstHost = 1;
constexpr int kLastHost = 254;  // never .0 or .255 of the subnet
constexpr int kBatchSize = 10;
// How often a wait looks at a stop request, so that closing the window never waits a full second.
constexpr std::chrono::milliseconds kStopCheckInterval{50};

using Clock = std::chrono::steady_clock;

// The view as the sweep may use it: once a stop has been requested (the window is going away)
// every call is dropped.
class StoppableView {
  public:
    StoppableView(SearchView& view, std::stop_token stop) : view_(view), stop_(std::move(stop)) {}

    [[nodiscard]] bool Stopped() const { return stop_.stop_requested(); }
    [[nodiscard]] const std::stop_token& token() const { return stop_; }
    void SetProgressRange(int low, int high) {
        if (!Stopped()) view_.SetProgressRange(low, high);
    }
    void SetProgressPos(int position) {
        if (!Stopped()) view_.SetProgressPos(position);
    }
    void EnableClockList(bool enabled) {
        if (!Stopped()) view_.EnableClockList(enabled);
    }
    void EnableSearchButton(bool enabled) {
        if (!Stopped()) view_.EnableSearchButton(enabled);
    }
    void SetStatusText(std::string_view text) {
        if (!Stopped()) view_.SetStatusText(text);
    }
    void ClearClockList() {
        if (!Stopped()) view_.ClearClockList();
    }
    void AddClockIfAbsent(std::string_view address) {
        if (!Stopped()) view_.AddClockIfAbsent(address);
    }
    IpFieldValue ReadSearchAddress() { return Stopped() ? IpFieldValue{} : view_.ReadSearchAddress(); }

  private:
    SearchView& view_;
    std::stop_token stop_;
};

enum class WaitEnd { Datagram, Silence, Stopped };

struct Sweep {
    StoppableView& view;
    UdpSocket& socket;
    const ClockDatagram request;  // sent as built, whatever arrives meanwhile
    const Ipv4Address subnet;     // a.b.c of the search field; the host number goes last
    const std::uint16_t port;
    const std::chrono::milliseconds wait;
    int lastHost = 0;
    ClockDatagram received;  // the sweep's own; the window's buffer belongs to the window's thread
};

void SendNextBatch(Sweep& sweep) {
    const int last = std::min(sweep.lastHost + kBatchSize, kLastHost);
    for (int host = sweep.lastHost + 1; host <= last; ++host) {
        Ipv4Address destination = sweep.subnet;
        destination.octets[3] = static_cast<std::uint8_t>(host);
        sweep.socket.SendTo(destination, sweep.port, sweep.request.bytes());
    }
    sweep.lastHost = last;
}

// Waits for a datagram until `deadline`. A failing wait is sat out like a silent one instead of
// being retried at once, so a broken socket cannot make the sweep spin.
WaitEnd AwaitDatagram(Sweep& sweep, Clock::time_point deadline) {
    for (;;) {
        if (sweep.view.Stopped()) return WaitEnd::Stopped;
        const auto now = Clock::now();
        if (now >= deadline) return WaitEnd::Silence;
        const auto slice =
            std::min(std::chrono::ceil<std::chrono::milliseconds>(deadline - now), kStopCheckInterval);
        switch (sweep.socket.WaitReadable(slice)) {
            case UdpSocket::Wait::Readable:
                return WaitEnd::Datagram;
            case UdpSocket::Wait::Failed:
                std::this_thread::sleep_until(std::min(now + slice, deadline));
                break;
            case UdpSocket::Wait::TimedOut:
                break;
        }
    }
}

// Any datagram ends a wait; only an accepted reply names a clock. The program's own request,
// when the workstation lies in the swept subnet, arrives here too and is dropped for its
// direction.
void ReceiveAndList(Sweep& sweep) {
    const auto from = sweep.socket.ReceiveInto(sweep.received.bytes());
    if (from && AcceptAsReply(sweep.received)) sweep.view.AddClockIfAbsent(from->source.ToString());
}

// Reads datagrams as they come until a full wait passes in silence. false when stopped.
bool ListUntilSilent(Sweep& sweep) {
    for (;;) {
        switch (AwaitDatagram(sweep, Clock::now() + sweep.wait)) {
            case WaitEnd::Datagram:
                ReceiveAndList(sweep);
                break;
            case WaitEnd::Silence:
                return true;
            case WaitEnd::Stopped:
                return false;
        }
    }
}

void ReportBatch(Sweep& sweep) {
    sweep.view.SetProgressPos(sweep.lastHost);
}

// The window's sweep: the next ten hosts only after a full wait without any datagram, so a busy
// subnet slows the sweep down instead of flooding the clocks.
bool SweepPaced(Sweep& sweep) {
    for (;;) {
        if (!ListUntilSilent(sweep)) return false;
        if (sweep.lastHost >= kLastHost) return true;
        SendNextBatch(sweep);
        ReportBatch(sweep);
    }
}

// For scripts: every batch after a short gap, reading what arrived meanwhile, then one silent wait
// for the stragglers.
bool SweepFast(Sweep& sweep, std::chrono::milliseconds gap) {
    while (sweep.lastHost < kLastHost) {
        const auto gapEnd = Clock::now() + gap;
        for (;;) {
            const WaitEnd end = AwaitDatagram(sweep, gapEnd);
            if (end == WaitEnd::Stopped) return false;
            if (end == WaitEnd::Silence) break;
            ReceiveAndList(sweep);
        }
        SendNextBatch(sweep);
        ReportBatch(sweep);
    }
    return ListUntilSilent(sweep);
}

Ipv4Address SubnetOf(const IpFieldValue& field) {
    Ipv4Address subnet = field.Address();
    subnet.octets[3] = 0;
    return subnet;
}

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
    for (int id = ctl::TimeServer1; id <= ctl::DnsServer; ++id) controls.ClearIp(id);
    for (int id : {ctl::SerialNumber, ctl::SyncStatus, ctl::TimeZoneText, ctl::CurrentTimeServer,
                   ctl::MacAddress, ctl::StatusLine})
        controls.SetText(id, "");
    for (int id : {ctl::Format12, ctl::Format24, ctl::DynamicIp, ctl::StaticIp, ctl::DaylightSaving})
        controls.SetChecked(id, false);
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

void RunSearch(SearchView& target, const ExchangeOptions& options, const SearchPacing& pacing,
               std::stop_token stop) {
    StoppableView view(target, std::move(stop));
    // The early ends leave the window as the button handler left it, but with the list and the
    // button it disabled handed back.
    std::optional<NetworkLibrary> library = NetworkLibrary::Start(2, 2);
    std::optional<UdpSocket> socket = library ? OpenExchangeSocket(options.port) : std::nullopt;
    ClockDatagram request;
    if (!socket || !BuildOwnRequest(request, Command::Search, options)) {
        view.EnableClockList(true);
        view.EnableSearchButton(true);
        return;
    }

    // The field is read now, not at the click. Blanked in between (or unreadable because the window
    // is closing) there is no subnet to sweep: 0.0.0.x is nobody's clock.
    const IpFieldValue field = view.ReadSearchAddress();
    if (view.Stopped()) return;
    if (field.IsBlank()) {
        view.EnableClockList(true);
        view.EnableSearchButton(true);
        return;
    }
    Sweep sweep{view, *socket, request, SubnetOf(field), options.port, options.wait, 0, {}};
    SendNextBatch(sweep);
    view.SetProgressRange(kFirstHost, kLastHost);
    ReportBatch(sweep);
    view.EnableClockList(false);
    view.EnableSearchButton(false);
    view.SetStatusText(msg::kSearching);
    view.ClearClockList();

    const bool swept = pacing.fast ? SweepFast(sweep, pacing.fastGap) : SweepPaced(sweep);
    socket.reset();
    library.reset();
    if (!swept) return;
    view.SetStatusText(msg::kSearchFinished);
    view.EnableClockList(true);
    view.EnableSearchButton(true);
}

SearchWorker::SearchWorker(SearchView& view, ExchangeOptions options, SearchPacing pacing)
    : view_(view),
      options_(std::move(options)),
      pacing_(pacing),
      finished_(std::make_shared<std::atomic<bool>>(false)) {}

void SearchWorker::Start() {
    if (thread_.joinable()) {
        if (!finished_->load()) return;  // one sweep at a time
        thread_.join();
    }
    finished_->store(false);
    thread_ = std::jthread([this, finished = finished_](std::stop_token stop) {
        RunSearch(view_, options_, pacing_, std::move(stop));
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
