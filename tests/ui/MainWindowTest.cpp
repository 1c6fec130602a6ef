// The Qt main window: its template and the behaviours that belong to its own controls (tab order,
// radio pairs, lists, Enter and Escape, the about entry, message boxes), on a scripted network; then
// end to end against simulated clocks over real UDP.
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <memory>

#include "settings/Messages.h"
#include "settings/ValueLists.h"
#include "tests/common/ControlsConformance.h"
#include "tests/common/FakeNetwork.h"
#include "tests/common/SimSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CAboutDlg.h"
#include "ui/DialogUnits.h"

namespace horavane::ui::test {
namespace {

using horavane::test::FakeNetwork;
using horavane::test::SimulatedClock;

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() { net_.AddClock(Ipv4Address{{127, 0, 0, 2}}, SimulatedClock(0)); }
    [[nodiscard]] int Queries() const { return static_cast<int>(net_.sent().size()); }

    RecordedMessages messages_;
    FakeNetwork net_;
    CVantorDlg dialog_{net_.Options(std::chrono::milliseconds(20))};
};

// The id of the control that holds the keyboard focus, a part of an address field included.
int FocusedControl() {
    for (QWidget* widget = QApplication::focusWidget(); widget != nullptr; widget = widget->parentWidget()) {
        const QVariant id = widget->property("controlId");
        if (id.isValid()) return id.toInt();
    }
    return 0;
}

TEST_F(MainWindowTest, OpensEmptyAtItsTemplateSizeWithTheValueListsAndTheFocusOnSearch) {
    const DialogUnits units(dialog_.font());
    EXPECT_EQ(dialog_.size(), units.Size(390, 399));
    EXPECT_EQ(dialog_.minimumSize(), dialog_.maximumSize());  // not resizable
    EXPECT_FALSE(dialog_.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dialog_.Control(ctl::ClockList)->geometry(), units.Rect(13, 20, 96, 229));

    // The template holds no entries of its own: every list comes from the value lists.
    const auto entries = [&](int id) {
        std::vector<std::string> texts;
        auto* combo = ControlAs<QComboBox>(dialog_, id);
        for (int i = 0; i < combo->count(); ++i) texts.push_back(combo->itemText(i).toStdString());
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

    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    EXPECT_EQ(dialog_.focusWidget(), dialog_.Control(ctl::SearchButton));
}

TEST_F(MainWindowTest, TabVisitsEveryTabStopInTemplateOrder) {
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
}

TEST_F(MainWindowTest, ControlsBehaveAsTheLogicExpectsAndAClickChoosesOneOfAPair) {
    dialog_.show();
    auto* list = ControlAs<QListWidget>(dialog_, ctl::ClockList);
    horavane::test::ExpectControlsBehaveAsTheLogicExpects(dialog_, [list](int row) {
        const QSignalBlocker noQuery(list);
        list->setCurrentRow(row);
    });
    EXPECT_EQ(Queries(), 0) << "changes the program makes to the list are no selection of the operator's";

    dialog_.SetChecked(ctl::Format12, true);
    Click(dialog_, ctl::Format24);
    Click(dialog_, ctl::Format24);
    EXPECT_TRUE(dialog_.IsChecked(ctl::Format24));
    EXPECT_FALSE(dialog_.IsChecked(ctl::Format12));
    // Dynamic IP greys the four address fields through the logic, keeping their contents.
    dialog_.SetIp(ctl::Gateway, Ipv4Address{{192, 168, 1, 1}});
    Click(dialog_, ctl::DynamicIp);
    EXPECT_FALSE(dialog_.IsEnabled(ctl::Gateway));
    EXPECT_EQ(IpText(dialog_, ctl::Gateway), "192.168.1.1");
    Click(dialog_, ctl::StaticIp);
    EXPECT_TRUE(dialog_.IsEnabled(ctl::Gateway));
    EXPECT_FALSE(dialog_.IsChecked(ctl::DynamicIp));

    dialog_.ListReset(ctl::ClockList);
    dialog_.ListAdd(ctl::ClockList, "127.0.0.2");
    ClickListEntry(dialog_, "127.0.0.2");
    EXPECT_EQ(Queries(), 1);
    EXPECT_EQ(dialog_.GetText(ctl::SerialNumber), "HV-2026-1001");
    EXPECT_TRUE(messages_.all().empty());
}

// The platform's list box has no way to take the selection away; losing it would blank the shown
// clock, with any edits made to it, and leave Modify with no clock to write to.
TEST_F(MainWindowTest, ClicksBesideTheEntriesKeepTheClockAndAClickOnItQueriesItAfresh) {
    dialog_.show();
    for (const char* address : {"127.0.0.2", "127.0.0.3"}) dialog_.ListAdd(ctl::ClockList, address);
    ClickListEntry(dialog_, "127.0.0.2");
    ASSERT_EQ(Queries(), 1);
    dialog_.SetIp(ctl::TimeServer5, Ipv4Address{{10, 0, 0, 9}});  // the operator's edit

    auto* list = ControlAs<QListWidget>(dialog_, ctl::ClockList);
    const QPoint selected = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 5));
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), 0);
    EXPECT_EQ(Queries(), 1);
    EXPECT_EQ(IpText(dialog_, ctl::TimeServer5), "10.0.0.9");

    // Selecting the clock again, Ctrl held or not, reads it afresh and keeps it selected.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, selected);
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), 0);
    EXPECT_EQ(Queries(), 2);
    EXPECT_EQ(IpText(dialog_, ctl::TimeServer5), "");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, selected);
    EXPECT_EQ(Queries(), 3);
}

