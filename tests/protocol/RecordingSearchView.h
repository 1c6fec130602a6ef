#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/SearchWorker.h"
#include "settings/InMemoryControls.h"

namespace horavane::test {

// Carries the sweep's calls out on in-memory controls, one at a time whatever thread makes them,
// and keeps a log of them ("pos 20", "status Searching...", "add 127.0.0.2", ...).
class RecordingSearchView : public SearchView {
  public:
    explicit RecordingSearchView(InMemoryControls& controls) : controls_(controls), direct_(controls) {}

    // Runs on the sweep's thread after each call has been logged and carried out.
    void OnEachCall(std::function<void(const std::string&)> hook) { hook_ = std::move(hook); }

    void SetProgressRange(int low, int high) override {
        Do("range " + std::to_string(low) + "-" + std::to_string(high),
           [&] { direct_.SetProgressRange(low, high); });
    }
    void SetProgressPos(int position) override {
        Do("pos " + std::to_string(position), [&] { direct_.SetProgressPos(position); });
    }
    void EnableClockList(bool enabled) override {
        Do(enabled ? "list on" : "list off", [&] { direct_.EnableClockList(enabled); });
    }
    void EnableSearchButton(bool enabled) override {
        Do(enabled ? "button on" : "button off", [&] { direct_.EnableSearchButton(enabled); });
    }
    void SetStatusText(std::string_view text) override {
        Do("status " + std::string(text), [&] { direct_.SetStatusText(text); });
    }
    void ClearClockList() override {
        Do("clear", [&] { direct_.ClearClockList(); });
    }
    void AddClockIfAbsent(std::string_view address) override {
        Do("add " + std::string(address), [&] { direct_.AddClockIfAbsent(address); });
    }
    IpFieldValue ReadSearchAddress() override {
        IpFieldValue value;
        Do("read", [&] { value = direct_.ReadSearchAddress(); });
        return value;
    }

    [[nodiscard]] std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    [[nodiscard]] std::vector<int> positions() const {
        std::vector<int> result;
        for (const auto& call : calls())
            if (call.rfind("pos ", 0) == 0) result.push_back(std::stoi(call.substr(4)));
        return result;
    }
    // The controls, read under the same lock the sweep's calls take.
    template <typename Read>
    auto Inspect(Read read) const {
        std::lock_guard lock(mutex_);
        return read(static_cast<const InMemoryControls&>(controls_));
    }

  private:
    template <typename Action>
    void Do(std::string call, Action action) {
        {
            std::lock_guard lock(mutex_);
            action();
            calls_.push_back(call);
        }
        if (hook_) hook_(call);
    }

    InMemoryControls& controls_;
    ControlsSearchView direct_;
    std::function<void(const std::string&)> hook_;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

}  // namespace horavane::test
