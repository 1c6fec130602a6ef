// Replacing a file whole, as a textfile collector must see it: the old file or the new one, and no
// temporary file left behind whichever step fails.

#include <gtest/gtest.h>

#include "platform/FileReplacement.h"
#include "tests/common/TempFolder.h"

#ifndef _WIN32
#include <sys/stat.h>
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
    EXPECT_FALSE(ReplaceFileWhole(file, std::string(4096, 'n'), error, steps));
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
    ASSERT_TRUE(ReplaceFileWhole(file, "a 1\nb 2\n", error)) << error;
    EXPECT_EQ(ReadBytes(file), std::vector<unsigned char>({'a', ' ', '1', '\n', 'b', ' ', '2', '\n'}))
        << "line feeds stay line feeds on every system";
    EXPECT_EQ(folder.EntryCount(), 1u);
#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
#endif
    EXPECT_FALSE(ReplaceFileWhole(folder.File("no-such-folder") / "horavane.prom", "a 1\n", error));
    EXPECT_NE(error.find("cannot be created"), std::string::npos) << error;
}

}  // namespace
}  // namespace horavane::test
