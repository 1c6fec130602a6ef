#include "ui/IpAddressEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStringList>

namespace horavane::ui {
namespace {

constexpr int kMaxPart = 255;
constexpr int kDigitsPerPart = 3;
constexpr int kLastPart = IpAddressEdit::kParts - 1;

bool IsModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr;
}

// A part's text as the field keeps it: at most three digits, above 255 read as 255.
QString PartText(const QString& digits) {
    return digits.isEmpty() ? digits : QString::number(std::min(digits.toInt(), kMaxPart));
}

}  // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        auto* part = new QLineEdit(this);
        part->setFrame(false);
        part->setAlignment(Qt::AlignCenter);
        part->setValidator(digits);
        part->setMaxLength(kDigitsPerPart);
        part->setContextMenuPolicy(Qt::NoContextMenu);
        // The field is one tab stop, reached at its first part: the focus chain passes over a widget
        // with a focus proxy and takes the proxy's own policy. Clicks and the arrows reach the others.
        part->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        part->installEventFilter(this);
        const int index = static_cast<int>(i);
        connect(part, &QLineEdit::textEdited, this, [this, index] { OnPartEdited(index); });
        parts_[i] = part;
    }
    setFocusProxy(parts_[0]);
    UpdateBackground();
}

IpFieldValue IpAddressEdit::Value() const {
    IpFieldValue value;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        const QString text = parts_[i]->text();
        if (!text.isEmpty()) {
            value.parts[i] = static_cast<std::uint8_t>(std::min(text.toInt(), kMaxPart));
        }
    }
    return value;
}

void IpAddressEdit::SetValue(const IpFieldValue& value) {
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        parts_[i]->setText(value.parts[i] ? QString::number(*value.parts[i]) : QString());
    }
}

void IpAddressEdit::SetAddress(Ipv4Address address) {
    SetValue(IpFieldValue::From(address));
}

void IpAddressEdit::Clear() {
    SetValue(IpFieldValue{});
}

QString IpAddressEdit::Text() const {
    if (IsBlank()) {
        return {};
    }
    QStringList texts;
    for (const QLineEdit* part : parts_) {
        texts << part->text();
    }
    return texts.join(QLatin1Char('.'));
}

void IpAddressEdit::SetAccessibleFieldName(const QString& name) {
    setAccessibleName(name);
    for (int i = 0; i < kParts; ++i) {
        Part(i)->setAccessibleName(tr("%1, part %2 of %3").arg(name).arg(i + 1).arg(kParts));
    }
}

void IpAddressEdit::OnPartEdited(int index) {
    QLineEdit* part = Part(index);
    if (part->text().toInt() > kMaxPart) {
        part->setText(QString::number(kMaxPart));
    }
    if (part->text().size() == kDigitsPerPart && part->cursorPosition() == kDigitsPerPart &&
        index < kLastPart) {
        FocusPart(index + 1, true);
    }
}

void IpAddressEdit::FocusPart(int index, bool selectAll) {
    QLineEdit* part = Part(index);
    part->setFocus(Qt::OtherFocusReason);
    if (selectAll) {
        part->selectAll();
    } else {
        part->setCursorPosition(static_cast<int>(part->text().size()));
    }
}

// The first part takes the focus, so that what is typed next starts the address afresh there.
void IpAddressEdit::SelectWholeAddress() {
    Part(0)->setFocus(Qt::OtherFocusReason);
    for (QLineEdit* part : parts_) {
        part->selectAll();
    }
    wholeSelected_ = true;
}

void IpAddressEdit::DropWholeSelection() {
    if (!wholeSelected_) {
        return;
    }
    wholeSelected_ = false;
    for (QLineEdit* part : parts_) {
        if (!part->hasFocus()) {
            part->deselect();
        }
    }
}

// A dotted address fills the field from its first part; anything else is no address and changes
// nothing.
bool IpAddressEdit::PasteAddress(const QString& text) {
    static const QRegularExpression dotted(QStringLiteral("^\\s*([0-9]{0,3})(\\.[0-9]{0,3}){1,3}\\s*$"));
    if (!dotted.match(text).hasMatch()) {
        return false;
    }
    const QStringList pieces = text.trimmed().split(QLatin1Char('.'));
    for (int i = 0; i < kParts; ++i) {
        Part(i)->setText(i < pieces.size() ? PartText(pieces.at(i)) : QString());
    }
    wholeSelected_ = false;
    FocusPart(static_cast<int>(std::min<qsizetype>(pieces.size(), kParts)) - 1, false);
    return true;
}

int IpAddressEdit::IndexOf(QObject* object) const {
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        if (parts_[i] == object) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index < 0) {
        return QFrame::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::KeyPress:
            return OnPartKey(index, static_cast<QKeyEvent*>(event)) || QFrame::eventFilter(watched, event);
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            return OnPartMouse(index, event) || QFrame::eventFilter(watched, event);
        case QEvent::FocusOut: {
            // Leaving the field (not merely the window) ends a selection of the whole address.
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                IndexOf(QApplication::focusWidget()) < 0) {
                DropWholeSelection();
            }
            break;
        }
        default:
            break;
    }
    return QFrame::eventFilter(watched, event);
}

