#include "platform/DurableFile.h"

#include <system_error>

#ifdef _WIN32
#include "platform/Windows.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace horavane {
namespace {

#ifdef _WIN32

bool MakeFolder(const std::filesystem::path& folder, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (!code && std::filesystem::is_directory(folder, code)) return true;
    error = "cannot create the folder " + folder.string() + (code ? ": " + code.message() : "");
    return false;
}

#else

// Every missing folder is made for the user alone (0700), whatever the umask; the file's own folder
// is refused when anyone else may write to it, since whoever may write there may replace the file.
bool MakeFolder(const std::filesystem::path& folder, std::string& error) {
    std::filesystem::path built;
    for (const auto& part : folder) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create the folder " + built.string() + ": " + std::strerror(errno);
            return false;
        }
    }
    return CheckFolderIsPrivate(folder, error);
}

#endif

#ifdef _WIN32

std::string LastError(const char* step) {
    return std::string(step) + " failed (error " + std::to_string(GetLastError()) + ")";
}

bool AppendTo(HANDLE file, std::string_view lines, std::string& error) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) return error = LastError("GetFileSizeEx"), false;
    std::string text;
    if (size.QuadPart > 0) {
        LARGE_INTEGER last{};
        last.QuadPart = size.QuadPart - 1;
        char tail = '\n';
        DWORD read = 0;
        if (!SetFilePointerEx(file, last, nullptr, FILE_BEGIN) || !ReadFile(file, &tail, 1, &read, nullptr))
            return error = LastError("reading the file's end"), false;
        if (tail != '\n') text = "\n";
    }
    text.append(lines);
    LARGE_INTEGER end{};
    DWORD written = 0;
    if (SetFilePointerEx(file, end, nullptr, FILE_END) &&
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size() && FlushFileBuffers(file))
        return true;
    error = LastError("WriteFile");
    // Cut back to the former size, so that no part of the refused lines stays.
    if (!SetFilePointerEx(file, size, nullptr, FILE_BEGIN) || !SetEndOfFile(file) || !FlushFileBuffers(file))
        error += "; and cutting it back to its former size failed";
    return false;
}

#else

std::string LastError(const char* step) {
    return std::string(step) + ": " + std::strerror(errno);
}

// One call for the closing line feed and the lines, which are not copied: O_APPEND puts the whole
// after whatever another program appended. What a short write leaves goes in further calls.
bool WriteAll(int fd, std::string_view head, std::string_view text) {
    while (!head.empty() || !text.empty()) {
        iovec parts[2] = {{const_cast<char*>(head.data()), head.size()},
                          {const_cast<char*>(text.data()), text.size()}};
        const ssize_t n = ::writev(fd, parts, 2);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        const auto written = static_cast<std::size_t>(n);
        const std::size_t fromHead = std::min(written, head.size());
        head.remove_prefix(fromHead);
        text.remove_prefix(written - fromHead);
    }
    return true;
}

// On any failure the file is cut back to the size it had, so that no part of the lines stays: a
// record that was refused must never be read as a write that happened.
bool AppendTo(int fd, std::string_view lines, std::string& error) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return error = LastError("fstat"), false;
    if (!S_ISREG(info.st_mode)) return error = "not a regular file", false;
    std::string_view closing;
    if (info.st_size > 0) {
        char tail = '\n';
        if (::pread(fd, &tail, 1, info.st_size - 1) != 1)
            return error = LastError("reading the file's end"), false;
        if (tail != '\n') closing = "\n";
    }
    if (WriteAll(fd, closing, lines)) {
        if (::fsync(fd) == 0) return true;
        error = LastError("fsync");
    } else {
        error = LastError("write");
    }
    if (::ftruncate(fd, info.st_size) != 0 || ::fsync(fd) != 0)
        error += "; and cutting it back to its former size failed: " + LastError("ftruncate");
    return false;
}

// A new file's name reaches the disk with its folder's entry.
bool SyncFolder(const std::filesystem::path& folder, std::string& error) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return error = LastError("opening the folder"), false;
    const bool synced = ::fsync(fd) == 0;
    if (!synced) error = LastError("fsync of the folder");
    ::close(fd);
    return synced;
}

#endif

}  // namespace

