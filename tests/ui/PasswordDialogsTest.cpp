// The Qt password dialogs and start-up: the dialogs' widgets and keys, wired to the decisions of
// dialog/PasswordDialogLogic (tested there), and the gate in front of the main window.
#include <QApplication>

#include "settings/Messages.h"
#include "tests/common/TempFolder.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CInputPassword.h"
#include "ui/CModifyPasswd.h"
#include "ui/CVantorApp.h"

namespace horavane::ui::test {
namespace {

constexpr auto kDefaultPassword = "QXNdarvelint";

class PasswordDialogsTest : public testing::Test {
  protected:
    RecordedMessages messages;
    horavane::test::TempFolder folder;
    PasswordStore store{folder.File()};
};

TEST_F(PasswordDialogsTest, ThePasswordIsTypedAtOnceAWrongOneOrARefusedChangeKeepsTheDialogOpen) {
    ASSERT_TRUE(store.WritePasswordFile("stored"));
    CInputPassword dialog(store);
    EXPECT_EQ(dialog.Digest(), InitialDigest()) << "the file is read when the dialog opens, not before";
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* edit = dialog.findChild<QLineEdit*>("ctl1053");
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    // The template's order, as the Windows dialog has it: from the field on to Modify, then round.
    for (const char* next : {"ctl3", "ctl1", "ctl2", "ctl1053"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.findChild<QWidget*>(next)) << next;
    }

    QTest::keyClicks(edit, kDefaultPassword);
    Click(&dialog, "ctl1");
    EXPECT_EQ(messages.Texts(), Only(msg::kPasswordWrong));
    EXPECT_EQ(messages.all.at(0).kind, MessageKind::Application);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(edit->text(), kDefaultPassword) << "the typed text stays";

    auto* cancel = dialog.findChild<QPushButton*>("ctl2");
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << "Enter presses the focused button";
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    // A refused change shows its message in the change dialog, which stays open; a done one takes
    // effect at once, and what was typed in the password field stays.
    WhenModal<CModifyPasswd>([this](CModifyPasswd& change) {
        EXPECT_EQ(QApplication::focusWidget(), change.findChild<QWidget*>("ctl1054"))
            << "typing starts at once";
        Type(&change, "ctl1054", "wrong");
        Type(&change, "ctl1055", "Fresh pass");
        Type(&change, "ctl1056", "Fresh pass");
        Click(&change, "ctl1");
        EXPECT_EQ(messages.Texts().back().toStdString(), msg::kOldPasswordWrong);
        EXPECT_TRUE(change.isVisible());
        Type(&change, "ctl1054", "stored");
        Click(&change, "ctl1");
    });
    Click(&dialog, "ctl3");
    EXPECT_EQ(dialog.Digest(), ComputePasswordDigest("Fresh pass"));
    EXPECT_EQ(edit->text(), kDefaultPassword);
    Type(&dialog, "ctl1053", "Fresh pass");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << "Enter in the field is OK";
    EXPECT_EQ(messages.all.size(), 2U);
}

// A folder in the file's place stands for every file that exists but cannot be read: root reads
// any plain file, whatever its mode.
TEST_F(PasswordDialogsTest, AnUnreadablePasswordFileRefusesEveryPasswordAndNamesTheFile) {
    CInputPassword dialog(PasswordStore(folder.path()));
    dialog.show();
    Type(&dialog, "ctl1053", kDefaultPassword);
    Click(&dialog, "ctl1");
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(messages.Texts().size(), 1U);
    const QString text = messages.Texts()[0];
    EXPECT_TRUE(text.contains(QString::fromStdString(folder.path().string()))) << text.toStdString();
    EXPECT_TRUE(text.contains("cannot be read")) << text.toStdString();

    Click(&dialog, "ctl3");  // no change either: it would replace what nobody could read
    EXPECT_EQ(messages.Texts(), (std::vector<QString>{text, text}));
}

TEST_F(PasswordDialogsTest, StartUpOpensTheMainWindowOnlyAfterTheGateAndEndsWithIt) {
    int mainWindows = 0;
    CVantorApp app(store, [&] { ++mainWindows; });
    WhenModal<CInputPassword>([](CInputPassword& password) { QTest::keyClick(&password, Qt::Key_Escape); });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(mainWindows, 0);

    // The real main window opens once the password is accepted, and the program ends with it.
    CVantorApp real(store, CVantorApp::RunMainDialog);
    bool mainWindowShown = false;
    WhenModal<CInputPassword>([&](CInputPassword& password) {
        WhenModal<CVantorDlg>([&](CVantorDlg& main) {
            mainWindowShown = main.isVisible();
            QTest::keyClick(&main, Qt::Key_Escape);
        });
        Type(&password, "ctl1053", kDefaultPassword);
        Click(&password, "ctl1");
    });
    EXPECT_FALSE(real.InitInstance());
    EXPECT_TRUE(mainWindowShown);
    EXPECT_EQ(QApplication::topLevelWidgets().count(), 0) << "no window is left";
}

}  // namespace
}  // namespace horavane::ui::test
