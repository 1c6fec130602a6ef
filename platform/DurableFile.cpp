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
#include <cstring>
#endif

namespace horavane {
namespace {

bool MakeFolder(const std::filesystem::path& folder, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (!code && std::filesystem::is_directory(folder, code)) return true;
    error = "cannot create the folder " + folder.string() + (code ? ": " + code.message() : "");
    return false;
}

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
    if (!SetFilePointerEx(file, end, nullptr, FILE_END) ||
        !WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
        return error = LastError("WriteFile"), false;
    if (!FlushFileBuffers(file)) return error = LastError("FlushFileBuffers"), false;
    return true;
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

bool AppendTo(int fd, std::string_view lines, std::string& error) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return error = LastError("fstat"), false;
    std::string_view closing;
    if (info.st_size > 0) {
        char tail = '\n';
        if (::pread(fd, &tail, 1, info.st_size - 1) != 1)
            return error = LastError("reading the file's end"), false;
        if (tail != '\n') closing = "\n";
    }
    if (!WriteAll(fd, closing, lines)) return error = LastError("write"), false;
    if (::fsync(fd) != 0) return error = LastError("fsync"), false;
    return true;
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
    const bool existed = std::filesystem::exists(file, code);
    const int fd = ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
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
