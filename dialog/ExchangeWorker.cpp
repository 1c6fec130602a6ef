#include "dialog/ExchangeWorker.h"

#include <utility>

namespace horavane {

std::string CarriedControls::GetText(int id) const {
    return Ask(std::string(), [&] { return window_.GetText(id); });
}
void CarriedControls::SetText(int id, std::string_view text) {
    carry_([&] { window_.SetText(id, text); });
}
void CarriedControls::Enable(int id, bool enabled) {
    carry_([&] { window_.Enable(id, enabled); });
}
bool CarriedControls::IsEnabled(int id) const {
    return Ask(false, [&] { return window_.IsEnabled(id); });
}
void CarriedControls::SetFocus(int id) {
    carry_([&] { window_.SetFocus(id); });
}
bool CarriedControls::IsChecked(int id) const {
    return Ask(false, [&] { return window_.IsChecked(id); });
}
void CarriedControls::SetChecked(int id, bool checked) {
    carry_([&] { window_.SetChecked(id, checked); });
}
void CarriedControls::ComboReset(int id) {
    carry_([&] { window_.ComboReset(id); });
}
void CarriedControls::ComboAdd(int id, std::string_view text) {
    carry_([&] { window_.ComboAdd(id, text); });
}
int CarriedControls::ComboCount(int id) const {
    return Ask(0, [&] { return window_.ComboCount(id); });
}
void CarriedControls::ComboSelect(int id, int index) {
    carry_([&] { window_.ComboSelect(id, index); });
}
int CarriedControls::ComboFindExact(int id, std::string_view text) const {
    return Ask(-1, [&] { return window_.ComboFindExact(id, text); });
}
int CarriedControls::ComboSelectedIndex(int id) const {
    return Ask(-1, [&] { return window_.ComboSelectedIndex(id); });
}
void CarriedControls::ListReset(int id) {
    carry_([&] { window_.ListReset(id); });
}
void CarriedControls::ListAdd(int id, std::string_view text) {
    carry_([&] { window_.ListAdd(id, text); });
}
int CarriedControls::ListFindExact(int id, std::string_view text) const {
    return Ask(-1, [&] { return window_.ListFindExact(id, text); });
}
int CarriedControls::ListSelectedIndex(int id) const {
    return Ask(-1, [&] { return window_.ListSelectedIndex(id); });
}
std::string CarriedControls::ListText(int id, int index) const {
    return Ask(std::string(), [&] { return window_.ListText(id, index); });
}
IpFieldValue CarriedControls::GetIp(int id) const {
    return Ask(IpFieldValue{}, [&] { return window_.GetIp(id); });
}
void CarriedControls::SetIp(int id, Ipv4Address address) {
    carry_([&] { window_.SetIp(id, address); });
}
void CarriedControls::ClearIp(int id) {
    carry_([&] { window_.ClearIp(id); });
}
void CarriedControls::PaintNow(int id) {
    carry_([&] { window_.PaintNow(id); });
}
void CarriedControls::SetProgressRange(int id, int low, int high) {
    carry_([&] { window_.SetProgressRange(id, low, high); });
}
void CarriedControls::SetProgressPos(int id, int position) {
    carry_([&] { window_.SetProgressPos(id, position); });
}
void CarriedControls::ShowAppMessage(std::string_view text) {
    carry_([&] { window_.ShowAppMessage(text); });
}
void CarriedControls::ShowDialogMessage(std::string_view text, std::optional<std::string_view> title) {
    carry_([&] { window_.ShowDialogMessage(text, title); });
}

ExchangeWorker::ExchangeWorker() : thread_([this](const std::stop_token& stop) { Run(stop); }) {}

ExchangeWorker::~ExchangeWorker() {
    Stop();
}

bool ExchangeWorker::Post(std::function<void()> handler) {
    {
        const std::lock_guard lock(mutex_);
        if (thread_.get_stop_token().stop_requested()) return false;
        waiting_.push_back(std::move(handler));
    }
    changed_.notify_all();
    return true;
}

bool ExchangeWorker::Busy() const {
    const std::lock_guard lock(mutex_);
    return running_ || !waiting_.empty();
}

// The stop and the emptying of the queue are one step under the lock: a handler posted in between
// would otherwise run after the stop.
void ExchangeWorker::Stop() {
    {
        const std::lock_guard lock(mutex_);
        thread_.request_stop();
        waiting_.clear();
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ExchangeWorker::Run(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    while (changed_.wait(lock, stop, [this] { return !waiting_.empty(); })) {
        std::function<void()> handler = std::move(waiting_.front());
        waiting_.pop_front();
        running_ = true;
        lock.unlock();
        handler();
        lock.lock();
        running_ = false;
    }
}

}  // namespace horavane
