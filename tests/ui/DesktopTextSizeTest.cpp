// The windows follow the desktop's text size: at the usual size and at twice it, every text a
// dialog shows fits the control that shows it, the layout growing with the font.
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyleOptionComboBox>
#include <memory>

#include "tests/common/FakeNetwork.h"
#include "tests/common/TempFolder.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CAboutDlg.h"
#include "ui/CInputPassword.h"
#include "ui/CModifyPasswd.h"
#include "ui/DialogUnits.h"

namespace horavane::ui::test {
namespace {

// The application font as a desktop whose text is `scale` times the usual size hands it over.
class DesktopText {
  public:
    explicit DesktopText(double scale) : saved_(QApplication::font()) {
        QFont font = saved_;
        font.setPointSizeF(kUsualDesktopPoints * scale);
        QApplication::setFont(font);
    }
    ~DesktopText() { QApplication::setFont(saved_); }
    DesktopText(const DesktopText&) = delete;
    DesktopText& operator=(const DesktopText&) = delete;

  private:
    QFont saved_;
};

QString Shown(QString text) {
    return text.remove(QLatin1Char('&'));
}

int Style(const QWidget* widget, QStyle::PixelMetric metric) {
    return widget->style()->pixelMetric(metric, nullptr, widget);
}

void ExpectNothingClipped(QWidget* dialog) {
    for (QWidget* widget : dialog->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(dialog)) continue;
        const std::string where = (dialog->objectName() + "/" + widget->objectName()).toStdString();
        const QFontMetrics metrics(widget->font());
        if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && label->pixmap().isNull()) {
            const int flags =
                static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            const QRect room = label->contentsRect();
            const QRect needed = metrics.boundingRect(room, flags, label->text());
            EXPECT_TRUE(label->text().isEmpty() ||
                        (needed.width() <= room.width() && needed.height() <= room.height()))
                << where << " needs " << needed.width() << "x" << needed.height() << " in " << room.width()
                << "x" << room.height();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            int needed = metrics.horizontalAdvance(Shown(button->text()));
            if (qobject_cast<QRadioButton*>(button) != nullptr)
                needed += Style(button, QStyle::PM_ExclusiveIndicatorWidth) +
                          Style(button, QStyle::PM_RadioButtonLabelSpacing);
            else if (qobject_cast<QCheckBox*>(button) != nullptr)
                needed +=
                    Style(button, QStyle::PM_IndicatorWidth) + Style(button, QStyle::PM_CheckBoxLabelSpacing);
            EXPECT_LE(needed, button->width()) << where;
            EXPECT_LE(metrics.height(), button->height()) << where;
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                               QStyle::SC_ComboBoxEditField, combo);
            int widest = 0;
            for (int i = 0; i < combo->count(); ++i)
                widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(i)));
            EXPECT_LE(widest, field.width()) << where;
            EXPECT_LE(metrics.height(), field.height()) << where;
        } else if (auto* field = qobject_cast<IpAddressEdit*>(widget)) {
            for (int i = 0; i < IpAddressEdit::kParts; ++i) {
                const QLineEdit* part = field->Part(i);
                EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("255")), part->contentsRect().width())
                    << where;
                EXPECT_LE(metrics.height(), part->contentsRect().height()) << where;
            }
        } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
            EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("255.255.255.255")), list->viewport()->width())
                << where;
        }
    }
}

TEST(DesktopTextSize, TheDialogsGrowWithTheDesktopsTextAndClipNothingUpToTwiceTheUsualSize) {
    horavane::test::FakeNetwork net;
    horavane::test::TempFolder folder;
    QSize usual;
    for (const double scale : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(scale);
        const DesktopText desktop(scale);
        CVantorDlg main(net.Options(std::chrono::milliseconds(20)));
        EXPECT_NEAR(main.font().pointSizeF(), 9 * scale, 0.01);
        if (scale == 1.0) usual = main.size();
        EXPECT_GE(main.width(), static_cast<int>(usual.width() * scale * 0.9));
        EXPECT_GE(main.height(), static_cast<int>(usual.height() * scale * 0.9));
        main.show();
        ExpectNothingClipped(&main);
        CInputPassword password{PasswordStore(folder.File())};
        EXPECT_NEAR(password.font().pointSizeF(), 8 * scale, 0.01);
        password.show();
        ExpectNothingClipped(&password);
        CModifyPasswd change{PasswordStore(folder.File())};
        change.show();
        ExpectNothingClipped(&change);
        CAboutDlg about;
        about.show();
        ExpectNothingClipped(&about);
    }
    // A desktop smaller than usual keeps the template's size.
    const DesktopText small(0.8);
    CAboutDlg about;
    EXPECT_NEAR(about.font().pointSizeF(), 9, 0.01);
}

}  // namespace
}  // namespace horavane::ui::test
