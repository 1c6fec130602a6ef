#include "ui/IpAddressEdit.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStringList>

namespace horavane::ui {
namespace {

constexpr int kMaxPart = 255;
constexpr int kDigitsPerPart = 3;

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
        if (i < dots_.size()) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            dots_[i] = dot;
        }
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

void IpAddressEdit::OnPartEdited(int index) {
    QLineEdit* part = Part(index);
    if (part->text().toInt() > kMaxPart) {
        part->setText(QString::number(kMaxPart));
    }
    if (part->text().size() == kDigitsPerPart && part->cursorPosition() == kDigitsPerPart && index < 3) {
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
    if (index < 0 || event->type() != QEvent::KeyPress) {
        return QFrame::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* part = Part(index);
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
            // In a part still empty the dot is swallowed, so "192.168.1.7" types naturally after the
            // third digit has already moved on.
            if (index < 3 && !part->text().isEmpty()) {
                FocusPart(index + 1, true);
            }
            return true;
        case Qt::Key_Backspace:
            if (part->text().isEmpty() && index > 0) {
                FocusPart(index - 1, false);
                return true;
            }
            break;
        case Qt::Key_Left:
            if (atStart && index > 0) {
                FocusPart(index - 1, false);
                return true;
            }
            break;
        case Qt::Key_Right:
            if (atEnd && index < 3) {
                FocusPart(index + 1, false);
                Part(index + 1)->setCursorPosition(0);
                return true;
            }
            break;
        default:
            break;
    }
    return QFrame::eventFilter(watched, event);
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

void IpAddressEdit::LayOutParts() {
    const QRect inner = contentsRect();
    const int dotWidth = std::max(2, fontMetrics().horizontalAdvance(QLatin1Char('.')) + 2);
    const int partWidth = std::max(1, (inner.width() - 3 * dotWidth) / 4);
    int x = inner.x();
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        parts_[i]->setGeometry(x, inner.y(), partWidth, inner.height());
        x += partWidth;
        if (i < dots_.size()) {
            dots_[i]->setGeometry(x, inner.y(), dotWidth, inner.height());
            x += dotWidth;
        }
    }
}

// The field reads as one edit box: the parts and dots share its background, which turns to the
// window colour when it is disabled, as the platform's field does.
void IpAddressEdit::UpdateBackground() {
    setBackgroundRole(isEnabled() ? QPalette::Base : QPalette::Window);
    for (QLabel* dot : dots_) {
        dot->setBackgroundRole(backgroundRole());
    }
}

}  // namespace horavane::ui
