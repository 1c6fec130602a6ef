// What a screen reader finds in the four dialogs, through Qt's accessibility interface: a name for
// every control that takes the focus, taken from its label, and the role of its kind.
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <iostream>
#include <memory>

#include "tests/common/FakeNetwork.h"
#include "tests/common/TempFolder.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CAboutDlg.h"
#include "ui/CInputPassword.h"
#include "ui/CModifyPasswd.h"

namespace horavane::ui::test {
namespace {

QAccessible::Role ExpectedRole(const QWidget* widget) {
    if (qobject_cast<const QRadioButton*>(widget)) return QAccessible::RadioButton;
    if (qobject_cast<const QCheckBox*>(widget)) return QAccessible::CheckBox;
    if (qobject_cast<const QPushButton*>(widget)) return QAccessible::Button;
    if (qobject_cast<const QComboBox*>(widget)) return QAccessible::ComboBox;
    if (qobject_cast<const QLineEdit*>(widget)) return QAccessible::EditableText;
    if (qobject_cast<const QListWidget*>(widget)) return QAccessible::List;
    if (qobject_cast<const QProgressBar*>(widget)) return QAccessible::ProgressBar;
    return QAccessible::NoRole;  // a kind of control this test does not know yet: it fails
}

QString NameOf(QObject* object) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface == nullptr ? QString() : iface->text(QAccessible::Name);
}

// Every widget that takes the focus (an address field's parts, not the field that hands it on), and
// the progress bar, which takes none but is read out.
void ExpectEveryControlNamedWithItsRole(QWidget* dialog) {
    for (QWidget* widget : dialog->findChildren<QWidget*>()) {
        const bool focusable = widget->focusPolicy() != Qt::NoFocus && widget->focusProxy() == nullptr;
        if (!widget->isVisibleTo(dialog) || !(focusable || qobject_cast<QProgressBar*>(widget))) continue;
        const std::string where =
            (dialog->objectName() + "/" + widget->objectName() + " " + widget->metaObject()->className() +
             " in " + widget->parentWidget()->objectName())
                .toStdString();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(iface, nullptr) << where;
        EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty()) << where;
        EXPECT_EQ(iface->role(), ExpectedRole(widget)) << where;
    }
}

struct Tally {
    int focusable = 0;
    int named = 0;  // by the name its label gives it, or by its own caption where it has one
};

// A control the template names after a label must answer with that name whatever it shows (Qt's
// own drop-down list answers with its entry on Linux); any other focusable control with its own.
Tally CountNamedByTheirLabels(QWidget* dialog) {
    Tally tally;
    for (QWidget* widget : dialog->findChildren<QWidget*>()) {
        const bool focusable = widget->focusPolicy() != Qt::NoFocus && widget->focusProxy() == nullptr;
        if (!widget->isVisibleTo(dialog) || !focusable) continue;
        ++tally.focusable;
        const QString name = NameOf(widget);
        const QString given = widget->accessibleName();
        const bool named = given.isEmpty() ? !name.trimmed().isEmpty() : name == given;
        EXPECT_TRUE(named) << (dialog->objectName() + "/" + widget->objectName() + ": " + name).toStdString();
        tally.named += named ? 1 : 0;
    }
    std::cout << "[ counts   ] " << dialog->objectName().toStdString() << ": focusable " << tally.focusable
              << ", named " << tally.named << "\n";
    return tally;
}

TEST(Accessibility, EveryFocusableControlOfTheFourDialogsHasANameAndTheRoleOfItsKind) {
    horavane::test::FakeNetwork net;
    CVantorDlg main(net.Options(std::chrono::milliseconds(20)));
    ExpectEveryControlNamedWithItsRole(&main);
    horavane::test::TempFolder folder;
    CInputPassword password{PasswordStore(folder.File())};
    ExpectEveryControlNamedWithItsRole(&password);
    CModifyPasswd change{PasswordStore(folder.File())};
    ExpectEveryControlNamedWithItsRole(&change);
    CAboutDlg about;
    ExpectEveryControlNamedWithItsRole(&about);
    for (QWidget* dialog : std::initializer_list<QWidget*>{&password, &change, &about}) {
        const Tally tally = CountNamedByTheirLabels(dialog);
        EXPECT_EQ(tally.named, tally.focusable);
    }

    // Names from the labels beside the controls (an address field's parts after the field).
    const auto part = [&](int id, int index) { return ControlAs<IpAddressEdit>(main, id)->Part(index); };
    const std::pair<QObject*, QString> names[] = {
        {part(ctl::TimeServer1, 1), "Time Server IP 1, part 2 of 4"},
        {part(ctl::Gateway, 3), "Default Gateway, part 4 of 4"},
        {part(ctl::SearchAddress, 0), "Search the Subnet, part 1 of 4"},
        {main.Control(ctl::Format12), "Time Format 12"},
        {main.Control(ctl::DynamicIp), "Dynamic IP"},
        {main.Control(ctl::EnergyFrom), "Energy saving, from"},
        {main.Control(ctl::DstStartWeek), "Start at, week"},
        {main.Control(ctl::ClockList), "Online Clock"},
        {main.Control(ctl::Progress), "Search progress"},
        {password.findChild<QWidget*>("ctl1053"), "Password"},
        {change.findChild<QWidget*>("ctl1054"), "Enter Old Password"},
        {change.findChild<QWidget*>("ctl1056"), "ReEnter New Password"},
    };
    for (const auto& [object, name] : names)
        EXPECT_EQ(NameOf(object), name) << object->objectName().toStdString();
}

