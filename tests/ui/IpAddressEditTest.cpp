#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "ui/IpAddressEdit.h"

namespace horavane::ui {
namespace {

std::optional<std::uint8_t> Part(int value) {
    return static_cast<std::uint8_t>(value);
}

class IpAddressEditTest : public ::testing::Test {
  protected:
    void SetUp() override {
        edit_.resize(150, 24);
        edit_.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit_));
        edit_.setFocus();
    }

    // The part that has the keyboard focus, or -1.
    int FocusedPart() const {
        for (int i = 0; i < 4; ++i) {
            if (edit_.Part(i)->hasFocus()) return i;
        }
        return -1;
    }

    // Each key goes to whichever part has the focus by then, as the operator's keystrokes do.
    static void Type(const char* keys) {
        for (const char* key = keys; *key != '\0'; ++key) QTest::keyClick(QApplication::focusWidget(), *key);
    }

    IpAddressEdit edit_;
};

TEST_F(IpAddressEditTest, ThirdDigitAndDotMoveOnSoTypingAnAddressFillsEveryPart) {
    Type("192.168.1.7");
    EXPECT_EQ(edit_.Value(), IpFieldValue::From(Ipv4Address{{192, 168, 1, 7}}));
    EXPECT_EQ(FocusedPart(), 3);
    edit_.Clear();
    edit_.setFocus();
    Type("10.0.0.12");
    EXPECT_EQ(edit_.Text(), "10.0.0.12");
}

TEST_F(IpAddressEditTest, ArrowsSkipPartsThatStayEmpty) {
    Type("10..");  // a dot in an empty part goes nowhere
    ASSERT_EQ(FocusedPart(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    Type("3");
    IpFieldValue expected;
    expected.parts = {Part(10), std::nullopt, Part(3), std::nullopt};
    EXPECT_EQ(edit_.Value(), expected);
    EXPECT_EQ(edit_.Value().FilledParts(), 2);
    EXPECT_EQ(edit_.Text(), "10..3.");
}

TEST_F(IpAddressEditTest, NumberAbove255BecomesTheLargestPart) {
    Type("300");
    EXPECT_EQ(edit_.Part(0)->text(), "255");
    EXPECT_EQ(FocusedPart(), 1);
    Type("99x");  // letters are refused
    EXPECT_EQ(edit_.Part(1)->text(), "99");
}

TEST_F(IpAddressEditTest, BackspaceInAnEmptyPartReturnsToThePreviousOne) {
    Type("12.");
    ASSERT_EQ(FocusedPart(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(FocusedPart(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(edit_.Part(0)->text(), "1");
}

}  // namespace
}  // namespace horavane::ui
