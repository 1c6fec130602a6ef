#include "access/PasswordStore.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "access/Md5.h"

#ifdef _WIN32
#include <share.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace horavane {
namespace {

constexpr std::string_view kSalt = "temrusovial";
// The default password exists only joined to the salt, as the one text whose digest is in force
// until a password file holds another.
constexpr std::string_view kDefaultText = "QXNdarvelinttemrusovial";
constexpr std::size_t kDigestSize = std::tuple_size_v<PasswordDigest>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Nobody else may have the file open meanwhile where the system can say so. Only a plain file is
// read: opening a pipe put in its place would wait for a writer, and the password dialog with it.
FilePtr OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    return FilePtr(_wfsopen(path.c_str(), L"rb", _SH_DENYRW));
#else
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    FilePtr file(::fdopen(descriptor, "rb"));
    if (!file) ::close(descriptor);
    return file;
#endif
}

// Bytes 16 and beyond of the file in place, which a change keeps; nullopt when the file exists but
// cannot be read whole, since rewriting it would then lose them.
std::optional<std::vector<std::uint8_t>> ReadKeptTail(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return std::vector<std::uint8_t>{};
    if (error || status.type() != std::filesystem::file_type::regular) return std::nullopt;
    const FilePtr file = OpenForReading(path);
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> content;
    std::uint8_t block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
        content.insert(content.end(), block, block + got);
    if (std::ferror(file.get()) != 0) return std::nullopt;
    if (content.size() <= kDigestSize) return std::vector<std::uint8_t>{};
    return std::vector<std::uint8_t>(content.begin() + static_cast<std::ptrdiff_t>(kDigestSize),
                                     content.end());
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

void PasswordStore::ReadPasswordFile(PasswordDigest& digest) const {
    if (path_.empty()) return;
    const FilePtr file = OpenForReading(path_);
    if (!file) return;
    PasswordDigest read{};
    if (std::fread(read.data(), 1, read.size(), file.get()) == read.size()) digest = read;
}

// The old file stays in place until the new one is complete on disk, so that a failure at any step
// leaves the password that was in force, and a reader never meets a half-written file.
bool PasswordStore::WritePasswordFile(std::string_view newPassword) const {
    if (!path_.has_filename()) return false;
    const std::optional<std::vector<std::uint8_t>> tail = ReadKeptTail(path_);
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

bool PasswordMatches(std::string_view typed, const PasswordDigest& stored) {
    return ComputePasswordDigest(typed) == stored;
}

}  // namespace horavane
