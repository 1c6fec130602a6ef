#include "dialog/InMemoryControls.h"

#include <algorithm>
#include <cctype>

namespace horavane {
namespace {

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

template <typename Entries>
int FindExactIgnoringCase(const Entries& entries, std::string_view text) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (CompareIgnoringCase(entries[i], text) == 0) return static_cast<int>(i);
    return -1;
}

}  // namespace

InMemoryControls::InMemoryControls() = default;

std::string InMemoryControls::GetText(int id) const {
    if (const auto combo = combos_.find(id); combo != combos_.end()) {
        const auto& c = combo->second;
        return c.selected >= 0 ? c.entries[static_cast<std::size_t>(c.selected)] : std::string();
    }
    const auto it = texts_.find(id);
    return it == texts_.end() ? std::string() : it->second;
}

void InMemoryControls::SetText(int id, std::string_view text) {
    texts_[id] = std::string(text);
}

void InMemoryControls::Enable(int id, bool enabled) {
    disabled_[id] = !enabled;
}

bool InMemoryControls::IsEnabled(int id) const {
    const auto it = disabled_.find(id);
    return it == disabled_.end() || !it->second;
}

bool InMemoryControls::IsChecked(int id) const {
    const auto it = checked_.find(id);
    return it != checked_.end() && it->second;
}

void InMemoryControls::SetChecked(int id, bool checked) {
    checked_[id] = checked;
}

void InMemoryControls::ComboReset(int id) {
    combos_[id] = Combo{};
}

void InMemoryControls::ComboAdd(int id, std::string_view text) {
    combos_[id].entries.emplace_back(text);
}

int InMemoryControls::ComboCount(int id) const {
    const auto it = combos_.find(id);
    return it == combos_.end() ? 0 : static_cast<int>(it->second.entries.size());
}

void InMemoryControls::ComboSelect(int id, int index) {
    auto& combo = combos_[id];
    combo.selected = (index >= 0 && index < static_cast<int>(combo.entries.size())) ? index : -1;
}

int InMemoryControls::ComboFindExact(int id, std::string_view text) const {
    const auto it = combos_.find(id);
    return it == combos_.end() ? -1 : FindExactIgnoringCase(it->second.entries, text);
}

int InMemoryControls::ComboSelectedIndex(int id) const {
    const auto it = combos_.find(id);
    return it == combos_.end() ? -1 : it->second.selected;
}

void InMemoryControls::ListReset(int id) {
    lists_[id] = ListBox{};
}

void InMemoryControls::ListAdd(int id, std::string_view text) {
    auto& list = lists_[id];
    // A sorted list box inserts after the entries that compare lower or equal.
    const auto at = std::upper_bound(
        list.entries.begin(), list.entries.end(), text,
        [](std::string_view t, const std::string& e) { return CompareIgnoringCase(t, e) < 0; });
    const int index = static_cast<int>(at - list.entries.begin());
    list.entries.emplace(at, text);
    if (list.selected >= index) ++list.selected;
}

int InMemoryControls::ListFindExact(int id, std::string_view text) const {
    const auto it = lists_.find(id);
    return it == lists_.end() ? -1 : FindExactIgnoringCase(it->second.entries, text);
}

int InMemoryControls::ListSelectedIndex(int id) const {
    const auto it = lists_.find(id);
    return it == lists_.end() ? -1 : it->second.selected;
}

std::string InMemoryControls::ListText(int id, int index) const {
    const auto it = lists_.find(id);
    if (it == lists_.end() || index < 0 || index >= static_cast<int>(it->second.entries.size())) return {};
    return it->second.entries[static_cast<std::size_t>(index)];
}

IpFieldValue InMemoryControls::GetIp(int id) const {
    const auto it = ips_.find(id);
    return it == ips_.end() ? IpFieldValue{} : it->second;
}

void InMemoryControls::SetIp(int id, Ipv4Address address) {
    ips_[id] = IpFieldValue::From(address);
}

void InMemoryControls::ClearIp(int id) {
    ips_[id] = IpFieldValue{};
}

void InMemoryControls::SetProgressRange(int id, int low, int high) {
    progressRanges_[id] = {low, high};
}

void InMemoryControls::SetProgressPos(int id, int position) {
    progressPos_[id] = position;
}

void InMemoryControls::ShowAppMessage(std::string_view text) {
    messages_.push_back(Message{Message::Box::Application, std::string(text), std::nullopt});
}

void InMemoryControls::ShowDialogMessage(std::string_view text, std::optional<std::string_view> title) {
    messages_.push_back(Message{Message::Box::Dialog, std::string(text),
                                title ? std::optional<std::string>(std::string(*title)) : std::nullopt});
}

void InMemoryControls::SelectListEntry(int id, int index) {
    auto& list = lists_[id];
    list.selected = (index >= 0 && index < static_cast<int>(list.entries.size())) ? index : -1;
}

std::vector<std::string> InMemoryControls::ListEntries(int id) const {
    const auto it = lists_.find(id);
    return it == lists_.end() ? std::vector<std::string>{} : it->second.entries;
}

std::vector<std::string> InMemoryControls::ComboEntries(int id) const {
    const auto it = combos_.find(id);
    return it == combos_.end() ? std::vector<std::string>{} : it->second.entries;
}

std::pair<int, int> InMemoryControls::progressRange(int id) const {
    const auto it = progressRanges_.find(id);
    return it == progressRanges_.end() ? std::pair{0, 0} : it->second;
}

int InMemoryControls::progressPos(int id) const {
    const auto it = progressPos_.find(id);
    return it == progressPos_.end() ? 0 : it->second;
}

}  // namespace horavane
