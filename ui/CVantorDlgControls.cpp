// CVantorDlg's side of the control interface: each operation acts on the template's widget with the
// given id, behaving as the platform's controls of that kind do.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>

#include "dialog/ControlIds.h"
#include "ui/AccessibleNames.h"
#include "ui/CVantorDlg.h"
#include "ui/IpAddressEdit.h"
#include "ui/MessageBoxes.h"

namespace horavane::ui {
namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToStdString(const QString& text) {
    return text.toUtf8().toStdString();
}

bool SameTextIgnoringCase(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool Holds(const QWidget* control, const QWidget* focus) {
    return focus != nullptr && (focus == control || control->isAncestorOf(focus));
}

// The next tab stop after the control that can take the focus, as Tab would reach it, passing over
// radio buttons: on the platform a radio button that takes the focus unchecked counts as clicked.
QWidget* NextTabStop(QWidget* control) {
    for (QWidget* next = control->nextInFocusChain(); next != control; next = next->nextInFocusChain()) {
        if (next->window() == control->window() && next != control->window() &&
            !control->isAncestorOf(next) && next->isEnabled() && next->isVisibleTo(control->window()) &&
            (next->focusPolicy() & Qt::TabFocus) != 0 && qobject_cast<QRadioButton*>(next) == nullptr) {
            return next;
        }
    }
    return nullptr;
}

}  // namespace

std::string CVantorDlg::GetText(int id) const {
    QWidget* control = Control(id);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return ToStdString(label->text());
    }
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        return combo->currentIndex() < 0 ? std::string() : ToStdString(combo->currentText());
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return ToStdString(button->text());
    }
    if (auto* ip = qobject_cast<IpAddressEdit*>(control)) {
        return ToStdString(ip->Text());
    }
    if (qobject_cast<QListWidget*>(control) != nullptr) {
        return ListText(id, ListSelectedIndex(id));
    }
    return {};
}

void CVantorDlg::PaintNow(int id) {
    if (QWidget* control = Control(id)) control->repaint();
}

void CVantorDlg::SetText(int id, std::string_view text) {
    QWidget* control = Control(id);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        const QString shown = ToQString(text);
        const bool changed = shown != label->text();
        label->setText(shown);
        if (changed && id == ctl::StatusLine) AnnounceTextChange(label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(ToQString(text));
    } else if (auto* ip = qobject_cast<IpAddressEdit*>(control)) {
        ip->SetValue(IpFieldValue::Parse(text).value_or(IpFieldValue{}));
    }
}

// A control that has the focus hands it to the next tab stop before it goes grey, so that Escape,
// Enter and Tab keep working, and takes it back when it is enabled again if it is still there.
void CVantorDlg::Enable(int id, bool enabled) {
    QWidget* control = Control(id);
    if (control == nullptr) {
        return;
    }
    if (!enabled && control->isEnabled() && Holds(control, focusWidget())) {
        if (QWidget* next = NextTabStop(control)) {
            next->setFocus(Qt::OtherFocusReason);
            focusOwner_ = control;
            focusStandIn_ = next;
        }
    }
    control->setEnabled(enabled);
    if (enabled && control == focusOwner_) {
        if (Holds(focusStandIn_, focusWidget())) {
            control->setFocus(Qt::OtherFocusReason);
        }
        focusOwner_ = nullptr;
        focusStandIn_ = nullptr;
    }
}

bool CVantorDlg::IsEnabled(int id) const {
    const QWidget* control = Control(id);
    return control != nullptr && control->isEnabledTo(this);
}

void CVantorDlg::SetFocus(int id) {
    if (QWidget* control = Control(id)) {
        control->setFocus(Qt::OtherFocusReason);
    }
}

bool CVantorDlg::IsChecked(int id) const {
    const auto* button = qobject_cast<QAbstractButton*>(Control(id));
    return button != nullptr && button->isChecked();
}

void CVantorDlg::SetChecked(int id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) {
        button->setChecked(checked);
    }
}

