#include <QApplication>

#include "settings/Messages.h"
#include "tests/access/DialogTestSupport.h"
#include "tests/common/TempFolder.h"
#include "ui/CInputPassword.h"
#include "ui/CModifyPasswd.h"

namespace horavane {
namespace {

using ui::CInputPassword;
using ui::CModifyPasswd;

using test::Click;
using test::Only;
using test::TempFolder;
using test::Type;
using test::WhenModal;

constexpr auto kDefaultPassword = "QXNdarvelint";

class EntryDialogTest : public testing::Test {
  protected:
    test::RecordedMessages messages;
    TempFolder folder;
    PasswordStore store{folder.File()};
};

TEST_F(EntryDialogTest, EmptyAndWrongPasswordsKeepTheDialogOpen) {
    CInputPassword dialog(store);
    dialog.show();
    Click(&dialog, "ctl1");
    EXPECT_EQ(messages.Texts(), Only(msg::kPasswordEmpty));
    EXPECT_EQ(dialog.Digest(), InitialDigest());

    messages.clear();
    Type(&dialog, "ctl1053", "qxndarvelint");
    Click(&dialog, "ctl1");
    EXPECT_EQ(messages.Texts(), Only(msg::kPasswordWrong));
    ASSERT_EQ(messages.all().size(), 1U);
    EXPECT_EQ(messages.all()[0].kind, ui::MessageKind::Application);
    EXPECT_EQ(messages.all()[0].title, ui::ProgramTitle());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("ctl1053")->text(), "qxndarvelint") << "the typed text stays";

