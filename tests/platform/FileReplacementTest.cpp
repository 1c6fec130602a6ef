// Replacing a file whole, as a textfile collector must see it: the old file or the new one, and no
// temporary file left behind whichever step fails.

#include <gtest/gtest.h>

#include <optional>

#include "platform/DurableFile.h"
#include "platform/FileReplacement.h"
#include "tests/common/TempFolder.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "tests/common/HostileFiles.h"
#endif

namespace horavane::test {
namespace {

enum class Step { kCreate, kWrite, kFlush, kClose, kRename };

// The real steps, failing at one of them.
class FailingSteps final : public FileSteps {
  public:
    explicit FailingSteps(Step failing) : failing_(failing) {}

    std::unique_ptr<NewFile> Create(const std::filesystem::path& path, std::string& error) override {
        if (failing_ == Step::kCreate) {
            error = "no space left";
            return nullptr;
        }
        auto file = RealFileSteps().Create(path, error);
        return file ? std::make_unique<FailingFile>(std::move(file), failing_) : nullptr;
    }
    bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error) override {
        if (failing_ != Step::kRename) return RealFileSteps().Rename(from, to, error);
        error = "busy";
        return false;
    }
    void Remove(const std::filesystem::path& path) override { RealFileSteps().Remove(path); }

  private:
    class FailingFile final : public NewFile {
      public:
        FailingFile(std::unique_ptr<NewFile> real, Step failing)
            : real_(std::move(real)), failing_(failing) {}
        bool Write(std::string_view bytes, std::string& error) override {
            // Half the bytes reach the disk before the failure, as a full disk leaves them.
            if (failing_ != Step::kWrite) return real_->Write(bytes, error);
            (void)real_->Write(bytes.substr(0, bytes.size() / 2), error);
            error = "no space left";
            return false;
        }
        bool Flush(std::string& error) override { return Fail(Step::kFlush, error) && real_->Flush(error); }
        bool Close(std::string& error) override { return Fail(Step::kClose, error) && real_->Close(error); }

      private:
        bool Fail(Step step, std::string& error) const {
            if (failing_ != step) return true;
            error = "input/output error";
            return false;
        }
        std::unique_ptr<NewFile> real_;
        Step failing_;
    };
    Step failing_;
};

struct FailingStep {
    const char* name;
    Step step;
    const char* message;  // after "<file> cannot be written: "
};

void PrintTo(const FailingStep& row, std::ostream* out) {
    *out << row.name;
}

class FailedReplacement : public testing::TestWithParam<FailingStep> {};

TEST_P(FailedReplacement, LeavesTheOldFileAloneAndNoTemporaryFile) {
    TempFolder folder;
    const std::string file = folder.Write("horavane.prom", "old\n");
    FailingSteps steps(GetParam().step);
    std::string error;
    EXPECT_EQ(ReplaceFileWhole(file, std::string(4096, 'n'), error, steps), Replacement::kFailed);
    EXPECT_EQ(ReadBytes(file), std::vector<unsigned char>({'o', 'l', 'd', '\n'}));
    EXPECT_EQ(folder.EntryCount(), 1u) << "a temporary file was left behind";
    EXPECT_EQ(error.rfind(file + " cannot be written: " + GetParam().message, 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(Steps, FailedReplacement,
                         testing::Values(FailingStep{"Create", Step::kCreate, ""},
                                         FailingStep{"Write", Step::kWrite, "writing "},
                                         FailingStep{"Flush", Step::kFlush, "flushing "},
                                         FailingStep{"Close", Step::kClose, "closing "},
                                         FailingStep{"Rename", Step::kRename, "renaming "}),
                         [](const testing::TestParamInfo<FailingStep>& row) {
                             return std::string(row.param.name);
                         });

TEST(FileReplacement, PutsTheWholeNewFileInPlaceByteForByteAndReadableByAll) {
    TempFolder folder;
    const std::string file = folder.Write("horavane.prom", "old\n");
    std::string error;
    ASSERT_EQ(ReplaceFileWhole(file, "a 1\nb 2\n", error), Replacement::kReplaced) << error;
    EXPECT_EQ(ReadBytes(file), std::vector<unsigned char>({'a', ' ', '1', '\n', 'b', ' ', '2', '\n'}))
        << "line feeds stay line feeds on every system";
    EXPECT_EQ(folder.EntryCount(), 1u);
#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
#endif
    EXPECT_EQ(ReplaceFileWhole(folder.File("no-such-folder") / "horavane.prom", "a 1\n", error),
              Replacement::kFailed);
    EXPECT_NE(error.find("cannot be created"), std::string::npos) << error;
}

#ifndef _WIN32
// Whatever stands in the file's place and is no regular file is refused by both ways a file is
// written (whole, as --output, the state file and the password file are; appended, as the
// journal is), and left exactly as it was, with no temporary file beside it.
TEST(FileTarget, OnlyARegularFileIsWrittenWhicheverWayItIsWritten) {
    TempFolder folder;
    const auto things = MakeHostileThings(folder.path());
    const std::size_t entries = folder.EntryCount();
    for (const HostileThing& thing : things) {
        if (!thing.made) continue;  // a device, without root
        const auto path = folder.File(thing.name);
        const std::string before = Identity(path);
        std::string error;
        EXPECT_EQ(JudgeFileTarget(path).kind, FileTarget::Kind::kRefused) << thing.name;
        EXPECT_EQ(ReplaceFileWhole(path, "x 1\n", error), Replacement::kRefused) << thing.name;
        EXPECT_NE(error.find(path.string()), std::string::npos) << error;
        EXPECT_FALSE(AppendLinesDurably(path, "{}\n", error)) << thing.name;
        EXPECT_EQ(Identity(path), before) << thing.name;
        EXPECT_EQ(folder.EntryCount(), entries) << thing.name;
    }
    // The system's own: looked at, never written.
    EXPECT_EQ(JudgeFileTarget("/dev/null").kind, FileTarget::Kind::kRefused);
    EXPECT_NE(JudgeFileTarget("/dev/null").refusal.find("a device"), std::string::npos);
}

// The documented rule for links: one to a regular file (through other links too) is followed, the
// file it ends at replaced in its own folder and the links left as links.
TEST(FileTarget, ALinkToARegularFileIsFollowedAndStaysALink) {
    TempFolder folder;
    std::filesystem::create_directory(folder.File("real"));
    const std::string target = folder.Write("real/horavane.prom", "old\n");
    std::filesystem::create_symlink("real/horavane.prom", folder.File("middle"));
    std::filesystem::create_symlink(folder.File("middle"), folder.File("horavane.prom"));
    std::string error;
    ASSERT_EQ(ReplaceFileWhole(folder.File("horavane.prom"), "new\n", error), Replacement::kReplaced)
        << error;
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("horavane.prom")));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("middle")));
    EXPECT_EQ(ReadBytes(target), std::vector<unsigned char>({'n', 'e', 'w', '\n'}));
    EXPECT_EQ(folder.EntryCount(), 3u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("real")), {}), 1);

    std::filesystem::create_symlink("loop-b", folder.File("loop-a"));
    std::filesystem::create_symlink("loop-a", folder.File("loop-b"));
    EXPECT_EQ(ReplaceFileWhole(folder.File("loop-a"), "x\n", error), Replacement::kRefused);
}

