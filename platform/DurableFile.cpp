#include "platform/DurableFile.h"

#include <system_error>

#include "platform/FileReplacement.h"

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

bool AppendTo(HANDLE file, std::string_view lines, std::string& error, std::uint64_t& offset) {
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
    offset = static_cast<std::uint64_t>(size.QuadPart) + text.size();
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
bool AppendTo(int fd, std::string_view lines, std::string& error, off_t& former, std::uint64_t& offset) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return error = LastError("fstat"), false;
    if (!S_ISREG(info.st_mode)) return error = "not a regular file", false;
    former = info.st_size;
    std::string_view closing;
    if (info.st_size > 0) {
        char tail = '\n';
        if (::pread(fd, &tail, 1, info.st_size - 1) != 1)
            return error = LastError("reading the file's end"), false;
        if (tail != '\n') closing = "\n";
    }
    if (WriteAll(fd, closing, lines)) {
        // O_APPEND leaves the offset at the end of what this call wrote, wherever that was.
        const off_t end = ::lseek(fd, 0, SEEK_CUR);
        offset = end >= 0 ? static_cast<std::uint64_t>(end) - lines.size() : 0;
        if (::fsync(fd) == 0) return true;
        error = LastError("fsync");
    } else {
        error = LastError("write");
    }
    if (::ftruncate(fd, info.st_size) != 0 || ::fsync(fd) != 0)
        error += "; and cutting it back to its former size failed: " + LastError("ftruncate");
    return false;
}

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// What a user's own file must be before it is read or written: a regular file of the user's that
// nobody else may write to.
bool CheckOwnFile(const struct stat& info, const std::filesystem::path& file, std::string& error) {
    if (!S_ISREG(info.st_mode))
        error = file.string() + " is not a regular file";
    else if (info.st_uid != ::geteuid())
        error =
            file.string() + " belongs to another user (uid " + std::to_string(info.st_uid) + "), not to you";
    else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        error = file.string() + " may be written by others (mode " + ModeText(info.st_mode) +
                "): chmod go-w " + file.string();
    else
        return true;
    return false;
}

#endif

#ifndef _WIN32

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
    if (info.st_uid != ::geteuid()) {
        error = "the folder " + folder.string() + " belongs to another user (uid " +
                std::to_string(info.st_uid) + "), who could replace its files";
        return false;
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        error = "the folder " + folder.string() + " may be written by others (mode " +
                ModeText(info.st_mode) + "), who could replace its files: chmod go-w " + folder.string();
        return false;
    }
    return true;
#endif
}

bool AppendLinesDurably(const std::filesystem::path& file, std::string_view lines, std::string& error,
                        AppendedLines* appended, FolderFlush flushFolder) {
    const FileTarget target = JudgeFileTarget(file);
    if (target.kind == FileTarget::Kind::kRefused) {
        error = target.refusal;
        return false;
    }
    const std::filesystem::path folder = file.parent_path();
    if (!folder.empty() && !MakeFolder(folder, error)) return false;
    const std::filesystem::path& place = target.place;
    // A link's file is judged in its own folder too: whoever may write there may replace it.
    if (place.parent_path() != folder && !CheckFolderIsPrivate(place.parent_path(), error)) return false;
    std::uint64_t offset = 0;
#ifdef _WIN32
    const HANDLE handle =
        CreateFileW(place.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = "cannot open " + file.string() + ": " + LastError("CreateFileW");
        return false;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        error = file.string() + " is not a regular file";
        return false;
    }
    // Windows has no flush for a folder; FlushFileBuffers on the file is all it offers.
    (void)flushFolder;
    const bool done = AppendTo(handle, lines, error, offset);
    CloseHandle(handle);
#else
    constexpr int kFlags = O_RDWR | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY;
    int fd = ::open(place.c_str(), kFlags | O_CREAT | O_EXCL, 0600);
    const bool created = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = ::open(place.c_str(), kFlags);
    if (fd < 0) {
        error = "cannot open " + place.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !CheckOwnFile(info, place, error)) {
        if (error.empty()) error = LastError("fstat");
        ::close(fd);
        return false;
    }
    off_t former = 0;
    bool done = AppendTo(fd, lines, error, former, offset);
    // A new file's name is on the disk only with its folder's; a record whose file may vanish with a
    // crash is no record, so it is cut back like any other failed append.
    if (done && created &&
        !(flushFolder ? flushFolder : SyncFolder)(place.parent_path().empty() ? "." : place.parent_path(),
                                                  error)) {
        done = false;
        if (::ftruncate(fd, former) != 0 || ::fsync(fd) != 0)
            error += "; and cutting it back to its former size failed: " + LastError("ftruncate");
    }
    if (::close(fd) != 0 && done) {
        error = LastError("close");
        done = false;
    }
#endif
    if (done && appended != nullptr) *appended = AppendedLines{place, offset, std::string(lines)};
    return done;
}

#ifdef _WIN32

bool WithdrawLinesDurably(const AppendedLines& appended, std::string& error) {
    const HANDLE handle =
        CreateFileW(appended.file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = "cannot open " + appended.file.string() + ": " + LastError("CreateFileW");
        return false;
    }
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(appended.offset);
    LARGE_INTEGER size{};
    std::string there(appended.lines.size(), '\0');
    DWORD read = 0;
    bool done = GetFileSizeEx(handle, &size) && SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) &&
                ReadFile(handle, there.data(), static_cast<DWORD>(there.size()), &read, nullptr);
    if (!done || read != there.size() || there != appended.lines) {
        CloseHandle(handle);
        error = appended.file.string() + " no longer holds the lines where they were written";
        return false;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) == appended.offset + there.size()) {
        done = SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
    } else {
        for (char& c : there)
            if (c != '\n') c = ' ';
        DWORD written = 0;
        done = SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) &&
               WriteFile(handle, there.data(), static_cast<DWORD>(there.size()), &written, nullptr) &&
               written == there.size();
    }
    done = done && FlushFileBuffers(handle);
    if (!done) error = LastError("withdrawing the lines");
    CloseHandle(handle);
    return done;
}

#else

bool WithdrawLinesDurably(const AppendedLines& appended, std::string& error) {
    const int fd = ::open(appended.file.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0) {
        error = "cannot open " + appended.file.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    std::string there(appended.lines.size(), '\0');
    const auto at = static_cast<off_t>(appended.offset);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        ::pread(fd, there.data(), there.size(), at) != static_cast<ssize_t>(there.size()) ||
        there != appended.lines) {
        ::close(fd);
        error = appended.file.string() + " no longer holds the lines where they were written";
        return false;
    }
    bool done = false;
    if (static_cast<std::uint64_t>(info.st_size) == appended.offset + there.size()) {
        done = ::ftruncate(fd, at) == 0;
    } else {
        for (char& c : there)
            if (c != '\n') c = ' ';
        done = ::pwrite(fd, there.data(), there.size(), at) == static_cast<ssize_t>(there.size());
    }
    done = done && ::fsync(fd) == 0;
    if (!done) error = LastError("withdrawing the lines");
    ::close(fd);
    return done;
}

#endif

}  // namespace horavane

namespace horavane {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

#ifdef _WIN32

LineFile::~LineFile() {
    if (file_ != nullptr) CloseHandle(static_cast<HANDLE>(file_));
}

LineFile::Opened LineFile::Open(const std::filesystem::path& file, std::string& error, bool ownOnly) {
    (void)ownOnly;
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

LineFile::Opened LineFile::Open(const std::filesystem::path& file, std::string& error, bool ownOnly) {
    fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
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
    if (ownOnly && !CheckOwnFile(info, file, error)) return Opened::Failed;
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