    messages.clear();
    Type(&dialog, "ctl1053", kDefaultPassword);
    Click(&dialog, "ctl1");
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << "retries are unlimited; no file: the default opens";
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(messages.all().empty());
}

TEST_F(EntryDialogTest, OpeningLoadsThePasswordFile) {
    ASSERT_TRUE(store.WritePasswordFile("stored"));
    CInputPassword dialog(store);
    EXPECT_EQ(dialog.Digest(), InitialDigest()) << "the file is read when the dialog opens, not before";
    dialog.show();
    EXPECT_EQ(dialog.Digest(), ComputePasswordDigest("stored"));

    Type(&dialog, "ctl1053", kDefaultPassword);
    Click(&dialog, "ctl1");
    EXPECT_EQ(messages.Texts(), Only(msg::kPasswordWrong));
    Type(&dialog, "ctl1053", "stored");
    Click(&dialog, "ctl1");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// A folder in the file's place stands for every file that exists but cannot be read: root reads
// any plain file, whatever its mode.
TEST_F(EntryDialogTest, AnUnreadablePasswordFileRefusesEveryPasswordAndNamesTheFile) {
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

TEST_F(EntryDialogTest, KeyboardFollowsTheTemplate) {
    CInputPassword dialog(store);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* edit = dialog.findChild<QLineEdit*>("ctl1053");
    EXPECT_EQ(QApplication::focusWidget(), edit) << "the password can be typed at once";
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    for (const char* next : {"ctl1", "ctl2", "ctl3", "ctl1053"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.findChild<QWidget*>(next)) << next;
    }

    // Typed straight away, Enter is OK.
    QTest::keyClicks(edit, kDefaultPassword);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(EntryDialogTest, EnterOnCancelAndEscapeBothCancel) {
    CInputPassword dialog(store);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    Type(&dialog, "ctl1053", kDefaultPassword);
    auto* cancel = dialog.findChild<QPushButton*>("ctl2");
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(messages.all().empty());
}

// A file system on which no file can be created: the change dialog's "No Right!" case.
class NoRightFileSystem final : public PasswordFileSystem {
  public:
    FileRead Read(const std::filesystem::path& path, std::size_t limit) override {
        return RealFileSystem()->Read(path, limit);
    }
    std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path&) override { return nullptr; }
    bool Replace(const std::filesystem::path&, const std::filesystem::path&) override { return false; }
    void Remove(const std::filesystem::path&) override {}
};

class ChangeDialogTest : public testing::Test {
  protected:
    test::RecordedMessages messages;
    // Fills the three fields and presses OK in a change dialog that holds the digest of "old".
    void Change(CModifyPasswd& dialog, const QString& old, const QString& fresh, const QString& again) {
        dialog.SetDigest(ComputePasswordDigest("old"));
        dialog.show();
        Type(&dialog, "ctl1054", old);
        Type(&dialog, "ctl1055", fresh);
        Type(&dialog, "ctl1056", again);
        Click(&dialog, "ctl1");
    }

    TempFolder folder;
    PasswordStore store{folder.File()};
};

TEST_F(ChangeDialogTest, ChecksRunInOrderAndTheFirstFailureIsTheOnlyMessage) {
    struct Row {
        const char* why;
        const char* old;
        const char* fresh;
        const char* again;
        std::string_view message;
    };
    const Row rows[] = {
        {"empty old before a wrong old", "", "new", "new", msg::kPasswordEmpty},
        {"empty new with a right old", "old", "", "", msg::kPasswordEmpty},
        {"wrong old before mismatching new", "wrong", "new", "other", msg::kOldPasswordWrong},
        {"old compared with case", "OLD", "new", "new", msg::kOldPasswordWrong},
        {"empty third field is a mismatch", "old", "new", "", msg::kNewPasswordsDiffer},
        {"new texts compared with case", "old", "new", "New", msg::kNewPasswordsDiffer},
    };
    for (const Row& row : rows) {
        messages.clear();
        CModifyPasswd dialog(store);
        Change(dialog, row.old, row.fresh, row.again);
        EXPECT_EQ(messages.Texts(), Only(row.message)) << row.why;
        EXPECT_TRUE(dialog.isVisible()) << row.why;
        EXPECT_EQ(dialog.Digest(), ComputePasswordDigest("old")) << row.why;
        EXPECT_FALSE(std::filesystem::exists(folder.File())) << row.why;
    }
}

TEST_F(ChangeDialogTest, NoRightComesOnlyAfterEveryOtherCheckAndChangesNothing) {
    test::WriteBytes(folder.File(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
    const PasswordStore locked(folder.File(), std::make_shared<NoRightFileSystem>());

    CModifyPasswd wrongOld(locked);
    Change(wrongOld, "wrong", "new", "new");
    EXPECT_EQ(messages.Texts(), Only(msg::kOldPasswordWrong));

    messages.clear();
    CModifyPasswd dialog(locked);
    Change(dialog, "old", "new", "new");
    EXPECT_EQ(messages.Texts(), Only(msg::kNoRight));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Digest(), ComputePasswordDigest("old"));
    EXPECT_EQ(test::ReadBytes(folder.File()),
              (std::vector<unsigned char>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));

    messages.clear();
    CModifyPasswd missingFolder(PasswordStore(folder.path() / "missing" / "ZOR.dat"));
    Change(missingFolder, "old", "new", "new");
    EXPECT_EQ(messages.Texts(), Only(msg::kNoRight));
}

TEST_F(ChangeDialogTest, SuccessfulChangeWritesTheFileAndHandsBackTheDigest) {
    CModifyPasswd dialog(store);
    Change(dialog, "old", "old", "old");
    EXPECT_TRUE(messages.all().empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << "the new password may equal the old one";
    EXPECT_EQ(dialog.Digest(), ComputePasswordDigest("old"));
    PasswordDigest onDisk{};
    (void)store.ReadPasswordFile(onDisk);
    EXPECT_EQ(onDisk, ComputePasswordDigest("old"));
}

TEST_F(EntryDialogTest, ChangedPasswordOpensAtOnceAndTheOldOneIsRefused) {
    CInputPassword dialog(store);
    dialog.show();
    Type(&dialog, "ctl1053", "typed before");
    WhenModal<CModifyPasswd>([](CModifyPasswd& change) {
        Type(&change, "ctl1054", kDefaultPassword);
        Type(&change, "ctl1055", "Fresh pass");
        Type(&change, "ctl1056", "Fresh pass");
        Click(&change, "ctl1");
    });
    Click(&dialog, "ctl3");
    EXPECT_TRUE(messages.all().empty());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("ctl1053")->text(), "typed before");

    Type(&dialog, "ctl1053", kDefaultPassword);
    Click(&dialog, "ctl1");
    EXPECT_EQ(messages.Texts(), Only(msg::kPasswordWrong));
    Type(&dialog, "ctl1053", "Fresh pass");
    Click(&dialog, "ctl1");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    PasswordDigest onDisk{};
    (void)store.ReadPasswordFile(onDisk);
    EXPECT_EQ(onDisk, ComputePasswordDigest("Fresh pass"));
}

TEST_F(EntryDialogTest, CancelledChangeLeavesTheOldPassword) {
    CInputPassword dialog(store);
    dialog.show();
    WhenModal<CModifyPasswd>([](CModifyPasswd& change) {
        Type(&change, "ctl1054", kDefaultPassword);
        Type(&change, "ctl1055", "never");
        Type(&change, "ctl1056", "never");
        QTest::keyClick(&change, Qt::Key_Escape);
    });
    Click(&dialog, "ctl3");
    EXPECT_EQ(dialog.Digest(), InitialDigest());
    EXPECT_FALSE(std::filesystem::exists(folder.File()));
}

}  // namespace
}  // namespace horavane
