#pragma once

#include <QString>
#include <string_view>
#include <vector>

#include "ui/MessageBoxes.h"

namespace horavane::test {

// Records every message box instead of showing it, for as long as it lives, so that no test
// blocks on one.
class RecordedMessages {
  public:
    RecordedMessages() {
        ui::SetMessageRecorder([this](const ui::ShownMessage& message) { messages_.push_back(message); });
    }
    ~RecordedMessages() { ui::SetMessageRecorder({}); }
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    [[nodiscard]] const std::vector<ui::ShownMessage>& all() const { return messages_; }
    [[nodiscard]] std::vector<QString> Texts() const {
        std::vector<QString> texts;
        for (const auto& shown : messages_) texts.push_back(shown.text);
        return texts;
    }
    void clear() { messages_.clear(); }

  private:
    std::vector<ui::ShownMessage> messages_;
};

inline std::vector<QString> Only(std::string_view text) {
    return {QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))};
}

}  // namespace horavane::test