// Loaded from a clock, every list shows an entry, every field an address: the names stay those of
// the labels, and each list points to the label it stands beside.
TEST(Accessibility, EveryFocusableControlKeepsItsLabelsNameOnceAClockIsLoaded) {
    horavane::test::FakeNetwork net;
    net.AddClock(Ipv4Address{{127, 0, 0, 2}}, horavane::test::SimulatedClock(0));
    RecordedMessages messages;
    CVantorDlg main(net.Options(std::chrono::milliseconds(20)));
    const Tally before = CountNamedByTheirLabels(&main);
    EXPECT_EQ(before.named, before.focusable);

    main.ListAdd(ctl::ClockList, "127.0.0.2");
    ControlAs<QListWidget>(main, ctl::ClockList)->setCurrentRow(0);
    ASSERT_TRUE(Settled(main));
    ASSERT_EQ(main.GetText(ctl::SerialNumber), "HV-2026-1001");
    for (QComboBox* combo : main.findChildren<QComboBox*>())
        EXPECT_GE(combo->currentIndex(), 0) << combo->objectName().toStdString();
    const Tally after = CountNamedByTheirLabels(&main);
    EXPECT_EQ(after.focusable, before.focusable);
    EXPECT_EQ(after.named, after.focusable);

    const std::pair<int, QString> lists[] = {{ctl::DstStartWeek, "Start at, week"},
                                             {ctl::DstEndHour, "and lasts until, hour"},
                                             {ctl::EnergyFrom, "Energy saving, from"},
                                             {ctl::EnergyTo, "Energy saving, to"},
                                             {ctl::TimeZoneList, "Time Zone"}};
    for (const auto& [id, name] : lists) {
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(main.Control(id));
        EXPECT_EQ(list->text(QAccessible::Name), name) << id;
        EXPECT_EQ(list->text(QAccessible::Value), ControlAs<QComboBox>(main, id)->currentText()) << id;
    }
    for (QComboBox* combo : main.findChildren<QComboBox*>()) {
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(combo);
        const auto labels = list->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1) << combo->objectName().toStdString();
        EXPECT_EQ(labels.front().first->object()->objectName(), combo->property("labelledBy").toString());
    }
    // The label's mnemonic reaches the list it stands beside.
    EXPECT_EQ(main.findChild<QLabel*>("label20")->buddy(), main.Control(ctl::EnergyFrom));

    // An address field is a named group of its parts; only the part it hands the focus to has it.
    QAccessibleInterface* field = QAccessible::queryAccessibleInterface(main.Control(ctl::TimeServer1));
    EXPECT_EQ(field->role(), QAccessible::Grouping);
    EXPECT_EQ(field->text(QAccessible::Name), "Time Server IP 1");
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    main.SetFocus(ctl::TimeServer1);
    EXPECT_FALSE(field->state().focused);
    EXPECT_FALSE(field->state().focusable);
    EXPECT_TRUE(field->child(0) != nullptr);
}

// A read-out value is its own text, described and labelled by its caption.
TEST(Accessibility, ReadOutValuesAreLabelledByTheirCaptionsAndTheStatusLineReadsAsItShows) {
    horavane::test::FakeNetwork net;
    CVantorDlg main(net.Options(std::chrono::milliseconds(20)));
    main.SetText(ctl::SerialNumber, "HV-2026-1002");
    for (const auto& [id, caption] : {std::pair{ctl::SerialNumber, "SN"},
                                      {ctl::SyncStatus, "Sync Status"},
                                      {ctl::CurrentTimeServer, "Current Time Server IP"},
                                      {ctl::MacAddress, "MAC Address"}}) {
        QAccessibleInterface* value = QAccessible::queryAccessibleInterface(main.Control(id));
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->text(QAccessible::Description), caption) << id;
        const auto labels = value->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1) << id;
        EXPECT_EQ(labels.front().first->text(QAccessible::Name).left(static_cast<int>(strlen(caption))),
                  caption)
            << id;
    }
    EXPECT_EQ(NameOf(main.Control(ctl::SerialNumber)), "HV-2026-1002");

    // The status line reads as what it shows. (Qt passes its change event on only while a screen
    // reader is attached, which no test platform here can be.)
    main.SetText(ctl::StatusLine, "Searching");
    EXPECT_EQ(NameOf(main.Control(ctl::StatusLine)), "Searching");
}

}  // namespace
}  // namespace horavane::ui::test
