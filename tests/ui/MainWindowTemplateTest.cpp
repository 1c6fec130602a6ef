// The window as the template and its initialisation leave it, and the behaviours that belong to the
// window itself: radio pairs, drop-down and list semantics, Enter and Escape, the about entry and
// the message boxes.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "settings/ValueLists.h"
#include "tests/common/SimSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CAboutDlg.h"
#include "ui/DialogUnits.h"

namespace horavane::ui::test {
namespace {

// One simulated clock answers whatever the tests select, so that no query leaves loopback.
std::unique_ptr<sim::ClockSimulator> StartedSimulator() {
    sim::SimulatorOptions options;
    options.port = 0;
    auto simulator = std::make_unique<sim::ClockSimulator>(options);
    EXPECT_TRUE(simulator->Start());
    return simulator;
}

class MainWindowTemplateTest : public ::testing::Test {
  protected:
    std::unique_ptr<sim::ClockSimulator> sim_ = StartedSimulator();
    CVantorDlg dialog_{horavane::test::OptionsFor(sim_->port())};
};

TEST_F(MainWindowTemplateTest, GeometryFollowsTheDialogUnitsOfTheFont) {
    const DialogUnits units(dialog_.font());
    EXPECT_EQ(dialog_.size(), units.Size(390, 399));
    EXPECT_EQ(dialog_.minimumSize(), dialog_.maximumSize());  // not resizable
    EXPECT_TRUE(dialog_.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog_.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dialog_.Control(ctl::ClockList)->geometry(), units.Rect(13, 20, 96, 229));
    EXPECT_EQ(dialog_.Control(ctl::ModifyButton)->geometry(), units.Rect(278, 360, 72, 18));
    // A drop-down list's template height is its open extent; closed, it is as tall as its font needs.
    const QRect zone = dialog_.Control(ctl::TimeZoneList)->geometry();
    EXPECT_EQ(zone.topLeft(), units.Rect(230, 284, 87, 267).topLeft());
    EXPECT_LT(zone.height(), units.Y(30));
}

// The value lists fill every drop-down list; the template holds none of its own.
TEST_F(MainWindowTemplateTest, StartsEmptyWithTheValueListsAndTheFocusOnSearch) {
    const auto entries = [&](int id) {
        std::vector<std::string> texts;
        for (int i = 0; i < dialog_.ComboCount(id); ++i) {
            dialog_.ComboSelect(id, i);
            texts.push_back(dialog_.GetText(id));
        }
        dialog_.ComboSelect(id, -1);
        return texts;
    };
    const auto listed = [](const auto& list) { return std::vector<std::string>(list.begin(), list.end()); };
    EXPECT_EQ(entries(ctl::TimeZoneList), listed(lists::kTimeZones));
    EXPECT_EQ(entries(ctl::EnergyFrom), listed(lists::kHours));
    EXPECT_EQ(entries(ctl::EnergyTo), listed(lists::kHours));
    EXPECT_EQ(entries(ctl::Brightness), listed(lists::kBrightness));
    EXPECT_EQ(entries(ctl::DstStartMonth), listed(lists::kMonths));
    for (QComboBox* combo : dialog_.findChildren<QComboBox*>())
        EXPECT_EQ(combo->currentIndex(), -1) << combo->objectName().toStdString();
    for (int id : {1008, 1009, 1010, 1011, 1030}) EXPECT_FALSE(dialog_.IsChecked(id)) << id;
    for (int id = 1013; id <= 1021; ++id) EXPECT_TRUE(dialog_.GetIp(id).IsBlank()) << id;
    EXPECT_EQ(ListEntries(dialog_), QStringList());

    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    EXPECT_EQ(dialog_.focusWidget(), dialog_.Control(ctl::SearchButton));
}

// The id of the control that holds the keyboard focus, a part of an address field included.
int FocusedControl() {
    for (QWidget* widget = QApplication::focusWidget(); widget != nullptr; widget = widget->parentWidget()) {
        const QVariant id = widget->property("controlId");
        if (id.isValid()) return id.toInt();
    }
    return 0;
}

TEST_F(MainWindowTemplateTest, TabVisitsEveryTabStopInTemplateOrder) {
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    const std::vector<int> tabStops = {1002, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019,
                                       1020, 1021, 1025, 1030, 1031, 1032, 1041, 1033, 1037,
                                       1038, 1034, 1040, 1045, 1048, 1049, 1050, 1055, 1002};
    std::vector<int> visited = {FocusedControl()};
    for (std::size_t step = 1; step < tabStops.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(FocusedControl());
    }
    EXPECT_EQ(visited, tabStops);

    // Backwards from the third part of an address field leaves the field, as forwards does.
    ControlAs<IpAddressEdit>(dialog_, ctl::IpAddress)->Part(2)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(FocusedControl(), ctl::TimeServer5);
    ControlAs<IpAddressEdit>(dialog_, ctl::IpAddress)->Part(2)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(FocusedControl(), ctl::SubnetMask);
}

TEST_F(MainWindowTemplateTest, RadioPairsObeyTheLogicAndAClickChoosesOne) {
    dialog_.show();
    dialog_.SetChecked(ctl::Format12, true);
    dialog_.SetChecked(ctl::Format12, false);
    EXPECT_FALSE(dialog_.IsChecked(ctl::Format12));
    EXPECT_FALSE(dialog_.IsChecked(ctl::Format24));

    dialog_.SetChecked(ctl::Format12, true);
    Click(dialog_, ctl::Format24);
    EXPECT_TRUE(dialog_.IsChecked(ctl::Format24));
    EXPECT_FALSE(dialog_.IsChecked(ctl::Format12));
    Click(dialog_, ctl::Format24);  // a second click leaves it chosen
    EXPECT_TRUE(dialog_.IsChecked(ctl::Format24));
}

TEST_F(MainWindowTemplateTest, DropDownListsSelectOnlyWhatTheyAreTold) {
    dialog_.ComboReset(ctl::DstStartWeek);
    dialog_.ComboAdd(ctl::DstStartWeek, "First");
    dialog_.ComboAdd(ctl::DstStartWeek, "Second");
    EXPECT_EQ(dialog_.ComboSelectedIndex(ctl::DstStartWeek), -1);
    EXPECT_EQ(dialog_.GetText(ctl::DstStartWeek), "");
    EXPECT_EQ(dialog_.ComboFindExact(ctl::DstStartWeek, "SECOND"), 1);
    EXPECT_EQ(dialog_.ComboFindExact(ctl::DstStartWeek, "Sec"), -1);
    dialog_.ComboSelect(ctl::DstStartWeek, 1);
    EXPECT_EQ(dialog_.GetText(ctl::DstStartWeek), "Second");
    dialog_.ComboSelect(ctl::DstStartWeek, 2);
    EXPECT_EQ(dialog_.ComboSelectedIndex(ctl::DstStartWeek), -1);
    EXPECT_EQ(dialog_.GetText(ctl::DstStartWeek), "");
}

TEST_F(MainWindowTemplateTest, ClockListKeepsTextOrderAndOnlyTheOperatorsSelectionRunsAQuery) {
    RecordedMessages messages;
    dialog_.show();
    for (const char* address : {"127.0.0.9", "127.0.0.10", "127.0.0.2", "127.0.0.12"})
        dialog_.ListAdd(ctl::ClockList, address);
    EXPECT_EQ(ListEntries(dialog_), (QStringList{"127.0.0.10", "127.0.0.12", "127.0.0.2", "127.0.0.9"}));
    EXPECT_EQ(dialog_.ListFindExact(ctl::ClockList, "127.0.0.2"), 2);
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), -1);

