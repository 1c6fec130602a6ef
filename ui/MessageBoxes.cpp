#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <mutex>
#include <utility>

namespace horavane::ui {
namespace {

std::mutex recorderMutex;
MessageRecorder& Recorder() {
    static MessageRecorder recorder;
    return recorder;
}

// A box sizes itself to its text, so a short message under a long title ("Error." under the
// program's name) would cut the title off. The title bar also holds the window icon and the close
// button; kTitleBarAllowance leaves room for them.
constexpr int kTitleBarAllowance = 96;

void WidenForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) {
        return;
    }
    const int wanted =
        QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(box.windowTitle()) +
        kTitleBarAllowance;
    grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0,
                  1, grid->columnCount());
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
    WidenForTitle(box);
    box.exec();
}

void SetMessageRecorder(MessageRecorder recorder) {
    const std::lock_guard lock(recorderMutex);
    Recorder() = std::move(recorder);
}

}  // namespace horavane::ui
