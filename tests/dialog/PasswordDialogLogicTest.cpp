#include <gtest/gtest.h>

#include "dialog/PasswordDialogLogic.h"
#include "settings/Messages.h"
#include "tests/common/TempFolder.h"

namespace horavane::test {
namespace {

TEST(PasswordDialogLogic, EntryIsCheckedAgainstTheDigestInForce) {
    const PasswordDigest digest = ComputePasswordDigest("secret");
    EXPECT_EQ(CheckPasswordEntry("", digest), std::string(msg::kPasswordEmpty));
    EXPECT_EQ(CheckPasswordEntry("Secret", digest), std::string(msg::kPasswordWrong));
    EXPECT_EQ(CheckPasswordEntry("secret ", digest), std::string(msg::kPasswordWrong));
    EXPECT_EQ(CheckPasswordEntry("secret", digest), std::nullopt);
    EXPECT_EQ(CheckPasswordEntry("secret", digest, "closed"), "closed")
        << "a closed gate refuses every password";
    EXPECT_EQ(CheckPasswordEntry("", digest, "closed"), std::string(msg::kPasswordEmpty));
}

// The checks in their order; the first failing one decides, and only a change that reached the
// file replaces the digest.
TEST(PasswordDialogLogic, ChangeChecksInOrderAndTakesEffectOnlyOnceWritten) {
    TempFolder folder;
    const PasswordStore store(folder.File());
    PasswordDigest digest = ComputePasswordDigest("old");
    struct Case {
        const char *old, *fresh, *again;
        std::string_view message;
    };
    for (const auto& c :
         {Case{"", "new", "new", msg::kPasswordEmpty}, Case{"old", "", "", msg::kPasswordEmpty},
          Case{"wrong", "", "", msg::kPasswordEmpty}, Case{"wrong", "new", "new", msg::kOldPasswordWrong},
          Case{"old", "new", "", msg::kNewPasswordsDiffer},
          Case{"old", "new", "New", msg::kNewPasswordsDiffer}}) {
        EXPECT_EQ(ChangePassword(c.old, c.fresh, c.again, digest, store), std::string(c.message))
            << c.old << "/" << c.fresh << "/" << c.again;
        EXPECT_EQ(digest, ComputePasswordDigest("old"));
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File()));

    // A plain file where the password's folder should be: nothing can be written there.
    const PasswordStore unwritable(std::filesystem::path(folder.Write("folder", "")) / "ZOR.dat");
    EXPECT_EQ(ChangePassword("old", "new", "new", digest, unwritable), std::string(msg::kNoRight));
    EXPECT_EQ(digest, ComputePasswordDigest("old"));

    EXPECT_EQ(ChangePassword("old", "new", "new", digest, store), std::nullopt);
    EXPECT_EQ(digest, ComputePasswordDigest("new"));
    PasswordDigest fromFile = InitialDigest();
    EXPECT_EQ(LoadPasswordFile(store, fromFile), std::nullopt);
    EXPECT_EQ(fromFile, digest);
}

}  // namespace
}  // namespace horavane::test