    ClickListEntry(dialog_, "127.0.0.2");
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), 2);
    EXPECT_EQ(sim_->RequestsReceived(0, Command::QueryStatus), 1);
    EXPECT_FALSE(dialog_.GetText(ctl::SerialNumber).empty());
    // A search empties and refills the list; that is no selection of the operator's.
    dialog_.ListReset(ctl::ClockList);
    dialog_.ListAdd(ctl::ClockList, "127.0.0.2");
    EXPECT_EQ(ListEntries(dialog_), QStringList{"127.0.0.2"});
    EXPECT_EQ(sim_->RequestsReceived(0, Command::QueryStatus), 1);
    EXPECT_TRUE(messages.all().empty());
}

// The platform's list box has no way to take the selection away; losing it would blank the shown
// clock, with any edits made to it, and leave Modify with no clock to write to.
TEST_F(MainWindowTemplateTest, ClicksBesideTheEntriesKeepTheClockAndAClickOnItQueriesItAfresh) {
    RecordedMessages messages;
    dialog_.show();
    for (const char* address : {"127.0.0.2", "127.0.0.3"}) dialog_.ListAdd(ctl::ClockList, address);
    ClickListEntry(dialog_, "127.0.0.2");  // the simulated clock
    ASSERT_EQ(sim_->RequestsReceived(0, Command::QueryStatus), 1);
    dialog_.SetIp(ctl::TimeServer5, Ipv4Address{{10, 0, 0, 9}});  // the operator's edit

    auto* list = ControlAs<QListWidget>(dialog_, ctl::ClockList);
    const QPoint selected = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 5));
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), 0);
    EXPECT_EQ(sim_->RequestsReceived(0, Command::QueryStatus), 1);
    EXPECT_EQ(IpText(dialog_, ctl::TimeServer5), "10.0.0.9");

    // Selecting the clock again, Ctrl held or not, reads it afresh and keeps it selected.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, selected);
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), 0);
    EXPECT_EQ(sim_->RequestsReceived(0, Command::QueryStatus), 2);
    EXPECT_EQ(IpText(dialog_, ctl::TimeServer5), "");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, selected);
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), 0);
    EXPECT_EQ(sim_->RequestsReceived(0, Command::QueryStatus), 3);
    EXPECT_TRUE(messages.all().empty());
}

