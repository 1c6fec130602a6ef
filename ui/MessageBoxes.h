#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace horavane::ui {

// Every message the program shows goes through here, so that tests can record messages instead of
// blocking on a modal box.
enum class MessageKind {
    Application,  // the application's box: warning icon
    Dialog,       // the main dialog's own box: no icon
};

struct ShownMessage {
    MessageKind kind;
    QString text;
    QString title;
};

// The program file's name without its extension: the title of every box that is given none.
[[nodiscard]] QString ProgramTitle();

// Modal, one OK button. An empty title means ProgramTitle().
void ShowMessage(QWidget* parent, MessageKind kind, const QString& text, const QString& title = {});

// While a recorder is installed, ShowMessage hands messages to it and shows nothing.
using MessageRecorder = std::function<void(const ShownMessage&)>;
void SetMessageRecorder(MessageRecorder recorder);

}  // namespace horavane::ui
