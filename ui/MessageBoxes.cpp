#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <mutex>
#include <utility>

namespace horavane::ui {
namespace {

std::mutex recorderMutex;
MessageRecorder& Recorder() {
    static MessageRecorder recorder;
    return recorder;
}

}  // namespace

QString ProgramTitle() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void ShowMessage(QWidget* parent, MessageKind kind, const QString& text, const QString& title) {
    const QString shownTitle = title.isEmpty() ? ProgramTitle() : title;
    MessageRecorder recorder;
    {
        const std::lock_guard lock(recorderMutex);
        recorder = Recorder();
    }
    if (recorder) {
        recorder(ShownMessage{kind, text, shownTitle});
        return;
    }
    const auto icon = kind == MessageKind::Application ? QMessageBox::Warning : QMessageBox::NoIcon;
    QMessageBox box(icon, shownTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

void SetMessageRecorder(MessageRecorder recorder) {
    const std::lock_guard lock(recorderMutex);
    Recorder() = std::move(recorder);
}

}  // namespace horavane::ui
