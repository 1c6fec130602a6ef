// The window end to end against simulated clocks on loopback: search, select, modify, refusals,
// address mode, and closing in the middle of a search.
#include <QElapsedTimer>
#include <QProgressBar>
#include <chrono>
#include <memory>

#include "settings/Messages.h"
#include "tests/common/SimSupport.h"
#include "tests/ui/UiTestSupport.h"

namespace horavane::ui::test {
namespace {

constexpr int kSearchTimeoutMs = 30'000;

class MainWindowClockTest : public horavane::test::SimulatorTest {
  protected:
    void StartClocks(int count, std::chrono::milliseconds wait = std::chrono::milliseconds(150)) {
        SimulatorTest::StartClocks(count);
        if (HasFatalFailure()) return;
        dialog_ = std::make_unique<CVantorDlg>(Options(wait));
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    void StartSearch() {
        ControlAs<IpAddressEdit>(*dialog_, ctl::SearchAddress)->SetAddress(Ipv4Address{{127, 0, 0, 1}});
        Click(*dialog_, ctl::SearchButton);
    }

    [[nodiscard]] bool AwaitStatus(std::string_view status, int timeoutMs = kSearchTimeoutMs) {
        return QTest::qWaitFor([&] { return dialog_->GetText(ctl::StatusLine) == status; }, timeoutMs);
    }

    // Lists the clock as a search would have and selects it with the mouse.
    void ListAndSelect(int clock) {
        const std::string address = sim_->address(clock).ToString();
        dialog_->ListAdd(ctl::ClockList, address);
        ClickListEntry(*dialog_, QString::fromStdString(address));
    }

    void Choose(int id, const char* text) {
        auto* combo = ControlAs<QComboBox>(*dialog_, id);
        const int index = combo->findText(QString::fromUtf8(text));
        ASSERT_GE(index, 0) << text;
        combo->setCurrentIndex(index);
    }

    [[nodiscard]] int Writes() const { return sim_->RequestsReceived(0, Command::WriteSettings); }

    RecordedMessages messages_;
    std::unique_ptr<CVantorDlg> dialog_;
};

TEST_F(MainWindowClockTest, SearchSelectModifyAndSelectAgainShowsTheNewSettings) {
    StartClocks(12);  // 127.0.0.2 to .13
    StartSearch();
    EXPECT_FALSE(dialog_->IsEnabled(ctl::SearchButton));
    ASSERT_TRUE(AwaitStatus(msg::kSearching, 2000));
    EXPECT_FALSE(dialog_->IsEnabled(ctl::ClockList));
    ASSERT_TRUE(AwaitStatus(msg::kSearchFinished));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->SearchRunning(); }, 1000));

    EXPECT_EQ(ListEntries(*dialog_),
              (QStringList{"127.0.0.10", "127.0.0.11", "127.0.0.12", "127.0.0.13", "127.0.0.2", "127.0.0.3",
                           "127.0.0.4", "127.0.0.5", "127.0.0.6", "127.0.0.7", "127.0.0.8", "127.0.0.9"}));
    EXPECT_TRUE(dialog_->IsEnabled(ctl::ClockList));
    EXPECT_TRUE(dialog_->IsEnabled(ctl::SearchButton));
    EXPECT_EQ(ControlAs<QProgressBar>(*dialog_, ctl::Progress)->value(), 254);

    ClickListEntry(*dialog_, "127.0.0.2");
    EXPECT_EQ(dialog_->GetText(ctl::SerialNumber), "HV-2026-1001");
    EXPECT_EQ(dialog_->GetText(ctl::SyncStatus), "Sync");
    EXPECT_EQ(dialog_->GetText(ctl::TimeZoneText), "GMT +1:00");
    EXPECT_EQ(dialog_->GetText(ctl::TimeZoneList), "UTC +1");
    EXPECT_EQ(dialog_->GetText(ctl::DstStartMonth), "Mar");
    EXPECT_EQ(IpText(*dialog_, ctl::IpAddress), "192.168.1.100");
    EXPECT_TRUE(dialog_->IsChecked(ctl::Format24));
    EXPECT_TRUE(dialog_->IsChecked(ctl::StaticIp));
    EXPECT_EQ(dialog_->GetText(ctl::StatusLine), "");

