#include "ui/AccessibleNames.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <mutex>

#include "ui/IpAddressEdit.h"

namespace horavane::ui {
namespace {

// Qt announces a checkable button that is not exclusive as a check box; the window's radio pairs
// are exclusive through its logic, which must also be able to clear both.
class RadioButtonAccessible : public QAccessibleWidget {
  public:
    explicit RadioButtonAccessible(QRadioButton* button)
        : QAccessibleWidget(button, QAccessible::RadioButton) {
        addControllingSignal(QStringLiteral("toggled(bool)"));
    }

    [[nodiscard]] QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return Button()->text().remove(QLatin1Char('&'));
        }
        return QAccessibleWidget::text(kind);
    }
    [[nodiscard]] QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = Button()->isChecked();
        return state;
    }
    [[nodiscard]] QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled()) names << pressAction();
        return names;
    }
    void doAction(const QString& action) override {
        if (action == pressAction() && widget()->isEnabled()) {
            Button()->click();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

  private:
    [[nodiscard]] QRadioButton* Button() const { return static_cast<QRadioButton*>(widget()); }
};

QAccessibleInterface* RadioButtonFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QRadioButton") && object != nullptr && object->isWidgetType()) {
        return new RadioButtonAccessible(static_cast<QRadioButton*>(object));
    }
    return nullptr;
}

QString LabelText(QWidget* dialog, const QString& labelName) {
    if (dialog->objectName() == labelName) return dialog->windowTitle();
    if (auto* label = dialog->findChild<QLabel*>(labelName)) return label->text();
    if (auto* other = dialog->findChild<QWidget*>(labelName)) {
        const QVariant title = other->property("title");
        return title.isValid() ? title.toString() : other->property("text").toString();
    }
    return {};
}

}  // namespace

QString NameFromLabel(const QString& text) {
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    static const QRegularExpression closing(QStringLiteral("[\\s:：]+$"));
    return QString(text)
        .remove(QLatin1Char('&'))
        .replace(spaces, QStringLiteral(" "))
        .remove(closing)
        .trimmed();
}

// Qt consults the factory installed last first, its own widgets' factory among them, and keeps the
// interface it first made for a widget: this one goes in once the application is up, before a window
// with radio buttons is built.
void InstallAccessibleInterfaces() {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(RadioButtonFactory); });
}

void NameControlsFromLabels(QWidget* dialog) {
    for (QWidget* control : dialog->findChildren<QWidget*>()) {
        const QString labelName = control->property("labelledBy").toString();
        if (labelName.isEmpty()) continue;
        const QString name =
            NameFromLabel(LabelText(dialog, labelName)) + control->property("nameSuffix").toString();
        auto* label = dialog->findChild<QLabel*>(labelName);
        if (label != nullptr && label->buddy() == nullptr) label->setBuddy(control);
        if (auto* field = qobject_cast<IpAddressEdit*>(control)) {
            field->SetAccessibleFieldName(name);
        } else if (qobject_cast<QLabel*>(control) != nullptr) {
            control->setAccessibleDescription(name);
        } else {
            control->setAccessibleName(name);
        }
    }
}

void AnnounceTextChange(QWidget* label) {
    QAccessibleEvent event(label, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

}  // namespace horavane::ui
