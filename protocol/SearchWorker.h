#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>

#include "protocol/ExchangeOptions.h"
#include "settings/DialogControls.h"

namespace horavane {

// What the sweep needs of the window. Each call has taken effect when it returns; a window whose
// controls live on another thread carries the call out there and waits for it.
class SearchView {
  public:
    virtual ~SearchView() = default;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int position) = 0;
    virtual void EnableClockList(bool enabled) = 0;
    virtual void EnableSearchButton(bool enabled) = 0;
    virtual void SetStatusText(std::string_view text) = 0;
    virtual void ClearClockList() = 0;
    // Adds the dotted address unless the list already holds exactly that text.
    virtual void AddClockIfAbsent(std::string_view address) = 0;
    virtual IpFieldValue ReadSearchAddress() = 0;
};

// A SearchView straight onto controls on the calling thread.
class ControlsSearchView : public SearchView {
  public:
    explicit ControlsSearchView(DialogControls& controls) : controls_(controls) {}
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int position) override;
    void EnableClockList(bool enabled) override;
    void EnableSearchButton(bool enabled) override;
    void SetStatusText(std::string_view text) override;
    void ClearClockList() override;
    void AddClockIfAbsent(std::string_view address) override;
    IpFieldValue ReadSearchAddress() override;

  private:
    DialogControls& controls_;
};

// How the sweep is paced. The window always uses the paced sweep: ten hosts, then one second of
// silence before the next ten. `fast` sends every batch with only `fastGap` between them and then
// waits for one silent second, for scripts.
struct SearchPacing {
    bool fast = false;
    std::chrono::milliseconds fastGap{2};
};

// The search button's half: clears the display, refuses an all-blank address with
// "Search ip is Error!", and otherwise disables the clock list and the Search button. true when the
// worker may start.
[[nodiscard]] bool PrepareSearch(DialogControls& controls);

// The sweep of hosts 1..254 of the subnet in the search field. Receives into a buffer of its own,
// never the window's datagram buffer. Stops within one wait once stop is requested, and touches
// the view no more after that.
void RunSearch(SearchView& view, const ExchangeOptions& options, const SearchPacing& pacing,
               std::stop_token stop);

// The sweep on a thread of its own. Destroying the worker requests stop and joins.
class SearchWorker {
  public:
    SearchWorker(SearchView& view, ExchangeOptions options, SearchPacing pacing = {});
    void Start();
    void RequestStop();
    [[nodiscard]] bool Finished() const;
    void Join();

  private:
    SearchView& view_;
    ExchangeOptions options_;
    SearchPacing pacing_;
    std::shared_ptr<std::atomic<bool>> finished_;
    std::jthread thread_;
};

}  // namespace horavane
