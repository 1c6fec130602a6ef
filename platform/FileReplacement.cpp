#include "platform/FileReplacement.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include "platform/Windows.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

// The lock that keeps a later run's sweep off the file is held on a descriptor of its own, so that
// it outlives Close until the file has taken its place.
class PosixNewFile final : public NewFile {
  public:
    PosixNewFile(int descriptor, int lock) : descriptor_(descriptor), lock_(lock) {}
    ~PosixNewFile() override {
        std::string ignored;
        (void)Close(ignored);
        if (lock_ >= 0) ::close(lock_);
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
    int lock_;
};

class PosixFileSteps final : public FileSteps {
  public:
    std::unique_ptr<NewFile> Create(const std::filesystem::path& path, std::string& error) override {
        const int descriptor =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (descriptor < 0) {
            error = FileErrorText();
            return nullptr;
        }
        // The umask of a timer's service may be tighter; the collector often runs as another user.
        const int lock = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
        if (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) != 0 || ::fchmod(descriptor, 0644) != 0) {
            error = FileErrorText();
            if (lock >= 0) ::close(lock);
            ::close(descriptor);
            ::unlink(path.c_str());
            return nullptr;
        }
        return std::make_unique<PosixNewFile>(descriptor, lock);
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

// Links followed before a chain counts as a loop, as the system's own limit on Linux.
constexpr int kLongestLinkChain = 40;

std::string KindText(std::filesystem::file_type type) {
    using std::filesystem::file_type;
    switch (type) {
        case file_type::directory:
            return "a folder";
        case file_type::block:
        case file_type::character:
            return "a device";
        case file_type::fifo:
            return "a FIFO";
        case file_type::socket:
            return "a socket";
        default:
            return "something other than a file";
    }
}

// FILENAME.tmp-PID-N, as ReplaceFileWhole names its temporary files, and nothing else: a sweep must
// never take a file of the operator's that only looks alike.
bool IsTemporaryOf(const std::string& name, const std::string& filename) {
    const std::string prefix = filename + ".tmp-";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string rest = name.substr(prefix.size());
    const auto dash = rest.find('-');
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.size() <= 20 &&
               text.find_first_not_of("0123456789") == std::string::npos;
    };
    return dash != std::string::npos && digits(std::string_view(rest).substr(0, dash)) &&
           digits(std::string_view(rest).substr(dash + 1));
}

// A folder holds few of these; a huge one is not read to its end for them.
constexpr int kSweptEntries = 10000;

#ifdef _WIN32
// A living writer holds its temporary file open without sharing, so that deleting it fails; only
// a dead one's file goes.
void RemoveIfNobodyHolds(const std::filesystem::path& path) {
    DeleteFileW(path.c_str());
}
#else
// A living writer holds a lock on its temporary file; a file of another user, or anything but a
// regular file, is left alone.
void RemoveIfNobodyHolds(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.c_str(), &named) == 0 &&
        named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
        ::unlink(path.c_str());
    ::close(fd);
}
#endif

void SweepLeftovers(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    const std::string filename = file.filename().string();
    std::error_code code;
    std::filesystem::directory_iterator entries(folder, code);
    int seen = 0;
    for (; !code && entries != std::filesystem::directory_iterator() && seen < kSweptEntries;
         entries.increment(code), ++seen)
        if (IsTemporaryOf(entries->path().filename().string(), filename))
            RemoveIfNobodyHolds(entries->path());
}

std::atomic<unsigned> g_temporaries{0};

}  // namespace

