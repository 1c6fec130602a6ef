#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTest>
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

}  // namespace horavane::ui::test
