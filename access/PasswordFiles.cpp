#include "access/PasswordStore.h"

#ifdef _WIN32
#include <algorithm>
#include <string>

#include "platform/Windows.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#endif

#include <system_error>

#include "platform/FileReplacement.h"
#include "platform/Paths.h"

namespace horavane {
namespace {

// The new file as every replacement makes it (FileSteps): kept from a later run's sweep of
// leftovers while it lives.
class StepsFile final : public WritableFile {
  public:
    static std::unique_ptr<WritableFile> Create(const std::filesystem::path& path) {
        std::string ignored;
        auto file = RealFileSteps().Create(path, ignored);
        return file ? std::unique_ptr<WritableFile>(new StepsFile(std::move(file))) : nullptr;
    }
    bool Write(std::span<const std::uint8_t> bytes) override {
        std::string ignored;
        return file_->Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                            ignored);
    }
    bool Flush() override {
        std::string ignored;
        return file_->Flush(ignored);
    }
    bool Close() override {
        std::string ignored;
        return file_->Close(ignored);
    }

  private:
    explicit StepsFile(std::unique_ptr<NewFile> file) : file_(std::move(file)) {}
    std::unique_ptr<NewFile> file_;
};

#ifdef _WIN32

// How long another reader's hold on the file is waited out: a program reads it in microseconds, so
// a file held longer is kept from us on purpose.
constexpr int kSharingAttempts = 10;
constexpr DWORD kSharingPauseMs = 20;

class WindowsFileSystem final : public PasswordFileSystem {
  public:
    // A sharing violation is someone holding the file open. We chose to treat it as unreadable
    // rather than as no file: whoever can open the file could otherwise hold it while another user
    // starts the program and so open the gate with the default password.
    FileRead Read(const std::filesystem::path& path, std::size_t limit) override {
        if (path.empty()) return {FileRead::Outcome::kUnreadable, {}};
        HANDLE handle = INVALID_HANDLE_VALUE;
        DWORD error = ERROR_SUCCESS;
        for (int attempt = 0; attempt < kSharingAttempts; ++attempt) {
            handle = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
            error = GetLastError();
            if (handle != INVALID_HANDLE_VALUE || error != ERROR_SHARING_VIOLATION) break;
            Sleep(kSharingPauseMs);
        }
        if (handle == INVALID_HANDLE_VALUE) {
            // A link whose target is gone is there all the same: its attributes can be read.
            const bool absent = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) &&
                                GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
            return {absent ? FileRead::Outcome::kMissing : FileRead::Outcome::kUnreadable, {}};
        }
        FileRead result{FileRead::Outcome::kUnreadable, {}};
        if (GetFileType(handle) == FILE_TYPE_DISK) {
            result.outcome = FileRead::Outcome::kRead;
            std::uint8_t block[4096];
            while (result.bytes.size() < limit) {
                DWORD got = 0;
                const auto want = static_cast<DWORD>(std::min(sizeof block, limit - result.bytes.size()));
                if (!ReadFile(handle, block, want, &got, nullptr)) {
                    result = {FileRead::Outcome::kUnreadable, {}};
                    break;
                }
                if (got == 0) break;
                result.bytes.insert(result.bytes.end(), block, block + got);
            }
        }
        CloseHandle(handle);
        return result;
    }
    std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path& path) override {
        // A workstation whose password was never changed may not have the folder yet.
        CreateDirectoryW(path.parent_path().c_str(), nullptr);
        return StepsFile::Create(path);
    }
    bool Replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    void Remove(const std::filesystem::path& path) override { DeleteFileW(path.c_str()); }
};

#else

class PosixFileSystem final : public PasswordFileSystem {
  public:
    FileRead Read(const std::filesystem::path& path, std::size_t limit) override {
        if (path.empty()) return {FileRead::Outcome::kUnreadable, {}};
        const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) {
            // Only a name that is not there at all means no file; a link to nothing is there.
            const int openError = errno;
            struct stat link {};
            const bool absent = openError == ENOENT && ::lstat(path.c_str(), &link) != 0 && errno == ENOENT;
            return {absent ? FileRead::Outcome::kMissing : FileRead::Outcome::kUnreadable, {}};
        }
        FileRead result{FileRead::Outcome::kUnreadable, {}};
        struct stat status {};
        if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
            result.outcome = FileRead::Outcome::kRead;
            std::uint8_t block[4096];
            while (result.bytes.size() < limit) {
                const ssize_t got =
                    ::read(descriptor, block, std::min(sizeof block, limit - result.bytes.size()));
                if (got < 0 && errno == EINTR) continue;
                if (got < 0) {
                    result = {FileRead::Outcome::kUnreadable, {}};
                    break;
                }
                if (got == 0) break;
                result.bytes.insert(result.bytes.end(), block, block + got);
            }
        }
        ::close(descriptor);
        return result;
    }
    std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path& path) override {
        // A workstation whose password was never changed may not have the folder yet: where the
        // changer may create it, it is made writable by its owner alone, readable by everyone.
        if (const auto folder = path.parent_path(); !folder.empty() && ::mkdir(folder.c_str(), 0755) == 0)
            (void)::chmod(folder.c_str(), 0755);
        // Readable by every user of the workstation, all of whom are checked against it, whatever
        // the changer's umask (0644, as every replaced file is made).
        return StepsFile::Create(path);
    }
    bool Replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        // A rename would ignore a password file made read-only to lock the password; writing in
        // place would not, and neither does replacing on Windows. The mode bits count even for
        // root, who may write any file.
        struct stat status {};
        if (::stat(to.c_str(), &status) == 0 &&
            ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(to.c_str(), W_OK) != 0))
            return false;
        std::error_code error;
        std::filesystem::rename(from, to, error);
        if (error) return false;
        SyncFolder(to.parent_path());
        return true;
    }
    void Remove(const std::filesystem::path& path) override {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }

  private:
    // The rename itself reaches the disk only with its folder; the change has taken place already,
    // so a failure here is no reason to report one.
    static void SyncFolder(const std::filesystem::path& folder) {
        const int descriptor =
            ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0) return;
        (void)::fsync(descriptor);
        ::close(descriptor);
    }
};

#endif

}  // namespace

std::shared_ptr<PasswordFileSystem> RealFileSystem() {
#ifdef _WIN32
    return std::make_shared<WindowsFileSystem>();
#else
    return std::make_shared<PosixFileSystem>();
#endif
}

// A failed folder query gives no path, which closes the gate and refuses writes.
std::filesystem::path DefaultPasswordFilePath() {
    const std::filesystem::path folder = WorkstationDataFolder();
    return folder.empty() ? std::filesystem::path() : folder / "ZOR.dat";
}

}  // namespace horavane
