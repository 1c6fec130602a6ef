// The Qt main window: what it adds to the logic (tested in tests/dialog): its template, its controls,
// keys and focus, the search's own thread, on a scripted network; then a close in the middle of a
// search of simulated clocks over real UDP.
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyleOptionButton>
#include <QTimer>
#include <atomic>
#include <thread>

#include "dialog/ClockDisplay.h"
#include "dialog/InMemoryControls.h"
#include "fleet/JournalWriteRecorder.h"
#include "settings/Messages.h"
#include "tests/common/ControlsConformance.h"
#include "tests/common/FakeNetwork.h"
#include "tests/common/SimSupport.h"
#include "tests/common/TempFolder.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CAboutDlg.h"
#include "ui/DialogUnits.h"

namespace horavane::ui::test {
namespace {

using horavane::test::FakeNetwork;
using horavane::test::SimulatedClock;

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        net_.AddClock(Ipv4Address{{127, 0, 0, 2}}, SimulatedClock(0));
        net_.AddClock(Ipv4Address{{127, 0, 0, 3}}, SimulatedClock(1));
    }
    [[nodiscard]] int Queries() const { return static_cast<int>(net_.sent().size()); }

    RecordedMessages messages_;
    FakeNetwork net_;
    CVantorDlg dialog_{net_.Options(std::chrono::milliseconds(20))};
};

TEST_F(MainWindowTest, OpensEmptyAtItsTemplateSizeWithTheValueListsAndTheFocusOnSearchThenTabsInOrder) {
    const DialogUnits units(dialog_.font());
    EXPECT_EQ(dialog_.size(), units.Size(390, 399));
    EXPECT_EQ(dialog_.minimumSize(), dialog_.maximumSize());  // not resizable
    EXPECT_FALSE(dialog_.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dialog_.Control(ctl::ClockList)->geometry(), units.Rect(13, 20, 96, 229));

    // The template adds no entries: each list holds what the logic fills in, nothing selected.
    InMemoryControls lists;
    FillDialogLists(lists);
    for (QComboBox* combo : dialog_.findChildren<QComboBox*>()) {
        const int id = combo->objectName().mid(3).toInt();
        std::vector<std::string> entries;
        for (int i = 0; i < combo->count(); ++i) entries.push_back(combo->itemText(i).toStdString());
        EXPECT_EQ(entries, lists.ComboEntries(id)) << id;
        EXPECT_EQ(combo->currentIndex(), -1) << id;
    }
    for (int id : {1008, 1009, 1010, 1011, 1030}) EXPECT_FALSE(dialog_.IsChecked(id)) << id;
    for (int id = 1013; id <= 1021; ++id) EXPECT_TRUE(dialog_.GetIp(id).IsBlank()) << id;

    // Search has the focus, and Tab visits every tab stop in template order from there.
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    QStyleOptionButton drawn;
    drawn.initFrom(dialog_.Control(ctl::SearchButton));
    EXPECT_TRUE(drawn.state.testFlag(QStyle::State_HasFocus));
    EXPECT_TRUE(drawn.state.testFlag(QStyle::State_KeyboardFocusChange))
        << "the focus is drawn before the first Tab";
    const std::vector<int> tabStops = {1002, 1008, 1010, 1012, 1013, 1014, 1015, 1016, 1017, 1018,
                                       1019, 1020, 1021, 1025, 1030, 1031, 1032, 1041, 1033, 1037,
                                       1038, 1034, 1040, 1045, 1048, 1049, 1050, 1055, 1002};
    // An address field has the focus when one of its parts has it.
    for (int id : tabStops) {
        EXPECT_TRUE(dialog_.Control(id)->hasFocus()) << id;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // Backwards from the third part of an address field leaves the field, as forwards does.
    ControlAs<IpAddressEdit>(dialog_, ctl::IpAddress)->Part(2)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_TRUE(dialog_.Control(ctl::TimeServer5)->hasFocus());
}

// The platform's list box has no way to take the selection away; losing it would blank the shown
// clock, with any edits made to it, and leave Modify with no clock to write to.
TEST_F(MainWindowTest, ControlsBehaveAsTheLogicExpectsAndClicksReachIt) {
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

    dialog_.ListReset(ctl::ClockList);
    for (const char* address : {"127.0.0.2", "127.0.0.3"}) dialog_.ListAdd(ctl::ClockList, address);
    const QPoint selected = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, selected);
    ASSERT_TRUE(Settled(dialog_));
    ASSERT_EQ(Queries(), 1);
    dialog_.SetIp(ctl::TimeServer5, Ipv4Address{{10, 0, 0, 9}});  // the operator's edit

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 5));
    ASSERT_TRUE(Settled(dialog_));
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), 0);
    EXPECT_EQ(Queries(), 1);
    EXPECT_EQ(dialog_.GetIp(ctl::TimeServer5), IpFieldValue::From(Ipv4Address{{10, 0, 0, 9}}));

    // Selecting the clock again, Ctrl held or not, reads it afresh and keeps it selected.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, selected);
    ASSERT_TRUE(Settled(dialog_));
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), 0);
    EXPECT_EQ(Queries(), 2);
    EXPECT_TRUE(dialog_.GetIp(ctl::TimeServer5).IsBlank());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, selected);
    ASSERT_TRUE(Settled(dialog_));
    EXPECT_EQ(Queries(), 3);
    EXPECT_TRUE(messages_.all.empty());
}

