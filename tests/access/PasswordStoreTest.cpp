#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "access/Md5.h"
#include "access/PasswordStore.h"
#include "tests/common/TempFolder.h"
#include "tests/common/WineSupport.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/common/HostileFiles.h"
#endif

namespace horavane {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

constexpr std::string_view kDefaultPassword = "QXNdarvelint";

std::string Hex(const Md5Digest& digest) {
    std::string text;
    for (const std::uint8_t byte : digest)
        text += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
    return text;
}

std::vector<unsigned char> Bytes(const PasswordDigest& digest) {
    return {digest.begin(), digest.end()};
}

PasswordDigest Loaded(const PasswordStore& store) {
    PasswordDigest digest = InitialDigest();
    (void)store.ReadPasswordFile(digest);
    return digest;
}

// RFC 1321's test suite, whichever backend computes it (CNG on Windows, libcrypto elsewhere): one
// block, two, and texts given in parts, as the password and its salt are given.
TEST(Md5Test, GivesTheReferenceDigestsWholeOrInParts) {
    struct Row {
        std::initializer_list<std::string_view> parts;
        const char* digest;
    };
    const Row rows[] = {
        {{""}, "d41d8cd98f00b204e9800998ecf8427e"},
        {{"abc"}, "900150983cd24fb0d6963f7d28e17f72"},
        {{"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"},
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {{"1234567890123456789012345678901234567890", "1234567890123456789012345678901234567890"},
         "57edf4a22be3c955ac49da2e2107b67a"},
        {{"", "message", "", " digest"}, "f96b697d7cb7938d525a2f31aaf161d0"},
    };
    for (const Row& row : rows) EXPECT_EQ(Hex(Md5(row.parts)), row.digest) << *row.parts.begin();
}

// The digest is MD5 of the text followed by the salt (reference values from md5sum); only the exact
// default password matches the initial digest, and every byte of a digest counts.
TEST(PasswordDigestTest, IsMd5OfTheTextAndTheSaltAndOnlyTheExactTextMatches) {
    EXPECT_EQ(Hex(InitialDigest()), "478d47cc9b257b83690589db78ed47ec");
    EXPECT_EQ(Hex(ComputePasswordDigest(kDefaultPassword)), "478d47cc9b257b83690589db78ed47ec");
    EXPECT_EQ(Hex(ComputePasswordDigest("Secret 1")), "d363c42084a6365c43935bcda2d9294a");
    for (const std::string_view other : {"", "QXNdarvelinttemrusovial", "qxndarvelint", " QXNdarvelint",
                                         "QXNdarvelint ", "QXNdarvelin", "QXNdarvelintt"})
        EXPECT_FALSE(PasswordMatches(other, InitialDigest())) << '"' << other << '"';
    for (std::size_t i = 0; i < 16; ++i) {
        PasswordDigest altered = InitialDigest();
        altered[i] ^= 0x01;
        EXPECT_FALSE(PasswordMatches(kDefaultPassword, altered)) << "byte " << i;
    }
}

// No file, or one shorter than a digest, means no password set.
TEST(PasswordFileTest, NoFileOrOneShorterThanADigestMeansNoPasswordSet) {
    TempFolder folder;
    PasswordDigest digest = InitialDigest();
    EXPECT_EQ(PasswordStore(folder.File()).ReadPasswordFile(digest), PasswordFileState::kNoPassword);
    WriteBytes(folder.File(), std::vector<unsigned char>(15, 7));
    EXPECT_EQ(PasswordStore(folder.File()).ReadPasswordFile(digest), PasswordFileState::kNoPassword);
    EXPECT_EQ(digest, InitialDigest());
}

#ifndef _WIN32
// Root could write a read-only file all the same: the lock is its mode bits, which bind root as
// well. With umask 077 a new file would be the changer's alone, and every other user would meet a
// file they cannot read. A folder not made yet (a fresh installation) is created.
TEST(PasswordFileTest, ModeBitsLockTheFileAndAChangeLeavesItReadableByEveryUser) {
    TempFolder folder;
    const std::vector<unsigned char> old = Bytes(ComputePasswordDigest("locked"));
    WriteBytes(folder.File(), old);
    using std::filesystem::perms;
    std::filesystem::permissions(folder.File(), perms::owner_read | perms::group_read | perms::others_read);
    EXPECT_FALSE(PasswordStore(folder.File()).WritePasswordFile("x"));
    EXPECT_EQ(ReadBytes(folder.File()), old);
    EXPECT_EQ(folder.EntryCount(), 1U);

    const auto file = folder.path() / "horavane" / "ZOR.dat";
    const mode_t before = ::umask(077);
    const bool written = PasswordStore(file).WritePasswordFile("p");
    ::umask(before);
    ASSERT_TRUE(written);
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777U, 0644U);
    ASSERT_EQ(::stat(file.parent_path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777U, 0755U);
}

// Whatever exists in the file's place and cannot be read as a plain file closes the gate instead of
// bringing the default password back; the same holds for a change, which would lose the file.
TEST(PasswordFileTest, AnythingButAPlainFileInItsPlaceClosesTheGate) {
    TempFolder folder;
    std::filesystem::create_directory(folder.File("folder"));
    std::filesystem::create_symlink(folder.File("nowhere"), folder.File("dangling"));
    std::filesystem::create_symlink(folder.File("folder"), folder.File("to-folder"));
    for (const char* name : {"folder", "dangling", "to-folder"}) {
        PasswordDigest digest = InitialDigest();
        EXPECT_EQ(PasswordStore(folder.File(name)).ReadPasswordFile(digest), PasswordFileState::kUnreadable)
            << name;
        EXPECT_FALSE(PasswordStore(folder.File(name)).WritePasswordFile("x")) << name;
    }
    PasswordDigest digest = InitialDigest();
    EXPECT_EQ(PasswordStore(std::filesystem::path{}).ReadPasswordFile(digest), PasswordFileState::kUnreadable)
        << "no known place: nobody can say that no password is set";
}

// A change writes only a regular file: whatever else stands in its place is refused and left as it
// was, with no temporary file beside it. A link to a regular file is followed, by the rule every
// written file keeps: the file it names takes the new password, the link stays a link.
TEST(PasswordFileTest, AChangeWritesOnlyARegularFileAndFollowsALinkToOne) {
    TempFolder folder;
    const auto things = test::MakeHostileThings(folder.path());
    const std::size_t entries = folder.EntryCount();
    for (const test::HostileThing& thing : things) {
        if (!thing.made) continue;
        const std::string before = test::Identity(folder.File(thing.name));
        EXPECT_FALSE(PasswordStore(folder.File(thing.name)).WritePasswordFile("x")) << thing.name;
        EXPECT_EQ(test::Identity(folder.File(thing.name)), before) << thing.name;
        EXPECT_EQ(folder.EntryCount(), entries) << thing.name;
    }
    WriteBytes(folder.File("real.dat"), Bytes(ComputePasswordDigest("old")));
    std::filesystem::create_symlink("real.dat", folder.File("linked.dat"));
    ASSERT_TRUE(PasswordStore(folder.File("linked.dat")).WritePasswordFile("new"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("linked.dat")));
    EXPECT_EQ(ReadBytes(folder.File("real.dat")), Bytes(ComputePasswordDigest("new")));
}

// A pipe in the file's place has no writer to wait for: it closes the gate, at once.
TEST(PasswordFileTest, PipeInPlaceOfTheFileClosesTheGateWithoutWaiting) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.File().c_str(), 0600), 0);
    PasswordDigest digest = InitialDigest();
    std::atomic<bool> returned{false};
    PasswordFileState state = PasswordFileState::kLoaded;
    std::thread reader([&] {
        state = PasswordStore(folder.File()).ReadPasswordFile(digest);
        returned = true;
    });
    for (int waited = 0; waited < 50 && !returned; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(returned) << "the read waited for a writer";
    if (!returned) {
        // A writer that comes and goes releases a reader waiting in open(), so the test ends.
        const int writer = ::open(folder.File().c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
    }
    reader.join();
    EXPECT_EQ(state, PasswordFileState::kUnreadable);
    EXPECT_EQ(digest, InitialDigest());
}
#endif

#ifdef _WIN32
// The workstation's password file is ZOR.dat in the Windows directory, as the system names it.
TEST(PasswordFileTest, TheDefaultFileIsInTheWindowsDirectoryAndAChangeReachesIt) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    ASSERT_GT(length, 0U);
    const std::filesystem::path expected = std::filesystem::path(std::wstring(folder, length)) / L"ZOR.dat";
    EXPECT_EQ(DefaultPasswordFilePath(), expected);

    if (!test::RunningUnderWine()) GTEST_SKIP() << "would change this workstation's own password";
    const PasswordStore store(DefaultPasswordFilePath());
    std::filesystem::remove(expected);
    ASSERT_TRUE(store.WritePasswordFile("windows folder"));
    EXPECT_TRUE(PasswordMatches("windows folder", Loaded(store)));
    std::filesystem::remove(expected);
    EXPECT_EQ(Loaded(store), InitialDigest());
}
#endif

