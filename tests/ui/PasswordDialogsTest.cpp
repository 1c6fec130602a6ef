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

using horavane::test::Only;
using horavane::test::TempFolder;

constexpr auto kDefaultPassword = "QXNdarvelint";

class PasswordDialogsTest : public testing::Test {
  protected:
    RecordedMessages messages;
    TempFolder folder;
    PasswordStore store{folder.File()};
};

TEST_F(PasswordDialogsTest, WrongPasswordsKeepTheDialogOpenAndTheFileIsReadAtOpening) {
    ASSERT_TRUE(store.WritePasswordFile("stored"));
    CInputPassword dialog(store);
    EXPECT_EQ(dialog.Digest(), InitialDigest()) << "the file is read when the dialog opens, not before";
    dialog.show();
    EXPECT_EQ(dialog.Digest(), ComputePasswordDigest("stored"));

    Type(&dialog, "ctl1053", kDefaultPassword);
    Click(&dialog, "ctl1");
    EXPECT_EQ(messages.Texts(), Only(msg::kPasswordWrong));
    ASSERT_EQ(messages.all().size(), 1U);
    EXPECT_EQ(messages.all()[0].kind, MessageKind::Application);
    EXPECT_EQ(messages.all()[0].title, ProgramTitle());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("ctl1053")->text(), kDefaultPassword) << "the typed text stays";

    Type(&dialog, "ctl1053", "stored");
    Click(&dialog, "ctl1");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
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

    messages.clear();
    Click(&dialog, "ctl3");  // no change either: it would replace what nobody could read
    EXPECT_EQ(messages.Texts(), std::vector<QString>{text});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(PasswordDialogsTest, ThePasswordCanBeTypedAtOnceAndEscapeOrCancelCancels) {
    CInputPassword dialog(store);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* edit = dialog.findChild<QLineEdit*>("ctl1053");
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    for (const char* next : {"ctl1", "ctl2", "ctl3", "ctl1053"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.findChild<QWidget*>(next)) << next;
    }
    QTest::keyClicks(edit, kDefaultPassword);
    auto* cancel = dialog.findChild<QPushButton*>("ctl2");
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << "Enter presses the focused button";

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << "Enter in the field is OK";
    EXPECT_TRUE(messages.all().empty());
}

TEST_F(PasswordDialogsTest, AChangeTakesEffectAtOnceAndACancelledOneChangesNothing) {
    CInputPassword dialog(store);
    dialog.show();
    Type(&dialog, "ctl1053", "typed before");
    WhenModal<CModifyPasswd>([](CModifyPasswd& change) {
        Type(&change, "ctl1054", kDefaultPassword);
        Type(&change, "ctl1055", "never");
        Type(&change, "ctl1056", "never");
        QTest::keyClick(&change, Qt::Key_Escape);
    });
    Click(&dialog, "ctl3");
    EXPECT_EQ(dialog.Digest(), InitialDigest());
    EXPECT_FALSE(std::filesystem::exists(folder.File()));

    // A refused change shows its message in the change dialog, which stays open.
    WhenModal<CModifyPasswd>([this](CModifyPasswd& change) {
        Type(&change, "ctl1054", "wrong");
        Type(&change, "ctl1055", "Fresh pass");
        Type(&change, "ctl1056", "Fresh pass");
        Click(&change, "ctl1");
        EXPECT_EQ(messages.Texts(), Only(msg::kOldPasswordWrong));
        EXPECT_TRUE(change.isVisible());
        Type(&change, "ctl1054", kDefaultPassword);
        Click(&change, "ctl1");
    });
    Click(&dialog, "ctl3");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("ctl1053")->text(), "typed before");
    EXPECT_EQ(dialog.Digest(), ComputePasswordDigest("Fresh pass"));

    messages.clear();
    Type(&dialog, "ctl1053", kDefaultPassword);
    Click(&dialog, "ctl1");
    EXPECT_EQ(messages.Texts(), Only(msg::kPasswordWrong));
    Type(&dialog, "ctl1053", "Fresh pass");
    Click(&dialog, "ctl1");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(PasswordDialogsTest, StartUpOpensTheMainWindowOnlyAfterTheGateAndEndsWithIt) {
    int mainWindows = 0;
    CVantorApp app(store, [&] { ++mainWindows; });
    WhenModal<CInputPassword>([](CInputPassword& password) {
        Type(&password, "ctl1053", "guess");
        Click(&password, "ctl1");
        QTest::keyClick(&password, Qt::Key_Escape);
    });
    EXPECT_FALSE(app.InitInstance());
    WhenModal<CInputPassword>([](CInputPassword& password) { password.close(); });
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