TEST_F(MainWindowTest, EnterSearchesFromTheSearchFieldOnlyAndTheKeysReachTheFoundClocks) {
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    QTest::keyClick(&dialog_, Qt::Key_Return);  // Search has the focus; its field is blank
    EXPECT_EQ(messages_.Texts(), Only(msg::kSearchIpError));
    EXPECT_EQ(messages_.all.at(0).kind, MessageKind::Application);

    // Enter in any other field keeps the window and the operator's edits.
    dialog_.SetIp(ctl::TimeServer1, Ipv4Address{{10, 0, 0, 1}});
    for (int id : {ctl::TimeServer1, ctl::Brightness, ctl::DaylightSaving}) {
        dialog_.SetFocus(id);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_TRUE(dialog_.isVisible()) << id;
    }
    EXPECT_EQ(dialog_.GetIp(ctl::TimeServer1), IpFieldValue::From(Ipv4Address{{10, 0, 0, 1}}));

    // In a part of the search field it searches, on the search's own thread, reporting here.
    auto* search = ControlAs<IpAddressEdit>(dialog_, ctl::SearchAddress);
    search->SetAddress(Ipv4Address{{127, 0, 0, 1}});
    search->Part(3)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(dialog_.IsEnabled(ctl::SearchButton));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_.SearchRunning(); }, 5000));
    EXPECT_EQ(dialog_.GetText(ctl::StatusLine), msg::kSearchFinished);
    EXPECT_EQ(ControlAs<QProgressBar>(dialog_, ctl::Progress)->value(), 254);

    auto* list = ControlAs<QListWidget>(dialog_, ctl::ClockList);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    ASSERT_TRUE(Settled(dialog_));
    EXPECT_EQ(dialog_.GetText(ctl::SerialNumber), "HV-2026-1002");
}

// The window's Modify reaches the journal it is given.
TEST_F(MainWindowTest, ModifyLeavesItsRecordInTheJournalOfWrites) {
    const horavane::test::TempFolder folder;
    const WriteJournal journal(folder.File("journal.jsonl"));
    dialog_.RecordWritesWith(std::make_unique<JournalWriteRecorder>(journal));
    dialog_.show();
    dialog_.ListAdd(ctl::ClockList, "127.0.0.2");
    ControlAs<QListWidget>(dialog_, ctl::ClockList)->setCurrentRow(0);
    ASSERT_TRUE(Settled(dialog_));
    dialog_.ComboSelect(ctl::Brightness, dialog_.ComboFindExact(ctl::Brightness, "Dim"));
    Click(dialog_, ctl::ModifyButton);
    ASSERT_TRUE(Settled(dialog_));
    ASSERT_EQ(Queries(), 2);
    std::string error;
    const auto contents = journal.Read(std::nullopt, error);
    ASSERT_TRUE(contents) << error;
    ASSERT_EQ(contents->records.size(), 1u);
    EXPECT_EQ(contents->records[0].before["brightness"], "Normal");
    EXPECT_EQ(contents->records[0].written["brightness"], "Dim");
}

