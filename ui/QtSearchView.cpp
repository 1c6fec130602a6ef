#include "ui/QtSearchView.h"

namespace horavane::ui {

bool GuiThreadCalls::Call(const std::function<void()>& task) {
    Pending pending{&task};
    std::unique_lock lock(mutex_);
    if (closing_) {
        return false;
    }
    queue_.push_back(&pending);
    lock.unlock();
    wake_();
    lock.lock();
    doneChanged_.wait(lock, [&] { return pending.done || closing_; });
    // Close() has dropped the queue, so nothing refers to `pending` once this returns.
    return pending.done;
}

void GuiThreadCalls::RunPending() {
    std::unique_lock lock(mutex_);
    while (!queue_.empty() && !closing_) {
        Pending* pending = queue_.front();
        queue_.pop_front();
        // The caller stays blocked until `done`, so its task and arguments outlive the call.
        lock.unlock();
        (*pending->task)();
        lock.lock();
        pending->done = true;
        doneChanged_.notify_all();
    }
}

void GuiThreadCalls::Close() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    doneChanged_.notify_all();
}

void QtSearchView::SetProgressRange(int low, int high) {
    calls_.Call([&] { direct_.SetProgressRange(low, high); });
}

void QtSearchView::SetProgressPos(int position) {
    calls_.Call([&] { direct_.SetProgressPos(position); });
}

void QtSearchView::EnableClockList(bool enabled) {
    calls_.Call([&] { direct_.EnableClockList(enabled); });
}

void QtSearchView::EnableSearchButton(bool enabled) {
    calls_.Call([&] { direct_.EnableSearchButton(enabled); });
}

void QtSearchView::SetStatusText(std::string_view text) {
    calls_.Call([&] { direct_.SetStatusText(text); });
}

void QtSearchView::ClearClockList() {
    calls_.Call([&] { direct_.ClearClockList(); });
}

void QtSearchView::AddClockIfAbsent(std::string_view address) {
    calls_.Call([&] { direct_.AddClockIfAbsent(address); });
}

IpFieldValue QtSearchView::ReadSearchAddress() {
    IpFieldValue value;
    calls_.Call([&] { value = direct_.ReadSearchAddress(); });
    return value;
}

}  // namespace horavane::ui
