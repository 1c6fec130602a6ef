#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "dialog/SearchWorker.h"

namespace horavane::ui {

// Carries calls from the search thread over to the window's thread and waits until each has been
// carried out there. The window's thread drains the calls when `wake` reaches it; closing releases
// every waiting caller at once and turns later calls into no-ops, so the window can join the search
// thread without either side waiting for the other.
class GuiThreadCalls {
  public:
    // `wake` is called on the search thread and must make the window's thread call RunPending().
    explicit GuiThreadCalls(std::function<void()> wake) : wake_(std::move(wake)) {}

    // Search thread. false when the call was not carried out because the window is closing.
    bool Call(const std::function<void()>& task);
    // Window thread.
    void RunPending();
    void Close();

  private:
    struct Pending {
        const std::function<void()>* task;
        bool done = false;
    };

    std::function<void()> wake_;
    std::mutex mutex_;
    std::condition_variable doneChanged_;
    std::deque<Pending*> queue_;
    bool closing_ = false;
};

// The search's view of the window: each call is carried out by the window's own controls on the
// window's thread, through `calls`.
class QtSearchView : public SearchView {
  public:
    QtSearchView(DialogControls& controls, GuiThreadCalls& calls) : direct_(controls), calls_(calls) {}

    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int position) override;
    void EnableClockList(bool enabled) override;
    void EnableSearchButton(bool enabled) override;
    void SetStatusText(std::string_view text) override;
    void ClearClockList() override;
    void AddClockIfAbsent(std::string_view address) override;
    IpFieldValue ReadSearchAddress() override;

  private:
    ControlsSearchView direct_;
    GuiThreadCalls& calls_;
};

}  // namespace horavane::ui