TEST_F(MainWindowTemplateTest, EnterPressesAFocusedButtonSearchesFromTheSearchFieldAndElseDoesNothing) {
    RecordedMessages messages;
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    QTest::keyClick(&dialog_, Qt::Key_Return);  // Search has the focus; its field is blank
    ASSERT_EQ(messages.all().size(), 1u);
    EXPECT_EQ(messages.all()[0].text, "Search ip is Error!");
    EXPECT_EQ(messages.all()[0].kind, MessageKind::Application);
    EXPECT_EQ(messages.all()[0].title, ProgramTitle());
    EXPECT_TRUE(dialog_.isVisible());

    // Enter in any other field keeps the window and the operator's edits.
    dialog_.SetIp(ctl::TimeServer1, Ipv4Address{{10, 0, 0, 1}});
    for (int id : {ctl::TimeServer1, ctl::Brightness, ctl::DaylightSaving}) {
        dialog_.SetFocus(id);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_TRUE(dialog_.isVisible()) << id;
    }
    EXPECT_EQ(IpText(dialog_, ctl::TimeServer1), "10.0.0.1");
    EXPECT_EQ(messages.all().size(), 1u);

    // In the search field it searches, as the button does.
    auto* search = ControlAs<IpAddressEdit>(dialog_, ctl::SearchAddress);
    search->SetAddress(Ipv4Address{{127, 0, 0, 1}});
    search->Part(3)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(dialog_.IsEnabled(ctl::SearchButton));
    EXPECT_TRUE(dialog_.SearchRunning() || dialog_.GetText(ctl::StatusLine) == "Search finished.");

    QTest::keyClick(&dialog_, Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.result(), QDialog::Rejected);
}

// Closes the about box that `about` opens once it is showing.
// Returns whether the box showed its icon, which comes from the program's resources.
bool OpenAndCloseAbout(QAction* about) {
    bool iconShown = false;
    QTimer::singleShot(0, [&iconShown] {
        auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        iconShown = !box->findChild<QLabel*>("iconLabel")->pixmap().isNull();
        QTest::mouseClick(box->findChild<QPushButton*>("ctl1"), Qt::LeftButton);
    });
    about->trigger();
    return iconShown;
}

TEST_F(MainWindowTemplateTest, AboutEntryOpensTheAboutBoxAnyNumberOfTimes) {
    QAction* about = dialog_.aboutAction();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(dialog_.actions().contains(about));
    EXPECT_EQ(dialog_.contextMenuPolicy(), Qt::ActionsContextMenu);

    dialog_.show();
    dialog_.SetText(ctl::SerialNumber, "HV-1");
    for (int round = 0; round < 2; ++round) EXPECT_TRUE(OpenAndCloseAbout(about)) << round;
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(dialog_.GetText(ctl::SerialNumber), "HV-1");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MessageBoxesTest, BoxesCarryTheirIconTitleAndOneOkButton) {
    struct Seen {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        int buttons;
    };
    std::vector<Seen> seen;
    auto closeNextBox = [&seen] {
        QTimer::singleShot(0, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.push_back(
                {box->icon(), box->windowTitle(), box->text(), static_cast<int>(box->buttons().size())});
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
    };
    closeNextBox();
    ShowMessage(nullptr, MessageKind::Application, "Search ip is Error!");
    closeNextBox();
    ShowMessage(nullptr, MessageKind::Dialog, "224 is not a valid entry.", "ERROR");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[0].title, "horavane_ui_tests");
    EXPECT_EQ(seen[0].buttons, 1);
    EXPECT_EQ(seen[1].icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen[1].title, "ERROR");
    EXPECT_EQ(seen[1].text, "224 is not a valid entry.");
}

}  // namespace
}  // namespace horavane::ui::test
