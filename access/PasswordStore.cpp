#include "access/PasswordStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "access/Md5.h"
#include "platform/FileReplacement.h"

namespace horavane {
namespace {

constexpr std::string_view kSalt = "temrusovial";
// The default password exists only joined to the salt, as the one text whose digest is in force
// until a password file holds another.
constexpr std::string_view kDefaultText = "QXNdarvelinttemrusovial";
constexpr std::size_t kDigestSize = std::tuple_size_v<PasswordDigest>;

// Bytes beyond the digest are kept by a change, up to this much; a longer file is refused rather
// than read into memory whole or cut.
constexpr std::size_t kLongestKeptFile = std::size_t{1} << 20U;

// Bytes 16 and beyond of the file in place, which a change keeps; nullopt when the file exists but
// cannot be read whole, since rewriting it would then lose them.
std::optional<std::vector<std::uint8_t>> ReadKeptTail(PasswordFileSystem& files,
                                                      const std::filesystem::path& path) {
    const FileRead file = files.Read(path, kLongestKeptFile + 1);
    if (file.outcome == FileRead::Outcome::kMissing) return std::vector<std::uint8_t>{};
    if (file.outcome != FileRead::Outcome::kRead || file.bytes.size() > kLongestKeptFile) return std::nullopt;
    if (file.bytes.size() <= kDigestSize) return std::vector<std::uint8_t>{};
    return std::vector<std::uint8_t>(file.bytes.begin() + static_cast<std::ptrdiff_t>(kDigestSize),
                                     file.bytes.end());
}

// The password file's own operations as the steps of the one replacement every written file goes
// through, so that the rule on what may stand in the file's place is that of every other file.
class PasswordSteps final : public FileSteps {
  public:
    explicit PasswordSteps(PasswordFileSystem& files) : files_(files) {}
    std::unique_ptr<NewFile> Create(const std::filesystem::path& path, std::string& error) override {
        std::unique_ptr<WritableFile> file = files_.CreateNew(path);
        if (!file) {
            error = "cannot be created";
            return nullptr;
        }
        return std::make_unique<PasswordNewFile>(std::move(file));
    }
    bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error) override {
        if (files_.Replace(from, to)) return true;
        error = "refused";
        return false;
    }
    void Remove(const std::filesystem::path& path) override { files_.Remove(path); }

  private:
    class PasswordNewFile final : public NewFile {
      public:
        explicit PasswordNewFile(std::unique_ptr<WritableFile> file) : file_(std::move(file)) {}
        bool Write(std::string_view bytes, std::string& error) override {
            const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
            return file_->Write(std::span(data, bytes.size())) || Failed(error);
        }
        bool Flush(std::string& error) override { return file_->Flush() || Failed(error); }
        bool Close(std::string& error) override { return file_->Close() || Failed(error); }

      private:
        static bool Failed(std::string& error) {
            error = "failed";
            return false;
        }
        std::unique_ptr<WritableFile> file_;
    };
    PasswordFileSystem& files_;
};

}  // namespace

PasswordDigest ComputePasswordDigest(std::string_view password) {
    return Md5({password, kSalt});
}

PasswordDigest InitialDigest() {
    return Md5({kDefaultText});
}

PasswordStore::PasswordStore(std::filesystem::path path) : PasswordStore(std::move(path), RealFileSystem()) {}

PasswordStore::PasswordStore(std::filesystem::path path, std::shared_ptr<PasswordFileSystem> fileSystem)
    : path_(std::move(path)), fileSystem_(fileSystem ? std::move(fileSystem) : RealFileSystem()) {}

PasswordFileState PasswordStore::ReadPasswordFile(PasswordDigest& digest) const {
    const FileRead file = fileSystem_->Read(path_, digest.size());
    if (file.outcome == FileRead::Outcome::kUnreadable) return PasswordFileState::kUnreadable;
    if (file.outcome == FileRead::Outcome::kMissing || file.bytes.size() < digest.size())
        return PasswordFileState::kNoPassword;
    std::copy_n(file.bytes.begin(), digest.size(), digest.begin());
    return PasswordFileState::kLoaded;
}

// The old file stays in place until the new one is complete on disk, so that a failure at any step
// leaves the password that was in force, and a reader never meets a half-written file.
bool PasswordStore::WritePasswordFile(std::string_view newPassword) const {
    if (!path_.has_filename()) return false;
    const std::optional<std::vector<std::uint8_t>> tail = ReadKeptTail(*fileSystem_, path_);
    if (!tail) return false;
    const PasswordDigest digest = ComputePasswordDigest(newPassword);
    std::vector<std::uint8_t> content(digest.begin(), digest.end());
    content.insert(content.end(), tail->begin(), tail->end());

    PasswordSteps steps(*fileSystem_);
    std::string error;
    return ReplaceFileWhole(path_,
                            std::string_view(reinterpret_cast<const char*>(content.data()), content.size()),
                            error, steps) == Replacement::kReplaced;
}

std::string UnreadablePasswordFileMessage(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return "The password file " + std::string(name.begin(), name.end()) +
           " cannot be read: every password is refused until it can.";
}

bool PasswordMatches(std::string_view typed, const PasswordDigest& stored) {
    return ComputePasswordDigest(typed) == stored;
}

}  // namespace horavane