bool CheckFolderIsPrivate(const std::filesystem::path& folder, std::string& error) {
#ifdef _WIN32
    (void)folder;
    (void)error;
    return true;
#else
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        error = "cannot look at the folder " + folder.string() + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = folder.string() + " is not a folder";
        return false;
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        error = "the folder " + folder.string() + " may be written by others (mode " + mode +
                "), who could replace its files: chmod go-w " + folder.string();
        return false;
    }
    return true;
#endif
}

bool AppendLinesDurably(const std::filesystem::path& file, std::string_view lines, std::string& error) {
    const std::filesystem::path folder = file.parent_path();
    if (!folder.empty() && !MakeFolder(folder, error)) return false;
#ifdef _WIN32
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = "cannot open " + file.string() + ": " + LastError("CreateFileW");
        return false;
    }
    // Windows has no flush for a folder; FlushFileBuffers on the file is all it offers.
    const bool appended = AppendTo(handle, lines, error);
    CloseHandle(handle);
    return appended;
#else
    std::error_code code;
    const auto status = std::filesystem::status(file, code);
    const bool existed = std::filesystem::exists(status);
    if (existed && !std::filesystem::is_regular_file(status)) {
        error = file.string() + " is not a regular file";
        return false;
    }
    // Not blocking: a FIFO in the file's place is refused at once instead of waited on.
    const int fd = ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        error = "cannot open " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    const bool appended = AppendTo(fd, lines, error);
    if (::close(fd) != 0 && appended) {
        error = LastError("close");
        return false;
    }
    return appended && (existed || SyncFolder(folder.empty() ? "." : folder, error));
#endif
}

}  // namespace horavane

namespace horavane {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

#ifdef _WIN32

LineFile::~LineFile() {
    if (file_ != nullptr) CloseHandle(static_cast<HANDLE>(file_));
}

LineFile::Opened LineFile::Open(const std::filesystem::path& file, std::string& error) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return Opened::Missing;
        error = "cannot open " + file.string() + " (error " + std::to_string(code) + ")";
        return Opened::Failed;
    }
    file_ = handle;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        error = file.string() + " is not a regular file";
        return Opened::Failed;
    }
    return Opened::Ok;
}

bool LineFile::Fill(std::string& error) {
    char chunk[kReadChunk];
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(file_), chunk, sizeof chunk, &got, nullptr)) {
        error = "reading failed (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    if (got == 0) ended_ = true;
    buffer_.append(chunk, got);
    return true;
}

#else

LineFile::~LineFile() {
    if (fd_ >= 0) ::close(fd_);
}

LineFile::Opened LineFile::Open(const std::filesystem::path& file, std::string& error) {
    fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        if (errno == ENOENT) return Opened::Missing;
        error = "cannot open " + file.string() + ": " + std::strerror(errno);
        return Opened::Failed;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = file.string() + " is not a regular file";
        return Opened::Failed;
    }
    return Opened::Ok;
}

bool LineFile::Fill(std::string& error) {
    char chunk[kReadChunk];
    for (;;) {
        const ssize_t got = ::read(fd_, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = std::string("reading failed: ") + std::strerror(errno);
            return false;
        }
        if (got == 0) ended_ = true;
        buffer_.append(chunk, static_cast<std::size_t>(got));
        return true;
    }
}

#endif

LineFile::Next LineFile::Read(std::string& line, std::size_t longest, std::string& error) {
    bool tooLong = false;
    for (;;) {
        const std::size_t end = buffer_.find('\n', start_);
        if (end != std::string::npos) {
            if (!tooLong && end - start_ > longest) tooLong = true;
            if (!tooLong) line.assign(buffer_, start_, end - start_);
            start_ = end + 1;
            return tooLong ? Next::TooLong : Next::Line;
        }
        // What is held of an overlong line is let go of: only its end is still looked for.
        if (tooLong || buffer_.size() - start_ > longest) {
            tooLong = true;
            buffer_.clear();
        } else {
            buffer_.erase(0, start_);
        }
        start_ = 0;
        if (ended_) {
            if (tooLong) return Next::TooLong;
            if (buffer_.empty()) return Next::End;
            line = std::move(buffer_);  // a last line without its line feed
            buffer_.clear();
            return Next::Line;
        }
        if (!Fill(error)) return Next::Failed;
    }
}

}  // namespace horavane
