#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dialog/DialogControls.h"

namespace horavane {

// The window's controls held in memory, behaving as the real ones do: drop-down lists that never
// sort, a list box sorted without regard to case, IP fields whose parts may be empty, radio
// buttons, the check box, enabling and focus. Message boxes are recorded instead of shown.
// Serves the tests and the command line. Not thread-safe: callers on other threads serialise.
class InMemoryControls : public DialogControls {
  public:
    struct Message {
        enum class Box { Application, Dialog } box;
        std::string text;
        std::optional<std::string> title;  // nullopt: the program's name
    };

    InMemoryControls();

    std::string GetText(int id) const override;
    void SetText(int id, std::string_view text) override;
    void Enable(int id, bool enabled) override;
    bool IsEnabled(int id) const override;
    void SetFocus(int id) override { focus_ = id; }
    bool IsChecked(int id) const override;
    void SetChecked(int id, bool checked) override;

    void ComboReset(int id) override;
    void ComboAdd(int id, std::string_view text) override;
    int ComboCount(int id) const override;
    void ComboSelect(int id, int index) override;
    int ComboFindExact(int id, std::string_view text) const override;
    int ComboSelectedIndex(int id) const override;

    void ListReset(int id) override;
    void ListAdd(int id, std::string_view text) override;
    int ListFindExact(int id, std::string_view text) const override;
    int ListSelectedIndex(int id) const override;
    std::string ListText(int id, int index) const override;

    IpFieldValue GetIp(int id) const override;
    void SetIp(int id, Ipv4Address address) override;
    void ClearIp(int id) override;

    void SetProgressRange(int id, int low, int high) override;
    void SetProgressPos(int id, int position) override;

    void ShowAppMessage(std::string_view text) override;
    void ShowDialogMessage(std::string_view text, std::optional<std::string_view> title) override;

    // What an operator (or a test) does to the controls.
    void SetIpParts(int id, const IpFieldValue& value) { ips_[id] = value; }
    void SelectListEntry(int id, int index);
    [[nodiscard]] std::vector<std::string> ListEntries(int id) const;
    [[nodiscard]] std::vector<std::string> ComboEntries(int id) const;
    [[nodiscard]] int focus() const { return focus_; }
    [[nodiscard]] std::pair<int, int> progressRange(int id) const;
    [[nodiscard]] int progressPos(int id) const;
    [[nodiscard]] const std::vector<Message>& messages() const { return messages_; }
    void ClearMessages() { messages_.clear(); }

  private:
    struct Combo {
        std::vector<std::string> entries;
        int selected = -1;
    };
    struct ListBox {
        std::vector<std::string> entries;
        int selected = -1;
    };

    std::map<int, std::string> texts_;
    std::map<int, bool> disabled_;
    std::map<int, bool> checked_;
    std::map<int, Combo> combos_;
    std::map<int, ListBox> lists_;
    std::map<int, IpFieldValue> ips_;
    std::map<int, std::pair<int, int>> progressRanges_;
    std::map<int, int> progressPos_;
    std::vector<Message> messages_;
    int focus_ = 0;
};

}  // namespace horavane
