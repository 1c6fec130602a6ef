#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "dialog/DialogControls.h"

namespace horavane {

// Runs a call on the window's thread and returns once it has run there; false, without running it,
// once the window is closing. Called on the window's own thread, it must run the call at once.
using WindowThreadCarrier = std::function<bool(const std::function<void()>& call)>;

// The window's controls as a handler on another thread reaches them: every call is carried out on
// the window's thread through the carrier. Once the window is closing nothing is carried any more,
// and each reading answers as a blank window would (no selection, no text, nothing checked), so that
// a handler cut off in the middle finds no clock to send to.
class CarriedControls final : public DialogControls {
  public:
    CarriedControls(DialogControls& window, WindowThreadCarrier carry)
        : window_(window), carry_(std::move(carry)) {}

    [[nodiscard]] std::string GetText(int id) const override;
    void SetText(int id, std::string_view text) override;
    void Enable(int id, bool enabled) override;
    [[nodiscard]] bool IsEnabled(int id) const override;
    void SetFocus(int id) override;
    [[nodiscard]] bool IsChecked(int id) const override;
    void SetChecked(int id, bool checked) override;
    void ComboReset(int id) override;
    void ComboAdd(int id, std::string_view text) override;
    [[nodiscard]] int ComboCount(int id) const override;
    void ComboSelect(int id, int index) override;
    [[nodiscard]] int ComboFindExact(int id, std::string_view text) const override;
    [[nodiscard]] int ComboSelectedIndex(int id) const override;
    void ListReset(int id) override;
    void ListAdd(int id, std::string_view text) override;
    [[nodiscard]] int ListFindExact(int id, std::string_view text) const override;
    [[nodiscard]] int ListSelectedIndex(int id) const override;
    [[nodiscard]] std::string ListText(int id, int index) const override;
    [[nodiscard]] IpFieldValue GetIp(int id) const override;
    void SetIp(int id, Ipv4Address address) override;
    void ClearIp(int id) override;
    void PaintNow(int id) override;
    void SetProgressRange(int id, int low, int high) override;
    void SetProgressPos(int id, int position) override;
    void ShowAppMessage(std::string_view text) override;
    void ShowDialogMessage(std::string_view text, std::optional<std::string_view> title) override;

  private:
    template <typename Result, typename Read>
    Result Ask(Result blank, Read read) const {
        Result result = blank;
        if (!carry_([&] { result = read(); })) return blank;
        return result;
    }

    DialogControls& window_;
    WindowThreadCarrier carry_;
};

// The window's handlers that talk to a clock (reading one, Modify), run one after the other on a
// thread of their own so that the window's thread keeps answering the operator, Escape above all,
// while a clock is asked. Handlers posted while one runs wait their turn, in the order posted.
class ExchangeWorker {
  public:
    ExchangeWorker();
    // Stop()s.
    ~ExchangeWorker();
    ExchangeWorker(const ExchangeWorker&) = delete;
    ExchangeWorker& operator=(const ExchangeWorker&) = delete;

    // false, and the handler dropped, once the worker is stopping.
    bool Post(std::function<void()> handler);
    // A handler running or waiting.
    [[nodiscard]] bool Busy() const;
    // Drops the waiting handlers and waits for the running one to end; the carrier of its calls must
    // have been closed first, so that it does not wait for the window's thread meanwhile.
    void Stop();

  private:
    void Run(const std::stop_token& stop);

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<std::function<void()>> waiting_;
    bool running_ = false;
    std::jthread thread_;
};

}  // namespace horavane
