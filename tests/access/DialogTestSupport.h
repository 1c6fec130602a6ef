#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string_view>
#include <vector>

#include "tests/common/RecordedMessages.h"

namespace horavane::test {

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

}  // namespace horavane::test
