#include "access/PasswordStore.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <string>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <system_error>

#include "platform/Paths.h"

namespace horavane {
namespace {

#ifdef _WIN32

class WindowsFile final : public WritableFile {
  public:
    explicit WindowsFile(HANDLE handle) : handle_(handle) {}
    ~WindowsFile() override { (void)Close(); }

    bool Write(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 20U));
            DWORD written = 0;
            if (!WriteFile(handle_, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
            bytes = bytes.subspan(written);
        }
        return true;
    }
    bool Flush() override { return FlushFileBuffers(handle_) != 0; }
    bool Close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return true;
        const bool ok = CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE handle_;
};

class WindowsFileSystem final : public PasswordFileSystem {
  public:
    std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path& path) override {
        const HANDLE handle =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<WindowsFile>(handle);
    }
    bool Replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    void Remove(const std::filesystem::path& path) override { DeleteFileW(path.c_str()); }
};

#else

class PosixFile final : public WritableFile {
  public:
    explicit PosixFile(int descriptor) : descriptor_(descriptor) {}
    ~PosixFile() override { (void)Close(); }

    bool Write(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            bytes = bytes.subspan(static_cast<std::size_t>(written));
        }
        return true;
    }
    bool Flush() override { return ::fsync(descriptor_) == 0; }
    bool Close() override {
        if (descriptor_ < 0) return true;
        const bool ok = ::close(descriptor_) == 0;
        descriptor_ = -1;
        return ok;
    }

  private:
    int descriptor_;
};

class PosixFileSystem final : public PasswordFileSystem {
  public:
    std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path& path) override {
        // Readable by every user of the workstation: all of them are checked against it.
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (descriptor < 0) return nullptr;
        return std::make_unique<PosixFile>(descriptor);
    }
    bool Replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        // A rename would ignore a password file made read-only to lock the password; writing in
        // place would not, and neither does replacing on Windows.
        if (::access(to.c_str(), F_OK) == 0 && ::access(to.c_str(), W_OK) != 0) return false;
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

std::filesystem::path DefaultPasswordFilePath() {
    const std::filesystem::path folder = WorkstationDataFolder();
    return folder.empty() ? std::filesystem::path() : folder / "ZOR.dat";
}

}  // namespace horavane
