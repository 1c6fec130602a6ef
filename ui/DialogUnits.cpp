#include "ui/DialogUnits.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QVariant>
#include <QWidget>
#include <algorithm>

namespace horavane::ui {
namespace {

// The base units a dialog template is laid out in: the average width of the Latin letters and
// the full height of the font, as the platform measures them.
int AverageLetterWidth(const QFontMetrics& metrics) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
}

int Scale(int units, int base, int divisor) {
    return (units * base + divisor / 2) / divisor;
}

// A drop-down list's template height is the extent of its open list; the closed box keeps the
// height its font asks for, and the open list shows as many entries as that extent holds.
void PlaceComboBox(QComboBox* combo, const QRect& pixels) {
    const int boxHeight = combo->sizeHint().height();
    combo->setGeometry(pixels.x(), pixels.y(), pixels.width(), boxHeight);
    const int entryHeight = std::max(1, QFontMetrics(combo->font()).height() + 2);
    combo->setMaxVisibleItems(std::max(1, (pixels.height() - boxHeight) / entryHeight));
}

// A template sizes a one-line label to the font's height and its text's width in dialog units, which
// round; Qt's text box asks for a pixel or so more and clips the rest. A label gets the room its text
// needs, growing away from the side it is aligned to.
void PlaceLabel(QLabel* label, QRect pixels) {
    const int flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect needed =
        QFontMetrics(label->font()).boundingRect(QRect(0, 0, pixels.width(), 1 << 20), flags, label->text());
    const int wider = needed.width() - pixels.width();
    if (wider > 0) {
        if (label->alignment().testFlag(Qt::AlignRight)) {
            pixels.setLeft(pixels.left() - wider);
        } else {
            pixels.setRight(pixels.right() + wider);
        }
    }
    pixels.setHeight(std::max(pixels.height(), needed.height()));
    label->setGeometry(pixels);
}

bool HasFamily(const QString& family) {
    const QStringList families = QFontDatabase::families();
    return std::any_of(families.begin(), families.end(),
                       [&](const QString& known) { return known.compare(family, Qt::CaseInsensitive) == 0; });
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font)
    : baseX_(std::max(1, AverageLetterWidth(QFontMetrics(font)))),
      baseY_(std::max(1, QFontMetrics(font).height())) {}

int DialogUnits::X(int units) const {
    return Scale(units, baseX_, 4);
}

int DialogUnits::Y(int units) const {
    return Scale(units, baseY_, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}

QSize DialogUnits::Size(int width, int height) const {
    return QSize(X(width), Y(height));
}

double DesktopTextScale() {
    const double desktop = QGuiApplication::font().pointSizeF();
    return desktop > kUsualDesktopPoints ? desktop / kUsualDesktopPoints : 1.0;
}

QFont DialogFont(const char* family, int pointSize) {
    const QString wanted = QString::fromUtf8(family);
    // Chinese system fonts first, then the free ones a Linux desktop usually carries.
    static const QStringList fallbacks = {QStringLiteral("SimSun"),
                                          QStringLiteral("NSimSun"),
                                          QStringLiteral("WenQuanYi Micro Hei"),
                                          QStringLiteral("Noto Sans CJK SC"),
                                          QStringLiteral("Source Han Sans SC"),
                                          QStringLiteral("Microsoft YaHei")};
    QStringList families;
    if (HasFamily(wanted)) {
        families << wanted;
    }
    for (const QString& fallback : fallbacks) {
        if (HasFamily(fallback)) {
            families << fallback;
        }
    }
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (families.isEmpty() && !chinese.isEmpty()) {
        families << chinese.first();
    }
    QFont font;
    if (!families.isEmpty()) {
        font.setFamilies(families);
    }
    font.setPointSizeF(pointSize * DesktopTextScale());
    return font;
}

void ApplyDialogUnits(QWidget* dialog, const DialogUnits& units) {
    const QVariant size = dialog->property("dialogUnits");
    if (size.canConvert<QSize>()) {
        const QSize dlu = size.toSize();
        dialog->setFixedSize(units.Size(dlu.width(), dlu.height()));
    }
    const QList<QWidget*> children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QVariant rect = child->property("dialogUnits");
        if (!rect.isValid()) {
            continue;
        }
        const QRect dlu = rect.toRect();
        const QRect pixels = units.Rect(dlu.x(), dlu.y(), dlu.width(), dlu.height());
        if (auto* combo = qobject_cast<QComboBox*>(child)) {
            PlaceComboBox(combo, pixels);
        } else if (auto* label = qobject_cast<QLabel*>(child); label != nullptr && !label->text().isEmpty()) {
            PlaceLabel(label, pixels);
        } else {
            child->setGeometry(pixels);
        }
    }
}

}  // namespace horavane::ui
