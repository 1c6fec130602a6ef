#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "ui/IpAddressEdit.h"

namespace horavane::ui {
namespace {

// Each key goes to whichever part has the focus by then, as the operator's keystrokes do; '>' is the
// right arrow and '<' Backspace.
TEST(IpAddressEdit, KeysMoveBetweenThePartsAsTheOperatorTypes) {
    struct Row {
        const char* name;
        const char* keys;
        QString text;
        int focusedPart;
    };
    for (const Row& row : {
             Row{"the third digit and a dot move on", "192.168.1.7", "192.168.1.7", 3},
             Row{"a dot in an empty part goes nowhere; arrows skip empty parts", "10..>3", "10..3.", 2},
             Row{"above 255 is 255 and moves on; letters are refused", "30099x", "255.99..", 1},
             Row{"Backspace in an empty part returns to the previous one", "12.<<", "1...", 0},
         }) {
        SCOPED_TRACE(row.name);
        IpAddressEdit edit;
        edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
        edit.setFocus();
        for (const char* key = row.keys; *key != '\0'; ++key) {
            if (*key == '>' || *key == '<')
                QTest::keyClick(QApplication::focusWidget(), *key == '>' ? Qt::Key_Right : Qt::Key_Backspace);
            else
                QTest::keyClick(QApplication::focusWidget(), *key);
        }
        EXPECT_EQ(edit.Text(), row.text);
        EXPECT_EQ(edit.Part(row.focusedPart), QApplication::focusWidget());
    }
}

}  // namespace
}  // namespace horavane::ui