TEST_F(MainWindowTest, EnterPressesAFocusedButtonSearchesFromTheSearchFieldAndElseDoesNothing) {
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    QTest::keyClick(&dialog_, Qt::Key_Return);  // Search has the focus; its field is blank
    ASSERT_EQ(messages_.all().size(), 1u);
    EXPECT_EQ(messages_.all()[0].text, "Search ip is Error!");
    EXPECT_EQ(messages_.all()[0].kind, MessageKind::Application);
    EXPECT_EQ(messages_.all()[0].title, ProgramTitle());

    // Enter in any other field keeps the window and the operator's edits.
    dialog_.SetIp(ctl::TimeServer1, Ipv4Address{{10, 0, 0, 1}});
    for (int id : {ctl::TimeServer1, ctl::Brightness, ctl::DaylightSaving}) {
        dialog_.SetFocus(id);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_TRUE(dialog_.isVisible()) << id;
    }
    EXPECT_EQ(IpText(dialog_, ctl::TimeServer1), "10.0.0.1");
    EXPECT_EQ(messages_.all().size(), 1u);

    // In the search field it searches, as the button does.
    auto* search = ControlAs<IpAddressEdit>(dialog_, ctl::SearchAddress);
    search->SetAddress(Ipv4Address{{127, 0, 0, 1}});
    search->Part(3)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(dialog_.IsEnabled(ctl::SearchButton));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return dialog_.GetText(ctl::StatusLine) == "Search finished."; }, 5000));
    EXPECT_EQ(ListEntries(dialog_), QStringList{"127.0.0.2"});

    QTest::keyClick(&dialog_, Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.result(), QDialog::Rejected);
}

TEST_F(MainWindowTest, AboutEntryOpensTheAboutBoxAnyNumberOfTimes) {
    QAction* about = dialog_.aboutAction();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(dialog_.contextMenuPolicy(), Qt::ActionsContextMenu);
    dialog_.show();
    dialog_.SetText(ctl::SerialNumber, "HV-1");
    for (int round = 0; round < 2; ++round) {
        bool iconShown = false;
        QTimer::singleShot(0, [&iconShown] {
            auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            iconShown = !box->findChild<QLabel*>("iconLabel")->pixmap().isNull();
            QTest::mouseClick(box->findChild<QPushButton*>("ctl1"), Qt::LeftButton);
        });
        about->trigger();
        EXPECT_TRUE(iconShown) << round;
    }
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(dialog_.GetText(ctl::SerialNumber), "HV-1");
}

TEST(MessageBoxes, CarryTheirIconTitleAndOneOkButtonAndShowTheWholeTitle) {
    struct Seen {
        QMessageBox::Icon icon;
        QString title;
        int buttons;
        int width;
    };
    std::vector<Seen> seen;
    auto closeNextBox = [&seen] {
        QTimer::singleShot(0, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.push_back(
                {box->icon(), box->windowTitle(), static_cast<int>(box->buttons().size()), box->width()});
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
    };
    closeNextBox();
    ShowMessage(nullptr, MessageKind::Application, "Search ip is Error!");
    const QString longTitle = QString("A title far longer than the message under it, ").repeated(2);
    closeNextBox();
    ShowMessage(nullptr, MessageKind::Dialog, "Error.", longTitle);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[0].title, "horavane_ui_tests");
    EXPECT_EQ(seen[0].buttons, 1);
    EXPECT_EQ(seen[1].icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen[1].title, longTitle);
    // Beside the title, the title bar holds the window icon and its buttons.
    const int titleWidth =
        QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(longTitle);
    EXPECT_GE(seen[1].width, titleWidth + 90);
}

// ---- End to end, over real UDP -------------------------------------------------------------------

