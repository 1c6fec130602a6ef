#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <cmath>

#include "ui/IpAddressEdit.h"

namespace horavane::ui {
namespace {

// How the operator reaches the field before typing.
enum class Start { Focus, Tab, Click, DoubleClick, Drag };

// Each key goes to whichever part has the focus by then, as the operator's keystrokes do, one after
// another with no event loop between them, as fast as any typist. '>' is the right arrow, '<'
// Backspace, '#' Ctrl+A and '%' Ctrl+V.
void Press(char key) {
    QWidget* focus = QApplication::focusWidget();
    switch (key) {
        case '>':
            return QTest::keyClick(focus, Qt::Key_Right);
        case '<':
            return QTest::keyClick(focus, Qt::Key_Backspace);
        case '#':
            return QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
        case '%':
            return QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
        default:
            return QTest::keyClick(focus, key);
    }
}

// Near a part's right end, where a click leaves the caret after its digits.
QPoint EndOf(const QLineEdit* part) {
    return {part->width() - 2, part->height() / 2};
}

TEST(IpAddressEdit, KeysClicksAndPastesGiveTheAddressTheOperatorTyped) {
    struct Row {
        const char* name;
        const char* before;
        Start start;
        int part;  // the part clicked, or where a drag starts (it ends two parts on)
        const char* clipboard;
        const char* keys;
        QString text;
    };
    for (const Row& row : {
             Row{"Ctrl+A and an address over a filled field", "192.168.1.10", Start::Click, 0, "",
                 "#192.168.2.20", "192.168.2.20"},
             Row{"Ctrl+A from a later part, over another address", "10.20.30.40", Start::Click, 2, "",
                 "#192.168.1.0", "192.168.1.0"},
             Row{"tabbed in, each filled part typed over as it is reached", "10.20.30.40", Start::Tab, 0, "",
                 "192.168.1.0", "192.168.1.0"},
             Row{"typing over a selected part replaces that part only", "10.20.30.40", Start::Tab, 0, "",
                 "11.5", "11.5.30.40"},
             Row{"a double click selects the whole address", "10.20.30.40", Start::DoubleClick, 2, "",
                 "172.16.0.1", "172.16.0.1"},
             Row{"a drag across the parts selects the whole address", "10.20.30.40", Start::Drag, 1, "",
                 "9.8.7.6", "9.8.7.6"},
             Row{"the third digit and a dot move on once", "", Start::Focus, 0, "", "192.168.1.7",
                 "192.168.1.7"},
             Row{"a dot after fewer digits moves on", "", Start::Focus, 0, "", "1.22.250.4", "1.22.250.4"},
             Row{"a dot in an empty part goes nowhere; arrows skip empty parts", "", Start::Focus, 0, "",
                 "10..>3", "10..3."},
             Row{"above 255 is 255 and moves on; letters are refused", "", Start::Focus, 0, "", "30099x",
                 "255.99.."},
             Row{"Backspace at a part's start moves back, then deletes there", "", Start::Focus, 0, "",
                 "12.<<3", "13..."},
             Row{"a pasted dotted address fills all four parts", "1.2.3.4", Start::Click, 2, "10.0.0.99", "%",
                 "10.0.0.99"},
             Row{"an address pasted over the whole one", "1.2.3.4", Start::Click, 0, " 192.168.2.20\n", "#%",
                 "192.168.2.20"},
             Row{"a pasted part above 255 is 255; missing parts stay empty", "1.2.3.4", Start::Click, 3,
                 "300.1.2", "%", "255.1.2."},
             Row{"a paste that is no address changes nothing", "1.2.3.4", Start::Click, 3, "1.2.3.4.5", "%",
                 "1.2.3.4"},
             Row{"digits pasted over the whole address start it afresh", "1.2.3.4", Start::Click, 1, "172",
                 "#%16", "172.16.."},
         }) {
        SCOPED_TRACE(row.name);
        IpAddressEdit edit;
        edit.resize(138, 18);
        edit.SetValue(IpFieldValue::Parse(row.before).value_or(IpFieldValue{}));
        edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
        QApplication::clipboard()->setText(QString::fromUtf8(row.clipboard));
        QLineEdit* part = edit.Part(row.part);
        switch (row.start) {
            case Start::Focus:
                edit.setFocus();
                break;
            case Start::Tab:
                edit.Part(0)->clearFocus();
                edit.Part(0)->setFocus(Qt::TabFocusReason);
                break;
            case Start::Click:
                QTest::mouseClick(part, Qt::LeftButton, {}, EndOf(part));
                break;
            case Start::DoubleClick:
                QTest::mouseDClick(part, Qt::LeftButton, {}, EndOf(part));
                break;
            case Start::Drag:
                QTest::mousePress(part, Qt::LeftButton, {}, QPoint(1, part->height() / 2));
                QTest::mouseMove(part, part->mapFrom(&edit, edit.Part(row.part + 2)->geometry().center()));
                QTest::mouseRelease(part, Qt::LeftButton, {}, part->mapFrom(&edit, EndOf(edit.Part(3))));
                break;
        }
        for (const char* key = row.keys; *key != '\0'; ++key) Press(*key);
        EXPECT_EQ(edit.Text(), row.text);
    }
}

// What a selection of the whole address looks like: every part selected, the first with the focus.
TEST(IpAddressEdit, CtrlASelectsEveryPartAndLeavingTheFieldEndsIt) {
    QWidget window;
    auto* edit = new IpAddressEdit(&window);
    auto* other = new QLineEdit(&window);
    edit->setGeometry(0, 0, 138, 18);
    other->setGeometry(0, 30, 100, 18);
    edit->SetValue(IpFieldValue::Parse("10.20.30.40").value_or(IpFieldValue{}));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->Part(2)->setFocus();
    QTest::keyClick(edit->Part(2), Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(edit->WholeAddressSelected());
    EXPECT_EQ(QApplication::focusWidget(), edit->Part(0));
    for (int i = 0; i < IpAddressEdit::kParts; ++i)
        EXPECT_EQ(edit->Part(i)->selectedText(), edit->Part(i)->text());
    other->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(edit->WholeAddressSelected());
    EXPECT_FALSE(edit->Part(3)->hasSelectedText());
}

// The field at its template size drawn at the scales of common screens: the frame's outermost line
// is frame on every side, all along (nothing of the parts covers it), and the interior below the
// dots is the field's background.
TEST(IpAddressEdit, DrawsItsWholeFrameAndCleanDotsAtEveryScale) {
    for (const qreal scale : {1.0, 1.25, 1.5, 2.0}) {
        SCOPED_TRACE(scale);
        IpAddressEdit edit;
        edit.resize(138, 18);
        edit.SetValue(IpFieldValue::Parse("10.20.30.40").value_or(IpFieldValue{}));
        QImage image((QSizeF(edit.size()) * scale).toSize(), QImage::Format_ARGB32);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::magenta);
        edit.render(&image);
        const QRgb base = edit.palette().color(QPalette::Base).rgb();
        const QRgb unpainted = QColor(Qt::magenta).rgb();
        // The last whole pixels inside the widget.
        const int right = static_cast<int>(edit.width() * scale) - 1;
        const int bottom = static_cast<int>(edit.height() * scale) - 1;
        // A side's frame is a line of pixels, all of them drawn (neither background nor nothing),
        // among the outermost lines of the side: the style rounds a line at a fractional scale.
        const auto frameSeen = [&](QPoint edge, QPoint inward, QPoint along, int count) {
            for (int depth = 0; depth <= static_cast<int>(std::ceil(scale)); ++depth) {
                bool whole = true;
                for (int i = 0; i < count && whole; ++i) {
                    const QRgb pixel = image.pixel(edge + inward * depth + along * i);
                    whole = pixel != base && pixel != unpainted;
                }
                if (whole) return true;
            }
            return false;
        };
        // The corners may be rounded; the rest of each side is frame.
        const int margin = static_cast<int>(3 * scale);
        EXPECT_TRUE(frameSeen({margin, 0}, {0, 1}, {1, 0}, right - 2 * margin)) << "top";
        EXPECT_TRUE(frameSeen({margin, bottom}, {0, -1}, {1, 0}, right - 2 * margin)) << "bottom";
        EXPECT_TRUE(frameSeen({0, margin}, {1, 0}, {0, 1}, bottom - 2 * margin)) << "left";
        EXPECT_TRUE(frameSeen({right, margin}, {-1, 0}, {0, 1}, bottom - 2 * margin)) << "right";
        for (int i = 0; i < IpAddressEdit::kParts - 1; ++i) {
            const QRect part = edit.Part(i)->geometry();
            const int x = static_cast<int>((part.right() + 1) * scale);
            const int width = static_cast<int>(3 * scale);
            // Below the baseline of the text, down to the frame's inner edge.
            const int top =
                static_cast<int>((part.center().y() + edit.fontMetrics().height() / 2 + 1) * scale);
            for (int y = top; y < static_cast<int>(part.bottom() * scale); ++y)
                for (int dx = 0; dx < width; ++dx)
                    EXPECT_EQ(image.pixel(x + dx, y), base)
                        << "under dot " << i << " at " << x + dx << "," << y;
        }
    }
}

}  // namespace
}  // namespace horavane::ui