// The real file operations, failing at one chosen step; records the steps taken.
struct FailurePlan {
    const char* name;
    bool failRead = false;  // an I/O error, or a file another user keeps to themselves
    bool failCreate = false;
    std::optional<std::size_t> failAfterBytes;
    bool failFlush = false;
    bool failClose = false;
    bool failReplace = false;
};

// Keeps CTest's test names to the row's name instead of a dump of the row's bytes.
void PrintTo(const FailurePlan& plan, std::ostream* os) {
    *os << plan.name;
}

class FailingFile final : public WritableFile {
  public:
    FailingFile(std::unique_ptr<WritableFile> real, const FailurePlan& plan, std::vector<std::string>& steps)
        : real_(std::move(real)), plan_(plan), steps_(steps) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
        steps_.push_back("write");
        if (plan_.failAfterBytes && *plan_.failAfterBytes < bytes.size()) {
            (void)real_->Write(bytes.first(*plan_.failAfterBytes));
            return false;
        }
        return real_->Write(bytes);
    }
    bool Flush() override {
        steps_.push_back("flush");
        return real_->Flush() && !plan_.failFlush;
    }
    bool Close() override {
        steps_.push_back("close");
        return real_->Close() && !plan_.failClose;
    }

  private:
    std::unique_ptr<WritableFile> real_;
    const FailurePlan& plan_;
    std::vector<std::string>& steps_;
};