// Each radio pair is one tab stop: the arrows move inside it and choose, as a click does, and Tab
// leaves it from either button. Tabbing through chooses nothing.
TEST_F(MainWindowTest, ArrowsChooseInsideARadioPairAndTabPassesThroughItChoosingNothing) {
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::Format12));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::StaticIp));
    for (int id : {ctl::Format12, ctl::Format24, ctl::StaticIp, ctl::DynamicIp})
        EXPECT_FALSE(dialog_.IsChecked(id)) << id;
    EXPECT_TRUE(dialog_.IsEnabled(ctl::Gateway));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::DynamicIp));
    EXPECT_TRUE(dialog_.IsChecked(ctl::DynamicIp));
    EXPECT_FALSE(dialog_.IsEnabled(ctl::Gateway)) << "the handler of a click ran";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_TRUE(dialog_.IsChecked(ctl::StaticIp));
    EXPECT_FALSE(dialog_.IsChecked(ctl::DynamicIp));
    EXPECT_TRUE(dialog_.IsEnabled(ctl::Gateway));

    dialog_.SetFocus(ctl::Format24);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_TRUE(dialog_.IsChecked(ctl::Format12));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_TRUE(dialog_.IsChecked(ctl::Format24));
    EXPECT_FALSE(dialog_.IsChecked(ctl::Format12));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::StaticIp));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::SearchButton));
}

// Tab reaches a pair at its chosen button, and at its first while neither is chosen: after a search
// too, which clears both pairs. The first arrow in a list without a selection picks its first clock.
TEST_F(MainWindowTest, TabReachesEachPairAtItsChosenButtonAndTheFirstArrowPicksTheFirstClock) {
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    dialog_.SetChecked(ctl::Format24, true);
    dialog_.SetChecked(ctl::DynamicIp, true);
    dialog_.SetFocus(ctl::SearchButton);
    for (int id : {ctl::Format24, ctl::DynamicIp, ctl::ModifyButton}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(id)) << id;
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::DynamicIp));

    ControlAs<IpAddressEdit>(dialog_, ctl::SearchAddress)->SetAddress(Ipv4Address{{127, 0, 0, 1}});
    Click(dialog_, ctl::SearchButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_.SearchRunning(); }, 5000));
    dialog_.SetFocus(ctl::SearchButton);
    for (int id : {ctl::Format12, ctl::StaticIp, ctl::ModifyButton}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(id)) << id << " after a search";
    }
    for (int id : {ctl::Format12, ctl::Format24, ctl::StaticIp, ctl::DynamicIp})
        EXPECT_FALSE(dialog_.IsChecked(id)) << id << ": tabbing through the pairs chose nothing";

    dialog_.SetFocus(ctl::ClockList);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), 0);
    ASSERT_TRUE(Settled(dialog_));
    EXPECT_EQ(dialog_.GetText(ctl::SerialNumber), "HV-2026-1001");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(dialog_.ListSelectedIndex(ctl::ClockList), 1);
    ASSERT_TRUE(Settled(dialog_));
}

