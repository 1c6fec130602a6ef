#include <QApplication>

#include "tests/access/DialogTestSupport.h"
#include "tests/common/TempFolder.h"
#include "ui/CInputPassword.h"
#include "ui/CVantorApp.h"
#include "ui/CVantorDlg.h"

namespace horavane {
namespace {

using ui::CInputPassword;

using test::Click;
using test::TempFolder;
using test::Type;
using test::WhenModal;

class StartUpTest : public testing::Test {
  protected:
    test::RecordedMessages messages;
    TempFolder folder;
    PasswordStore store{folder.File()};
};

TEST_F(StartUpTest, RefusedPasswordDialogEndsTheProgramWithoutTheMainWindow) {
    int mainWindows = 0;
    ui::CVantorApp app(store, [&] { ++mainWindows; });

    WhenModal<CInputPassword>([](CInputPassword& password) { password.reject(); });
    EXPECT_FALSE(app.InitInstance());

    WhenModal<CInputPassword>([](CInputPassword& password) { QTest::keyClick(&password, Qt::Key_Escape); });
    EXPECT_FALSE(app.InitInstance());

    WhenModal<CInputPassword>([](CInputPassword& password) { password.close(); });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(mainWindows, 0);
}

TEST_F(StartUpTest, WrongPasswordsAloneNeverOpenTheMainWindow) {
    int mainWindows = 0;
    ui::CVantorApp app(store, [&] { ++mainWindows; });
    WhenModal<CInputPassword>([](CInputPassword& password) {
        Type(&password, "ctl1053", "guess");
        Click(&password, "ctl1");
        password.reject();
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(mainWindows, 0);
    EXPECT_EQ(messages.all().size(), 1U);
}

// The real main window opens once the password is accepted, and the program ends with it.
TEST_F(StartUpTest, AcceptedPasswordRunsTheMainWindowUntilItEnds) {
    ui::CVantorApp app(store, ui::CVantorApp::RunMainDialog);
    bool mainWindowShown = false;
    WhenModal<CInputPassword>([&](CInputPassword& password) {
        WhenModal<ui::CVantorDlg>([&](ui::CVantorDlg& main) {
            mainWindowShown = main.isVisible();
            QTest::keyClick(&main, Qt::Key_Escape);
        });
        Type(&password, "ctl1053", "QXNdarvelint");
        Click(&password, "ctl1");
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(mainWindowShown);
    EXPECT_TRUE(messages.all().empty());
    EXPECT_EQ(QApplication::topLevelWidgets().count(), 0) << "no window is left";
}

}  // namespace
}  // namespace horavane
