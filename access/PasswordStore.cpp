#include "access/PasswordStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "access/Md5.h"

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

// Beside the password file, so that the final rename never crosses file systems.
std::filesystem::path TemporaryBeside(const std::filesystem::path& path) {
    std::random_device random;
    const unsigned long long tag = (static_cast<unsigned long long>(random()) << 32U) ^ random();
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", tag);
    std::filesystem::path temporary = path;
    temporary += suffix;
    return temporary;
}

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

    const std::filesystem::path temporary = TemporaryBeside(path_);
    std::unique_ptr<WritableFile> file = fileSystem_->CreateNew(temporary);
    if (!file) return false;
    const bool written = file->Write(content) && file->Flush();
    const bool closed = file->Close();
    if (!written || !closed || !fileSystem_->Replace(temporary, path_)) {
        fileSystem_->Remove(temporary);
        return false;
    }
    return true;
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