class MainWindowClockTest : public horavane::test::SimulatorTest {
  protected:
    void StartClocks(int count, std::chrono::milliseconds wait = std::chrono::milliseconds(150)) {
        SimulatorTest::StartClocks(count);
        if (HasFatalFailure()) return;
        dialog_ = std::make_unique<CVantorDlg>(Options(wait));
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
        ControlAs<IpAddressEdit>(*dialog_, ctl::SearchAddress)->SetAddress(Ipv4Address{{127, 0, 0, 1}});
        Click(*dialog_, ctl::SearchButton);
    }
    [[nodiscard]] bool AwaitStatus(std::string_view status, int timeoutMs = 30'000) {
        return QTest::qWaitFor([&] { return dialog_->GetText(ctl::StatusLine) == status; }, timeoutMs);
    }
    void Choose(int id, const char* text) { ControlAs<QComboBox>(*dialog_, id)->setCurrentText(text); }
    [[nodiscard]] int Writes() const { return sim_->RequestsReceived(0, Command::WriteSettings); }

    RecordedMessages messages_;
    std::unique_ptr<CVantorDlg> dialog_;
};

TEST_F(MainWindowClockTest, SearchSelectModifyAndSelectAgainShowsTheNewSettings) {
    StartClocks(12);  // 127.0.0.2 to .13
    EXPECT_FALSE(dialog_->IsEnabled(ctl::SearchButton));
    ASSERT_TRUE(AwaitStatus(msg::kSearching, 2000));
    EXPECT_FALSE(dialog_->IsEnabled(ctl::ClockList));
    ASSERT_TRUE(AwaitStatus(msg::kSearchFinished));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->SearchRunning(); }, 1000));
    EXPECT_EQ(ListEntries(*dialog_),
              (QStringList{"127.0.0.10", "127.0.0.11", "127.0.0.12", "127.0.0.13", "127.0.0.2", "127.0.0.3",
                           "127.0.0.4", "127.0.0.5", "127.0.0.6", "127.0.0.7", "127.0.0.8", "127.0.0.9"}));
    EXPECT_TRUE(dialog_->IsEnabled(ctl::SearchButton));
    EXPECT_EQ(ControlAs<QProgressBar>(*dialog_, ctl::Progress)->value(), 254);

    ClickListEntry(*dialog_, "127.0.0.2");
    EXPECT_EQ(dialog_->GetText(ctl::SerialNumber), "HV-2026-1001");
    EXPECT_EQ(dialog_->GetText(ctl::TimeZoneList), "UTC +1");
    EXPECT_EQ(IpText(*dialog_, ctl::IpAddress), "192.168.1.100");

    // A refused press shows its message and moves the focus; nothing goes out.
    Choose(ctl::EnergyFrom, "7");
    Choose(ctl::EnergyTo, "7");
    Click(*dialog_, ctl::ModifyButton);
    ASSERT_EQ(messages_.all().size(), 1u);
    EXPECT_EQ(messages_.all()[0].text, QString::fromUtf8(msg::kEnergySavingSame.data()));
    EXPECT_EQ(messages_.all()[0].kind, MessageKind::Dialog);
    EXPECT_EQ(dialog_->focusWidget(), dialog_->Control(ctl::EnergyFrom));

    Choose(ctl::TimeZoneList, "UTC +9:30");
    Choose(ctl::DstStartMonth, "Apr");
    Click(*dialog_, ctl::ModifyButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Writes() == 1; }, 2000));

    // Select another clock with the keyboard and come back: the first clock is queried afresh.
    auto* list = ControlAs<QListWidget>(*dialog_, ctl::ClockList);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(dialog_->GetText(ctl::ClockList), "127.0.0.3");
    EXPECT_EQ(dialog_->GetText(ctl::TimeZoneList), "UTC +1");
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(dialog_->GetText(ctl::TimeZoneText), "GMT +9:30");
    EXPECT_EQ(dialog_->GetText(ctl::DstStartMonth), "Apr");
    EXPECT_EQ(dialog_->GetText(ctl::EnergyFrom), "0");
    EXPECT_EQ(messages_.all().size(), 1u);
}

TEST_F(MainWindowClockTest, ClosingInTheMiddleOfASearchEndsItAtOnce) {
    StartClocks(3, std::chrono::milliseconds(1000));  // the product's wait: closing must not sit it out
    ASSERT_TRUE(AwaitStatus(msg::kSearching, 2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ListEntries(*dialog_).size() == 3; }, 2000));
    ASSERT_TRUE(dialog_->SearchRunning());

    QElapsedTimer closing;
    closing.start();
    dialog_->close();
    EXPECT_LT(closing.elapsed(), 1000);
    EXPECT_FALSE(dialog_->SearchRunning());

    // Nothing is sent and nothing in the window changes after the close.
    const int requests = sim_->RequestsReceived(2, Command::Search);
    const QStringList listed = ListEntries(*dialog_);
    QTest::qWait(300);
    EXPECT_EQ(sim_->RequestsReceived(2, Command::Search), requests);
    EXPECT_EQ(ListEntries(*dialog_), listed);
    EXPECT_EQ(dialog_->GetText(ctl::StatusLine), msg::kSearching);
}

}  // namespace
}  // namespace horavane::ui::test
