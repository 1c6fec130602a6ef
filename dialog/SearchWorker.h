#pragma once

#include <atomic>
#include <memory>
#include <stop_token>
#include <string_view>
#include <thread>

#include "dialog/DialogControls.h"
#include "protocol/SubnetSweep.h"

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

// The Search button's half: clears the display, refuses an all-blank address with
// "Search ip is Error!", and otherwise disables the clock list and the Search button. true when the
// worker may start.
[[nodiscard]] bool PrepareSearch(DialogControls& controls);

// The worker's half: sweeps the subnet in the search field (read when the sweep needs it, not at
// the click) and shows its progress and the clocks found. Once stop is requested the view is
// touched no more, and the call returns within one stop-check slice. Without a network adapter the
// status line says that nothing could be sent. Returns how the sweep ended.
SweepEnd RunSearch(SearchView& view, const ExchangeOptions& options, std::stop_token stop);

// RunSearch on a thread of its own. Destroying the worker requests stop and joins.
class SearchWorker {
  public:
    SearchWorker(SearchView& view, ExchangeOptions options);
    void Start();
    void RequestStop();
    [[nodiscard]] bool Finished() const;
    void Join();

  private:
    SearchView& view_;
    ExchangeOptions options_;
    std::shared_ptr<std::atomic<bool>> finished_;
    std::jthread thread_;
};

}  // namespace horavane
