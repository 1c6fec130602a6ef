#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string_view>
#include <vector>

#include "dialog/ControlIds.h"
#include "ui/CVantorDlg.h"
#include "ui/IpAddressEdit.h"
#include "ui/MessageBoxes.h"

namespace horavane::ui::test {

// Records every message box instead of showing it, for as long as it lives, so that no test
// blocks on one.
struct RecordedMessages {
    RecordedMessages() {
        SetMessageRecorder([this](const ShownMessage& message) { all.push_back(message); });
    }
    ~RecordedMessages() { SetMessageRecorder({}); }
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    [[nodiscard]] std::vector<QString> Texts() const {
        std::vector<QString> texts;
        for (const auto& shown : all) texts.push_back(shown.text);
        return texts;
    }
    std::vector<ShownMessage> all;
};

inline std::vector<QString> Only(std::string_view text) {
    return {QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))};
}

template <typename Widget>
Widget* ControlAs(const CVantorDlg& dialog, int id) {
    auto* widget = qobject_cast<Widget*>(dialog.Control(id));
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
}

// A query or a Modify runs beside the window: waits until it, and what the operator did behind
// it, has run (five seconds at most).
[[nodiscard]] inline bool Settled(const CVantorDlg& dialog) {
    return QTest::qWaitFor([&] { return !dialog.ExchangeRunning(); }, 5000);
}

inline void Click(const CVantorDlg& dialog, int id) {
    QTest::mouseClick(ControlAs<QAbstractButton>(dialog, id), Qt::LeftButton);
}

// The password dialogs' controls are found by object name ("ctl1053").
inline void Type(QWidget* dialog, const char* editName, const QString& text) {
    auto* edit = dialog->findChild<QLineEdit*>(editName);
    ASSERT_NE(edit, nullptr) << editName;
    edit->clear();
    QTest::keyClicks(edit, text);
}

inline void Click(QWidget* dialog, const char* buttonName) {
    auto* button = dialog->findChild<QPushButton*>(buttonName);
    ASSERT_NE(button, nullptr) << buttonName;
    QTest::mouseClick(button, Qt::LeftButton);
}

// Acts on the next modal dialog of type T once it runs its own loop; gives up after two seconds,
// so that a dialog that never opens fails the test instead of hanging it.
template <class T>
void WhenModal(std::function<void(T&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, ticks = 0]() mutable {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        // Modal first, active (with the focus given) a moment later: on a slow run in between.
        if ((dialog == nullptr || !dialog->isActiveWindow()) && ++ticks < 200) return;
        timer->stop();
        timer->deleteLater();
        if (dialog == nullptr) {
            ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " opened";
            if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) other->reject();
            return;
        }
        act(*dialog);
    });
    timer->start();
}

}  // namespace horavane::ui::test