void CVantorDlg::ComboReset(int id) {
    if (QComboBox* combo = Combo(id)) {
        combo->clear();
    }
}

// The platform's drop-down list does not select the first entry added to an empty list.
void CVantorDlg::ComboAdd(int id, std::string_view text) {
    if (QComboBox* combo = Combo(id)) {
        const int selected = combo->currentIndex();
        combo->addItem(ToQString(text));
        combo->setCurrentIndex(selected);
    }
}

int CVantorDlg::ComboCount(int id) const {
    const QComboBox* combo = Combo(id);
    return combo == nullptr ? 0 : combo->count();
}

void CVantorDlg::ComboSelect(int id, int index) {
    if (QComboBox* combo = Combo(id)) {
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    }
}

int CVantorDlg::ComboFindExact(int id, std::string_view text) const {
    const QComboBox* combo = Combo(id);
    const QString wanted = ToQString(text);
    for (int i = 0; combo != nullptr && i < combo->count(); ++i) {
        if (SameTextIgnoringCase(combo->itemText(i), wanted)) {
            return i;
        }
    }
    return -1;
}

int CVantorDlg::ComboSelectedIndex(int id) const {
    const QComboBox* combo = Combo(id);
    return combo == nullptr ? -1 : combo->currentIndex();
}

// Changes the program makes to the list are not the operator's selection: only the operator's
// selection runs a status query.
void CVantorDlg::ListReset(int id) {
    if (QListWidget* list = List(id)) {
        const QSignalBlocker blocker(list);
        list->clear();
    }
}

// A sorted list box puts a new entry after every entry that compares lower or equal.
void CVantorDlg::ListAdd(int id, std::string_view text) {
    QListWidget* list = List(id);
    if (list == nullptr) {
        return;
    }
    const QString entry = ToQString(text);
    int row = 0;
    while (row < list->count() && list->item(row)->text().compare(entry, Qt::CaseInsensitive) <= 0) {
        ++row;
    }
    const QSignalBlocker blocker(list);
    list->insertItem(row, entry);
}

int CVantorDlg::ListFindExact(int id, std::string_view text) const {
    const QListWidget* list = List(id);
    const QString wanted = ToQString(text);
    for (int row = 0; list != nullptr && row < list->count(); ++row) {
        if (SameTextIgnoringCase(list->item(row)->text(), wanted)) {
            return row;
        }
    }
    return -1;
}

int CVantorDlg::ListSelectedIndex(int id) const {
    const QListWidget* list = List(id);
    if (list == nullptr) {
        return -1;
    }
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

std::string CVantorDlg::ListText(int id, int index) const {
    const QListWidget* list = List(id);
    if (list == nullptr || index < 0 || index >= list->count()) {
        return {};
    }
    return ToStdString(list->item(index)->text());
}

IpFieldValue CVantorDlg::GetIp(int id) const {
    const IpAddressEdit* ip = Ip(id);
    return ip == nullptr ? IpFieldValue{} : ip->Value();
}

void CVantorDlg::SetIp(int id, Ipv4Address address) {
    if (IpAddressEdit* ip = Ip(id)) {
        ip->SetAddress(address);
    }
}

void CVantorDlg::ClearIp(int id) {
    if (IpAddressEdit* ip = Ip(id)) {
        ip->Clear();
    }
}

void CVantorDlg::SetProgressRange(int id, int low, int high) {
    if (auto* progress = qobject_cast<QProgressBar*>(Control(id))) {
        progress->setRange(low, high);
    }
}

void CVantorDlg::SetProgressPos(int id, int position) {
    if (auto* progress = qobject_cast<QProgressBar*>(Control(id))) {
        progress->setValue(position);
    }
}

void CVantorDlg::ShowAppMessage(std::string_view text) {
    ShowMessage(this, MessageKind::Application, ToQString(text));
}

void CVantorDlg::ShowDialogMessage(std::string_view text, std::optional<std::string_view> title) {
    ShowMessage(this, MessageKind::Dialog, ToQString(text), title ? ToQString(*title) : QString());
}

}  // namespace horavane::ui
