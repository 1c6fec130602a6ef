#include "ui/AccessibleNames.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
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

// The label a control names itself after, as the template ties them: every list of a row that
// one label stands beside points to it, not only the one the label's mnemonic reaches.
QAccessibleInterface* TemplateLabelOf(const QWidget* control) {
    const QString labelName = control->property("labelledBy").toString();
    QWidget* dialog = control->window();
    if (labelName.isEmpty() || dialog == nullptr) return nullptr;
    QObject* label = dialog->objectName() == labelName ? dialog : dialog->findChild<QWidget*>(labelName);
    return label == nullptr || label == control ? nullptr : QAccessible::queryAccessibleInterface(label);
}

// Qt names a drop-down list on Linux by the entry it shows, leaving its label to the relation, so a
// screen reader says "Last" for "Start at, week". The list here is named by its label, its entry
// is its value, and its popup list stays its one child.
class ComboBoxAccessible : public QAccessibleWidget {
  public:
    explicit ComboBoxAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("activated(int)"));
    }

    [[nodiscard]] QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value)
            return Combo()->currentIndex() < 0 ? QString() : Combo()->currentText();
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return text(QAccessible::Value);
        return QAccessibleWidget::text(kind);
    }
    [[nodiscard]] QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = Combo()->view()->isVisible();
        state.collapsed = !state.expanded;
        return state;
    }
    [[nodiscard]] QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override {
        QList<QPair<QAccessibleInterface*, QAccessible::Relation>> found;
        QAccessibleInterface* label = (match & QAccessible::Label) != 0 ? TemplateLabelOf(widget()) : nullptr;
        if (label != nullptr) found.append({label, QAccessible::Label});
        for (const auto& other : QAccessibleWidget::relations(match))
            if (other.second != QAccessible::Label || label == nullptr) found.append(other);
        return found;
    }
    [[nodiscard]] int childCount() const override { return 1; }
    [[nodiscard]] QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(Combo()->view()) : nullptr;
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == Combo()->view() ? 0 : -1;
    }
    [[nodiscard]] QStringList actionNames() const override {
        return QStringList() << showMenuAction() << QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            Combo()->showPopup();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

  private:
    [[nodiscard]] QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

// An address field is four edits in one frame. A screen reader should meet it as the group its
// parts belong to, named once, never as a frame that has the focus beside its own first part.
class AddressFieldAccessible : public QAccessibleWidget {
  public:
    explicit AddressFieldAccessible(QWidget* field) : QAccessibleWidget(field, QAccessible::Grouping) {}

    [[nodiscard]] QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.focusable = false;
        state.focused = false;
        return state;
    }
};

QAccessibleInterface* WindowControlsFactory(const QString& className, QObject* object) {
    if (object == nullptr || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("QRadioButton"))
        return new RadioButtonAccessible(static_cast<QRadioButton*>(object));
    if (className == QLatin1String("QComboBox"))
        return new ComboBoxAccessible(static_cast<QComboBox*>(object));
    if (className == QLatin1String(IpAddressEdit::staticMetaObject.className()))
        return new AddressFieldAccessible(static_cast<QWidget*>(object));
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

// A label's mnemonic reaches one control: the one it stands beside, the nearest of those it names
// (the "from" list of "Energy saving", not the "to" list past it).
void TakeNearerAsBuddy(QLabel* label, QWidget* control) {
    const auto distance = [label](const QWidget* other) {
        return (other->geometry().center() - label->geometry().center()).manhattanLength();
    };
    if (label->buddy() == nullptr || distance(control) < distance(label->buddy())) label->setBuddy(control);
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
    std::call_once(installed, [] { QAccessible::installFactory(WindowControlsFactory); });
}

void NameControlsFromLabels(QWidget* dialog) {
    for (QWidget* control : dialog->findChildren<QWidget*>()) {
        const QString labelName = control->property("labelledBy").toString();
        if (labelName.isEmpty()) continue;
        const QString name =
            NameFromLabel(LabelText(dialog, labelName)) + control->property("nameSuffix").toString();
        auto* label = dialog->findChild<QLabel*>(labelName);
        if (label != nullptr && label != control) TakeNearerAsBuddy(label, control);
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
