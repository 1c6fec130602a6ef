#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "dialog/ControlIds.h"
#include "tests/common/RecordedMessages.h"
#include "ui/CVantorDlg.h"
#include "ui/IpAddressEdit.h"
#include "ui/MessageBoxes.h"

namespace horavane::ui::test {

using horavane::test::RecordedMessages;

template <typename Widget>
Widget* ControlAs(const CVantorDlg& dialog, int id) {
    auto* widget = qobject_cast<Widget*>(dialog.Control(id));
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
}

inline void Click(const CVantorDlg& dialog, int id) {
    QTest::mouseClick(ControlAs<QAbstractButton>(dialog, id), Qt::LeftButton);
}

// Picks a list entry with the mouse, as the operator does.
inline void ClickListEntry(const CVantorDlg& dialog, const QString& text) {
    auto* list = ControlAs<QListWidget>(dialog, ctl::ClockList);
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
}

inline QStringList ListEntries(const CVantorDlg& dialog) {
    QStringList entries;
    auto* list = ControlAs<QListWidget>(dialog, ctl::ClockList);
    for (int row = 0; row < list->count(); ++row) entries << list->item(row)->text();
    return entries;
}

inline QString IpText(const CVantorDlg& dialog, int id) {
    return ControlAs<IpAddressEdit>(dialog, id)->Text();
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
// so a dialog that never opens fails the test instead of hanging it.
template <class T>
void WhenModal(std::function<void(T&)> act) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr && clock->elapsed() < 2000) return;
        timer->stop();
        timer->deleteLater();
        delete clock;
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