class FailingFileSystem final : public PasswordFileSystem {
  public:
    explicit FailingFileSystem(FailurePlan plan) : plan_(plan) {}
    FileRead Read(const std::filesystem::path& path, std::size_t limit) override {
        steps.push_back("read");
        if (plan_.failRead) return {FileRead::Outcome::kUnreadable, {}};
        return real_->Read(path, limit);
    }
    std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path& path) override {
        steps.push_back("create");
        if (plan_.failCreate) return nullptr;
        auto file = real_->CreateNew(path);
        return file ? std::make_unique<FailingFile>(std::move(file), plan_, steps) : nullptr;
    }
    bool Replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        steps.push_back("replace");
        return !plan_.failReplace && real_->Replace(from, to);
    }
    void Remove(const std::filesystem::path& path) override {
        steps.push_back("remove");
        real_->Remove(path);
    }
    std::vector<std::string> steps;

  private:
    FailurePlan plan_;
    std::shared_ptr<PasswordFileSystem> real_ = RealFileSystem();
};

// A change either reaches the disk whole before it replaces the old file, or leaves the old file
// byte for byte and no temporary file behind.
class ChangeTest : public testing::TestWithParam<FailurePlan> {};

TEST_P(ChangeTest, ReplacesTheOldFileOnlyOnceTheNewOneIsOnTheDisk) {
    TempFolder folder;
    std::vector<unsigned char> old = Bytes(ComputePasswordDigest("old"));
    old.insert(old.end(), {9, 8, 7, 6});
    WriteBytes(folder.File(), old);

    auto files = std::make_shared<FailingFileSystem>(GetParam());
    const PasswordStore store(folder.File(), files);
    const bool fails = std::string_view(GetParam().name) != "none";
    EXPECT_EQ(store.WritePasswordFile("new"), !fails);
    EXPECT_EQ(folder.EntryCount(), 1U) << "no temporary file is left behind";
    EXPECT_TRUE(PasswordMatches(fails ? "old" : "new", Loaded(PasswordStore(folder.File()))));
    if (!fails) {
        std::vector<unsigned char> expected = Bytes(ComputePasswordDigest("new"));
        expected.insert(expected.end(), {9, 8, 7, 6});
        EXPECT_EQ(ReadBytes(folder.File()), expected) << "the bytes after the digest stay";
        EXPECT_EQ(files->steps,
                  (std::vector<std::string>{"read", "create", "write", "flush", "close", "replace"}));
        return;
    }
    EXPECT_EQ(ReadBytes(folder.File()), old);
    PasswordDigest digest = InitialDigest();
    EXPECT_EQ(store.ReadPasswordFile(digest),
              GetParam().failRead ? PasswordFileState::kUnreadable : PasswordFileState::kLoaded);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(EachStep, ChangeTest, testing::Values(
    FailurePlan{"none",                false, false,  std::nullopt,  false, false, false},
    //          name                   read   create  bytes written  flush  close  replace
    FailurePlan{"read",                true,  false,  std::nullopt,  false, false, false},
    FailurePlan{"create",              false, true,   std::nullopt,  false, false, false},
    FailurePlan{"nothing_written",     false, false,  0U,            false, false, false},
    FailurePlan{"half_the_digest",     false, false,  8U,            false, false, false},
    FailurePlan{"digest_without_tail", false, false,  16U,           false, false, false},
    FailurePlan{"flush",               false, false,  std::nullopt,  true,  false, false},
    FailurePlan{"close",               false, false,  std::nullopt,  false, true,  false},
    FailurePlan{"replace",             false, false,  std::nullopt,  false, false, true}),
    [](const testing::TestParamInfo<FailurePlan>& row) { return std::string(row.param.name); });
// clang-format on

}  // namespace
}  // namespace horavane