// The message names no field; the focus does: it goes to the first field the checks refused.
TEST_F(MainWindowTest, ARefusedAddressPutsTheFocusInTheRefusedField) {
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    dialog_.ListAdd(ctl::ClockList, "127.0.0.2");
    ControlAs<QListWidget>(dialog_, ctl::ClockList)->setCurrentRow(0);
    ASSERT_TRUE(Settled(dialog_));
    const int queries = Queries();
    for (const auto& [id, text] : {std::pair{ctl::TimeServer1 + 2, "10..3."},
                                   {ctl::Gateway, "10.0.0"},
                                   {ctl::DnsServer, "127.0.0.1"}}) {
        const IpFieldValue kept = dialog_.GetIp(id);
        dialog_.SetText(id, text);
        dialog_.SetFocus(ctl::ModifyButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        ASSERT_TRUE(Settled(dialog_));
        EXPECT_EQ(QApplication::focusWidget(), ControlAs<IpAddressEdit>(dialog_, id)->Part(0))
            << id << " " << QApplication::focusWidget()->objectName().toStdString() << " in "
            << QApplication::focusWidget()->parentWidget()->objectName().toStdString();
        kept.IsBlank() ? dialog_.ClearIp(id) : dialog_.SetIp(id, kept.Address());
    }
    EXPECT_EQ(messages_.Texts(),
              (std::vector<QString>{Only(msg::kIncompleteAddress)[0], Only(msg::kIncompleteAddress)[0],
                                    Only(msg::kLoopback)[0]}));
    EXPECT_EQ(Queries(), queries) << "nothing was sent";
}

// A clock is read beside the window: while it has not answered, the window takes keys, runs its
// timers and ends on Escape; what the clock sends is shown once it comes.
TEST_F(MainWindowTest, TheWindowAnswersTheOperatorWhileAClockIsRead) {
    std::atomic<bool> asked{false};
    std::atomic<bool> release{false};
    const auto slowClock = [&, answer = SimulatedClock(0)](const horavane::test::Bytes& datagram) {
        asked = true;
        for (int waited = 0; !release && waited < 5000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return answer(datagram);
    };
    net_.AddClock(Ipv4Address{{127, 0, 0, 5}}, slowClock);
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    dialog_.ListAdd(ctl::ClockList, "127.0.0.5");
    ControlAs<QListWidget>(dialog_, ctl::ClockList)->setCurrentRow(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked.load(); }, 5000));

    bool timerRan = false;
    QTimer::singleShot(0, [&timerRan] { timerRan = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return timerRan; }, 1000));
    auto* search = ControlAs<IpAddressEdit>(dialog_, ctl::SearchAddress);
    QTest::keyClicks(search->Part(0), "127");
    EXPECT_EQ(search->Part(0)->text(), "127");
    EXPECT_TRUE(dialog_.ExchangeRunning()) << "the clock has not answered yet";
    // A click that acts waits for the read, and then takes effect over what the clock sent.
    Click(dialog_, ctl::DynamicIp);
    EXPECT_TRUE(dialog_.IsEnabled(ctl::Gateway)) << "not before the read is over";
    release = true;
    ASSERT_TRUE(Settled(dialog_));
    EXPECT_EQ(dialog_.GetText(ctl::SerialNumber), "HV-2026-1001");
    EXPECT_TRUE(dialog_.IsChecked(ctl::DynamicIp));
    EXPECT_FALSE(dialog_.IsChecked(ctl::StaticIp));
    EXPECT_FALSE(dialog_.IsEnabled(ctl::Gateway));

    // Escape in the middle of the next read ends the window there and then.
    asked = false;
    release = false;
    QTest::mouseClick(ControlAs<QListWidget>(dialog_, ctl::ClockList)->viewport(), Qt::LeftButton, {},
                      ControlAs<QListWidget>(dialog_, ctl::ClockList)
                          ->visualItemRect(ControlAs<QListWidget>(dialog_, ctl::ClockList)->item(0))
                          .center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked.load(); }, 5000));
    std::thread releaser([&release] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        release = true;
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_FALSE(dialog_.ExchangeRunning());
    releaser.join();
}

// Search goes grey the moment it is pressed: the focus waits on the next tab stop past the radio
// buttons, where Enter and Escape keep working, and comes back when the search is over. Pressed
// before the window first shows (as the screenshot tool presses it) too.
TEST_F(MainWindowTest, TheFocusLeavesADisabledControlForTheNextTabStopAndComesBack) {
    ControlAs<IpAddressEdit>(dialog_, ctl::SearchAddress)->SetAddress(Ipv4Address{{127, 0, 0, 1}});
    QWidget* search = dialog_.Control(ctl::SearchButton);
    ControlAs<QPushButton>(dialog_, ctl::SearchButton)->click();
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::ModifyButton)) << "past the radio buttons";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // presses Modify: refused, blank
    ASSERT_TRUE(Settled(dialog_));
    ASSERT_EQ(messages_.all.size(), 1U);
    EXPECT_EQ(messages_.all[0].kind, MessageKind::Dialog);
    EXPECT_TRUE(dialog_.isVisible());
    QWidget* refused = ControlAs<IpAddressEdit>(dialog_, ctl::TimeServer1)->Part(0);
    EXPECT_EQ(QApplication::focusWidget(), refused) << "no time server given";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_.SearchRunning(); }, 5000));
    EXPECT_EQ(QApplication::focusWidget(), refused) << "where the refusal put it";

    // Left where it went, the focus comes back to Search.
    dialog_.SetFocus(ctl::SearchButton);
    QTest::keyClick(search, Qt::Key_Return);
    ASSERT_FALSE(dialog_.IsEnabled(ctl::SearchButton));
    EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::ModifyButton));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_.SearchRunning(); }, 5000));
    EXPECT_EQ(QApplication::focusWidget(), search);

    // Moved on by the operator meanwhile, the focus stays where the operator put it.
    QTest::keyClick(search, Qt::Key_Return);
    ASSERT_FALSE(dialog_.IsEnabled(ctl::SearchButton));
    EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::ModifyButton));
    dialog_.SetFocus(ctl::Brightness);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_.SearchRunning(); }, 5000));
    EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::Brightness));

    // The list the operator is in goes grey too; the focus goes on and comes back.
    dialog_.SetFocus(ctl::ClockList);
    dialog_.Enable(ctl::ClockList, false);
    EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::DaylightSaving));
    dialog_.Enable(ctl::ClockList, true);
    EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(ctl::ClockList));

    // Escape ends the window in the middle of a search.
    dialog_.SetFocus(ctl::SearchButton);
    QTest::keyClick(search, Qt::Key_Return);
    ASSERT_TRUE(dialog_.SearchRunning());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_FALSE(dialog_.SearchRunning());
}

