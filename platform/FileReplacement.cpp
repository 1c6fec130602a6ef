#include "platform/FileReplacement.h"

#include <algorithm>
#include <system_error>

#ifdef _WIN32
#include "platform/Windows.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace horavane {
namespace {

// Temporary names already taken (another run's leftovers, a run beside this one) are passed over,
// a bounded number of times.
constexpr int kNameAttempts = 100;

#ifdef _WIN32

std::string FileErrorText() {
    return std::system_category().message(static_cast<int>(GetLastError()));
}

unsigned long ProcessId() {
    return GetCurrentProcessId();
}

class WindowsNewFile final : public NewFile {
  public:
    explicit WindowsNewFile(HANDLE handle) : handle_(handle) {}
    ~WindowsNewFile() override {
        std::string ignored;
        (void)Close(ignored);
    }
    // Bytes as given: no text mode turns a line feed into CR LF.
    bool Write(std::string_view bytes, std::string& error) override {
        while (!bytes.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 20U));
            DWORD written = 0;
            if (!WriteFile(handle_, bytes.data(), chunk, &written, nullptr) || written == 0) {
                error = FileErrorText();
                return false;
            }
            bytes.remove_prefix(written);
        }
        return true;
    }
    bool Flush(std::string& error) override {
        if (FlushFileBuffers(handle_)) return true;
        error = FileErrorText();
        return false;
    }
    bool Close(std::string& error) override {
        if (handle_ == INVALID_HANDLE_VALUE) return true;
        const bool ok = CloseHandle(handle_) != 0;
        if (!ok) error = FileErrorText();
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE handle_;
};

class WindowsFileSteps final : public FileSteps {
  public:
    std::unique_ptr<NewFile> Create(const std::filesystem::path& path, std::string& error) override {
        const HANDLE handle =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            error = FileErrorText();
            return nullptr;
        }
        return std::make_unique<WindowsNewFile>(handle);
    }
    bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error) override {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        error = FileErrorText();
        return false;
    }
    void Remove(const std::filesystem::path& path) override { DeleteFileW(path.c_str()); }
};

#else

std::string FileErrorText() {
    return std::generic_category().message(errno);
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}

class PosixNewFile final : public NewFile {
  public:
    explicit PosixNewFile(int descriptor) : descriptor_(descriptor) {}
    ~PosixNewFile() override {
        std::string ignored;
        (void)Close(ignored);
    }
    bool Write(std::string_view bytes, std::string& error) override {
        while (!bytes.empty()) {
            const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                error = written < 0 ? FileErrorText() : "nothing written";
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }
    bool Flush(std::string& error) override {
        if (::fsync(descriptor_) == 0) return true;
        error = FileErrorText();
        return false;
    }
    bool Close(std::string& error) override {
        if (descriptor_ < 0) return true;
        const bool ok = ::close(descriptor_) == 0;
        if (!ok) error = FileErrorText();
        descriptor_ = -1;
        return ok;
    }

  private:
    int descriptor_;
};

class PosixFileSteps final : public FileSteps {
  public:
    std::unique_ptr<NewFile> Create(const std::filesystem::path& path, std::string& error) override {
        const int descriptor =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        // The umask of a timer's service may be tighter; the collector often runs as another user.
        if (descriptor < 0 || ::fchmod(descriptor, 0644) != 0) {
            error = FileErrorText();
            if (descriptor >= 0) {
                ::close(descriptor);
                ::unlink(path.c_str());
            }
            return nullptr;
        }
        return std::make_unique<PosixNewFile>(descriptor);
    }
    bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error) override {
        if (::rename(from.c_str(), to.c_str()) == 0) return true;
        error = FileErrorText();
        return false;
    }
    void Remove(const std::filesystem::path& path) override { ::unlink(path.c_str()); }
};

#endif

bool NameTaken(const std::filesystem::path& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

}  // namespace

FileSteps& RealFileSteps() {
#ifdef _WIN32
    static WindowsFileSteps steps;
#else
    static PosixFileSteps steps;
#endif
    return steps;
}

bool ReplaceFileWhole(const std::filesystem::path& file, std::string_view content, std::string& error,
                      FileSteps& steps) {
    const std::string stem = file.filename().string() + ".tmp-" + std::to_string(ProcessId()) + "-";
    std::filesystem::path temporary;
    std::unique_ptr<NewFile> out;
    std::string why;
    for (int attempt = 0; attempt < kNameAttempts && !out; ++attempt) {
        temporary = file.parent_path() / (stem + std::to_string(attempt));
        out = steps.Create(temporary, why);
        if (!out && !NameTaken(temporary)) break;  // not a name clash: another name would fail alike
    }
    if (!out) {
        error = file.string() + " cannot be written: " + temporary.string() + " cannot be created: " + why;
        return false;
    }
    const char* step = !out->Write(content, why)             ? "writing"
                       : !out->Flush(why)                    ? "flushing"
                       : !out->Close(why)                    ? "closing"
                       : !steps.Rename(temporary, file, why) ? "renaming"
                                                             : nullptr;
    if (step == nullptr) return true;
    out.reset();
    steps.Remove(temporary);
    error = file.string() + " cannot be written: " + step + " " + temporary.string() + " failed: " + why;
    return false;
}

}  // namespace horavane