    Choose(ctl::TimeZoneList, "UTC +9:30");
    Choose(ctl::DstStartMonth, "Apr");
    Choose(ctl::DstEndDay, "Sat");
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
    EXPECT_EQ(dialog_->GetText(ctl::TimeZoneList), "UTC +9:30");
    EXPECT_EQ(dialog_->GetText(ctl::DstStartMonth), "Apr");
    EXPECT_EQ(dialog_->GetText(ctl::DstEndDay), "Sat");
    EXPECT_TRUE(messages_.all().empty());
}

TEST_F(MainWindowClockTest, RefusedModifyShowsItsMessageAndTitleAndMovesTheFocus) {
    StartClocks(1);
    ListAndSelect(0);
    ASSERT_EQ(dialog_->GetText(ctl::SerialNumber), "HV-2026-1001");

    Choose(ctl::EnergyFrom, "7");
    Choose(ctl::EnergyTo, "7");
    Click(*dialog_, ctl::ModifyButton);
    ASSERT_EQ(messages_.all().size(), 1u);
    EXPECT_EQ(messages_.all()[0].text, QString::fromUtf8(msg::kEnergySavingSame.data()));
    EXPECT_EQ(messages_.all()[0].kind, MessageKind::Dialog);
    EXPECT_EQ(messages_.all()[0].title, ProgramTitle());
    EXPECT_EQ(dialog_->GetText(ctl::EnergyFrom), "0");
    EXPECT_EQ(dialog_->focusWidget(), dialog_->Control(ctl::EnergyFrom));

    messages_.clear();
    dialog_->ClearIp(ctl::DnsServer);
    Click(*dialog_, ctl::ModifyButton);
    ASSERT_EQ(messages_.all().size(), 1u);
    EXPECT_EQ(messages_.all()[0].text, "0 is not a valid entry. Please specify a value between 1 and 223.");
    EXPECT_EQ(messages_.all()[0].title, "ERROR");

    QTest::qWait(150);  // a write, had one gone out, would have arrived by now
    EXPECT_EQ(Writes(), 0);
}

TEST_F(MainWindowClockTest, DynamicIpGreysTheAddressFieldsWithoutClearingThem) {
    StartClocks(1);
    ListAndSelect(0);
    Click(*dialog_, ctl::DynamicIp);
    EXPECT_TRUE(dialog_->IsChecked(ctl::DynamicIp));
    EXPECT_FALSE(dialog_->IsChecked(ctl::StaticIp));
    for (int id = ctl::IpAddress; id <= ctl::DnsServer; ++id) {
        EXPECT_FALSE(dialog_->IsEnabled(id)) << id;
        EXPECT_FALSE(dialog_->GetIp(id).IsBlank()) << id;
    }
    Click(*dialog_, ctl::StaticIp);
    EXPECT_TRUE(dialog_->IsChecked(ctl::StaticIp));
    EXPECT_FALSE(dialog_->IsChecked(ctl::DynamicIp));
    EXPECT_TRUE(dialog_->IsEnabled(ctl::IpAddress));
    EXPECT_EQ(IpText(*dialog_, ctl::Gateway), "192.168.1.1");
}

TEST_F(MainWindowClockTest, ClosingInTheMiddleOfASearchEndsItAtOnce) {
    StartClocks(3, std::chrono::milliseconds(1000));  // the product's wait: closing must not sit it out
    StartSearch();
    ASSERT_TRUE(AwaitStatus(msg::kSearching, 2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ListEntries(*dialog_).size() == 3; }, 2000));
    ASSERT_TRUE(dialog_->SearchRunning());

    QElapsedTimer closing;
    closing.start();
    dialog_->close();
    const qint64 closeMs = closing.elapsed();
    EXPECT_LT(closeMs, 1000);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_FALSE(dialog_->SearchRunning());
    RecordProperty("close_ms", static_cast<int>(closeMs));

    // Nothing is sent and nothing in the window changes after the close.
    const int requests = sim_->RequestsReceived(2, Command::Search);
    const QStringList listed = ListEntries(*dialog_);
    QTest::qWait(300);
    EXPECT_EQ(sim_->RequestsReceived(2, Command::Search), requests);
    EXPECT_EQ(ListEntries(*dialog_), listed);
    EXPECT_EQ(dialog_->GetText(ctl::StatusLine), msg::kSearching);
    dialog_.reset();
}

}  // namespace
}  // namespace horavane::ui::test