// A program killed halfway leaves its temporary file; the next replacement of the same file takes
// it away, but never one a living program holds, nor a file that only looks alike.
TEST(FileReplacement, ALeftoverOfAKilledRunIsSweptAndALiveOneKept) {
    TempFolder folder;
    const std::string file = folder.Write("horavane.prom", "old\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Killed while writing, with the temporary file open: nothing of the process runs after.
        class KilledSteps final : public FileSteps {
          public:
            std::unique_ptr<NewFile> Create(const std::filesystem::path& path, std::string& error) override {
                auto file = RealFileSteps().Create(path, error);
                std::string ignored;
                if (file && file->Write("half", ignored)) ::raise(SIGKILL);
                return file;
            }
            bool Rename(const std::filesystem::path&, const std::filesystem::path&, std::string&) override {
                return false;
            }
            void Remove(const std::filesystem::path&) override {}
        } killed;
        std::string error;
        (void)ReplaceFileWhole(file, "new\n", error, killed);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(folder.EntryCount(), 2u) << "the kill left its temporary file";

    const std::string alike = folder.Write("horavane.prom.tmp-backup", "mine\n");
    const std::string live = folder.Write("horavane.prom.tmp-1-1", "held\n");
    const int held = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    std::string error;
    ASSERT_EQ(ReplaceFileWhole(file, "new\n", error), Replacement::kReplaced) << error;
    ::close(held);
    EXPECT_EQ(folder.EntryCount(), 3u) << "the leftover went; the look-alike and the held one stay";
    EXPECT_TRUE(std::filesystem::exists(alike));
    EXPECT_TRUE(std::filesystem::exists(live));
}

#endif

// Two simulators on one state file: the second is refused while the first holds the file, and
// takes it once the first has let go; a link planted as the lock file is never followed.
TEST(FileLockTest, OneHolderAtATimeAndNeverThroughALink) {
    TempFolder folder;
    const auto state = folder.File("state.json");
    std::string error;
    std::optional<FileLock> first = FileLock::Take(state, error);
    ASSERT_TRUE(first) << error;
    EXPECT_FALSE(FileLock::Take(state, error));
    EXPECT_NE(error.find("held by another program"), std::string::npos) << error;
    first.reset();
    EXPECT_TRUE(FileLock::Take(state, error)) << error;
#ifndef _WIN32
    std::filesystem::create_symlink(folder.File("elsewhere"), folder.File("linked.json.lock"));
    EXPECT_FALSE(FileLock::Take(folder.File("linked.json"), error));
    EXPECT_FALSE(std::filesystem::exists(folder.File("elsewhere")));
#endif
}

}  // namespace
}  // namespace horavane::test