// True when the key has been dealt with here; false lets the part handle it as an edit box does.
bool IpAddressEdit::OnPartKey(int index, QKeyEvent* key) {
    QLineEdit* part = Part(index);
    if (IsModifierKey(key->key())) {
        return false;
    }
    if (key->matches(QKeySequence::SelectAll)) {
        SelectWholeAddress();
        return true;
    }
    if (key->matches(QKeySequence::Paste)) {
        const QString pasted = QApplication::clipboard()->text();
        if (PasteAddress(pasted)) {
            return true;
        }
        if (wholeSelected_) {
            // Digits replace the address from its first part, as typing them would.
            Clear();
            wholeSelected_ = false;
            Part(0)->setFocus(Qt::OtherFocusReason);
            Part(0)->insert(pasted.trimmed());
            OnPartEdited(0);
            return true;
        }
        return false;
    }
    if (wholeSelected_) {
        if (key->matches(QKeySequence::Copy)) {
            QApplication::clipboard()->setText(Text());
            return true;
        }
        const QString typed = key->text();
        if (typed.size() == 1 && typed.at(0).isDigit()) {
            Clear();
            wholeSelected_ = false;
            return false;  // the first part has the focus and takes the digit
        }
        if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete) {
            Clear();
            wholeSelected_ = false;
            return true;
        }
        if (key->key() != Qt::Key_Period && key->key() != Qt::Key_Space) {
            DropWholeSelection();
        }
    }
    const bool atStart = part->cursorPosition() == 0 && !part->hasSelectedText();
    const bool atEnd = part->cursorPosition() == part->text().size() && !part->hasSelectedText();
    const bool backtab = key->key() == Qt::Key_Backtab ||
                         (key->key() == Qt::Key_Tab && key->modifiers().testFlag(Qt::ShiftModifier));
    if (backtab && index > 0) {
        // Backwards from a later part the chain would stop at the first part of the same field.
        Part(0)->setFocus(Qt::BacktabFocusReason);
        focusNextPrevChild(false);
        return true;
    }
    switch (key->key()) {
        case Qt::Key_Period:
        case Qt::Key_Space:
            // Only digits of the part's own move on: a part reached by the third digit of the one
            // before is wholly selected, and the dot typed next is the one that move already made.
            if (index < kLastPart && part->text().size() > part->selectedText().size()) {
                FocusPart(index + 1, true);
            }
            return true;
        case Qt::Key_Backspace:
            if (atStart && index > 0) {
                FocusPart(index - 1, false);
                return true;
            }
            return false;
        case Qt::Key_Left:
            if (atStart && index > 0) {
                FocusPart(index - 1, false);
                return true;
            }
            return false;
        case Qt::Key_Right:
            if (atEnd && index < kLastPart) {
                FocusPart(index + 1, false);
                Part(index + 1)->setCursorPosition(0);
                return true;
            }
            return false;
        default:
            return false;
    }
}

// A double click, or a drag that leaves the part it started in for another, selects the whole
// address; the rest of that drag is the field's, not the part's.
bool IpAddressEdit::OnPartMouse(int index, QEvent* event) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            DropWholeSelection();
            dragging_ = mouse->button() == Qt::LeftButton;
            return false;
        case QEvent::MouseButtonDblClick:
            if (mouse->button() != Qt::LeftButton) {
                return false;
            }
            SelectWholeAddress();
            return true;
        case QEvent::MouseMove: {
            if (!dragging_ || !mouse->buttons().testFlag(Qt::LeftButton)) {
                return false;
            }
            if (wholeSelected_) {
                return true;
            }
            const QPoint inField = Part(index)->mapTo(this, mouse->position().toPoint());
            if (inField.x() < Part(index)->geometry().left() ||
                inField.x() > Part(index)->geometry().right()) {
                SelectWholeAddress();
                return true;
            }
            return false;
        }
        case QEvent::MouseButtonRelease:
            dragging_ = false;
            return wholeSelected_;
        default:
            return false;
    }
}

void IpAddressEdit::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    LayOutParts();
}

void IpAddressEdit::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        UpdateBackground();
    }
}

// The parts keep one pixel clear of the frame on every side: at a fractional scale a child's edge
// is rounded outwards and would cover the frame's last line.
QRect IpAddressEdit::PartsRect() const {
    return contentsRect().adjusted(1, 1, -1, -1);
}

int IpAddressEdit::DotWidth() const {
    return std::max(2, fontMetrics().horizontalAdvance(QLatin1Char('.')) + 2);
}

void IpAddressEdit::LayOutParts() {
    const QRect inner = PartsRect();
    const int partWidth = std::max(1, (inner.width() - 3 * DotWidth()) / kParts);
    int x = inner.x();
    for (QLineEdit* part : parts_) {
        part->setGeometry(x, inner.y(), partWidth, inner.height());
        x += partWidth + DotWidth();
    }
}

// The dots are the field's own drawing, in the parts' text colour, between the parts.
void IpAddressEdit::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    for (int i = 0; i < kLastPart; ++i) {
        const QRect part = Part(i)->geometry();
        const QRect dot(part.right() + 1, part.top(), DotWidth(), part.height());
        painter.drawText(dot, Qt::AlignCenter, QStringLiteral("."));
    }
}

// The field reads as one edit box: the parts share its background, which turns to the window colour
// when it is disabled, as the platform's field does.
void IpAddressEdit::UpdateBackground() {
    setBackgroundRole(isEnabled() ? QPalette::Base : QPalette::Window);
    update();
}

}  // namespace horavane::ui