// The box is built afresh each time the entry is chosen.
TEST_F(MainWindowTest, AboutEntryOpensTheAboutBoxWithItsIcon) {
    QAction* about = dialog_.aboutAction();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(dialog_.contextMenuPolicy(), Qt::ActionsContextMenu);
    dialog_.show();
    bool iconShown = false;
    QTimer::singleShot(0, [&iconShown] {
        auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        iconShown = !box->findChild<QLabel*>("iconLabel")->pixmap().isNull();
        QTest::mouseClick(box->findChild<QPushButton*>("ctl1"), Qt::LeftButton);
    });
    about->trigger();
    EXPECT_TRUE(iconShown);
    EXPECT_TRUE(dialog_.isVisible());
}

TEST(MessageBoxes, CarryTheirIconTitleAndOneOkButtonAndShowTheWholeTitle) {
    const auto expectNextBox = [](QMessageBox::Icon icon, const QString& title) {
        QTimer::singleShot(0, [icon, title] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->icon(), icon);
            EXPECT_EQ(box->windowTitle(), title);
            EXPECT_EQ(box->buttons().size(), 1);
            // Beside the title, the title bar holds the window icon and its buttons.
            const QFontMetrics titleBar(QApplication::font("QMdiSubWindowTitleBar"));
            EXPECT_GE(box->width(), titleBar.horizontalAdvance(title) + 90);
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
    };
    expectNextBox(QMessageBox::Warning, "horavane_ui_tests");
    ShowMessage(nullptr, MessageKind::Application, "Search ip is Error!");
    const QString longTitle = QString("A title far longer than the message under it, ").repeated(2);
    expectNextBox(QMessageBox::NoIcon, longTitle);
    ShowMessage(nullptr, MessageKind::Dialog, "Error.", longTitle);
}

// ---- End to end, over real UDP -------------------------------------------------------------------

using MainWindowClockTest = horavane::test::SimulatorTest;

TEST_F(MainWindowClockTest, ClosingInTheMiddleOfASearchEndsItAtOnce) {
    StartClocks(3);
    RecordedMessages messages;
    // The product's wait: closing must not sit it out.
    CVantorDlg dialog(Options(std::chrono::milliseconds(1000)));
    dialog.show();
    ControlAs<IpAddressEdit>(dialog, ctl::SearchAddress)->SetAddress(Ipv4Address{{127, 0, 0, 1}});
    Click(dialog, ctl::SearchButton);
    auto* list = ControlAs<QListWidget>(dialog, ctl::ClockList);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->count() == 3; }, 2000));
    ASSERT_TRUE(dialog.SearchRunning());

    QElapsedTimer closing;
    closing.start();
    dialog.close();
    EXPECT_LT(closing.elapsed(), 1000);
    EXPECT_FALSE(dialog.SearchRunning());

    // Nothing is sent and nothing in the window changes after the close.
    const int requests = sim_->RequestsReceived(2, Command::Search);
    QTest::qWait(300);
    EXPECT_EQ(sim_->RequestsReceived(2, Command::Search), requests);
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(dialog.GetText(ctl::StatusLine), msg::kSearching);
}

}  // namespace
}  // namespace horavane::ui::test