FileTarget JudgeFileTarget(const std::filesystem::path& file) {
    std::filesystem::path place = file;
    for (int links = 0; links <= kLongestLinkChain; ++links) {
        std::error_code code;
        const auto status = std::filesystem::symlink_status(place, code);
        const std::string what =
            links == 0 ? file.string() : file.string() + " is a link to " + place.string();
        const std::string subject = links == 0 ? file.string() + " is " : what + ", ";
        if (status.type() == std::filesystem::file_type::not_found) {
            if (links == 0) return {FileTarget::Kind::kMissing, place, {}};
            return {FileTarget::Kind::kRefused, place, what + ", which does not exist"};
        }
        if (code)
            return {FileTarget::Kind::kRefused, place,
                    "cannot look at " + place.string() + ": " + code.message()};
        if (std::filesystem::is_symlink(status)) {
            const std::filesystem::path target = std::filesystem::read_symlink(place, code);
            if (code)
                return {FileTarget::Kind::kRefused, place,
                        "cannot read the link " + place.string() + ": " + code.message()};
            place = target.is_absolute() ? target : place.parent_path() / target;
            continue;
        }
        if (std::filesystem::is_regular_file(status)) return {FileTarget::Kind::kRegular, place, {}};
        return {FileTarget::Kind::kRefused, place,
                subject + KindText(status.type()) + ", not a regular file"};
    }
    return {FileTarget::Kind::kRefused, place, file.string() + " is a chain of more than 40 links"};
}

FileSteps& RealFileSteps() {
#ifdef _WIN32
    static WindowsFileSteps steps;
#else
    static PosixFileSteps steps;
#endif
    return steps;
}

Replacement ReplaceFileWhole(const std::filesystem::path& file, std::string_view content, std::string& error,
                             FileSteps& steps) {
    const FileTarget target = JudgeFileTarget(file);
    if (target.kind == FileTarget::Kind::kRefused) {
        error = target.refusal + "; nothing was written";
        return Replacement::kRefused;
    }
    const std::filesystem::path& place = target.place;
    SweepLeftovers(place);
    const std::string stem = place.filename().string() + ".tmp-" + std::to_string(ProcessId()) + "-";
    std::filesystem::path temporary;
    std::unique_ptr<NewFile> out;
    std::string why;
    for (int attempt = 0; attempt < kNameAttempts && !out; ++attempt) {
        // Numbered across the process, so that two threads never aim at one name.
        temporary = place.parent_path() / (stem + std::to_string(g_temporaries++));
        out = steps.Create(temporary, why);
        if (!out && !NameTaken(temporary)) break;  // not a name clash: another name would fail alike
    }
    if (!out) {
        error = file.string() + " cannot be written: " + temporary.string() + " cannot be created: " + why;
        return Replacement::kFailed;
    }
    const char* step = !out->Write(content, why)              ? "writing"
                       : !out->Flush(why)                     ? "flushing"
                       : !out->Close(why)                     ? "closing"
                       : !steps.Rename(temporary, place, why) ? "renaming"
                                                              : nullptr;
    if (step == nullptr) return Replacement::kReplaced;
    out.reset();
    steps.Remove(temporary);
    error = file.string() + " cannot be written: " + step + " " + temporary.string() + " failed: " + why;
    return Replacement::kFailed;
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        FileLock released(std::exchange(handle_, -1));
        handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
}

#ifdef _WIN32

FileLock::~FileLock() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(std::exchange(handle_, -1)));
}

// Opened without sharing: a second opener fails while the holder lives, and a dead holder's handle
// is closed by the system.
std::optional<FileLock> FileLock::Take(const std::filesystem::path& file, std::string& error) {
    std::filesystem::path path = file;
    path += ".lock";
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        error = code == ERROR_SHARING_VIOLATION ? path.string() + " is held by another program"
                                                : "cannot open " + path.string() + ": " + FileErrorText();
        return std::nullopt;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        error = path.string() + " is not a regular file";
        return std::nullopt;
    }
    return FileLock(reinterpret_cast<std::intptr_t>(handle));
}

#else

FileLock::~FileLock() {
    if (handle_ != -1) ::close(static_cast<int>(std::exchange(handle_, -1)));
}

std::optional<FileLock> FileLock::Take(const std::filesystem::path& file, std::string& error) {
    std::filesystem::path path = file;
    path += ".lock";
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot open " + path.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = path.string() + " is not a regular file";
        return std::nullopt;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        error = code == EWOULDBLOCK ? path.string() + " is held by another program"
                                    : "cannot lock " + path.string() + ": " + std::strerror(code);
        return std::nullopt;
    }
    return FileLock(fd);
}

#endif

}  // namespace horavane
