#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Windows.h"

namespace horavane::win {

// Every message the window shows goes through here, so that tests can record messages instead of
// blocking on a modal box.
enum class MessageKind {
    Application,  // the application's box: warning icon
    Dialog,       // the main dialog's own box: no icon
};

struct ShownMessage {
    MessageKind kind;
    std::string text;
    std::string title;
};

// The program file's name without its extension: the title of every box that is given none.
[[nodiscard]] std::string ProgramTitle();

// The system's modal box with one OK button, owned by `owner`; it is as wide as its title needs.
void ShowMessage(HWND owner, MessageKind kind, std::string_view text,
                 std::optional<std::string_view> title = std::nullopt);

// While a recorder is installed, ShowMessage hands messages to it and shows nothing.
using MessageRecorder = std::function<void(const ShownMessage&)>;
void SetMessageRecorder(MessageRecorder recorder);

}  // namespace horavane::win
