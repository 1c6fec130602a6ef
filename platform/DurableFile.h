#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace horavane {

// Where lines went, so that they can be withdrawn.
struct AppendedLines {
    std::filesystem::path file;  // the regular file written (the end of a link)
    std::uint64_t offset = 0;    // of the first byte of the lines
    std::string lines;
};

// Flushes a folder's entries to the disk; tests put a failing one in its place.
using FolderFlush = bool (*)(const std::filesystem::path& folder, std::string& error);

// Appends `lines` (whole lines, each ending in a line feed) to a file of lines, creating the file,
// readable and writable by the user alone, and its folders when missing (0700, whatever the
// umask). The file goes where JudgeFileTarget places it, and it and its folder must be the user's
// own, which nobody else may write to: anything else (another user's file or folder, a mode that
// lets others write, a FIFO or a folder in the file's place) is refused at once. A last line left
// without
// its line feed (a program killed while it appended) is closed first, so that it stays one torn
// line of its own instead of swallowing the first new one. Returns once the lines are on the disk
// (fsync / FlushFileBuffers, and the folder too when the file is new); false with a one-line reason
// in `error` when any step failed, and then nothing may be taken as written: the file is cut back
// to the size it had, so that no part of the lines stays, a new file's failed folder flush included.
[[nodiscard]] bool AppendLinesDurably(const std::filesystem::path& file, std::string_view lines,
                                      std::string& error, AppendedLines* appended = nullptr,
                                      FolderFlush flushFolder = nullptr);

// Takes back lines appended before, once what they describe did not happen: cut off where they
// end the file, else overwritten in place by blanks (a blank line is no line to a reader), so that
// lines appended after them stay. Refused, with the reason, when the bytes there are no longer
// those lines. On the disk when true.
[[nodiscard]] bool WithdrawLinesDurably(const AppendedLines& appended, std::string& error);

// false with a one-line reason (and the chmod that mends it) when `folder` is not a folder, when it
// belongs to another user, or when its group or anyone else may write to it and so replace the
// files in it. Always true on Windows, where the user's own profile folder holds the files.
[[nodiscard]] bool CheckFolderIsPrivate(const std::filesystem::path& folder, std::string& error);

// A file of lines read as a stream, a buffer at a time, so that memory stays flat however long it
// is. Only a regular file is read: a FIFO or a device is refused at once, never waited on.
class LineFile {
  public:
    enum class Opened { Ok, Missing, Failed };
    enum class Next { Line, TooLong, End, Failed };

    LineFile() = default;
    ~LineFile();
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    // `ownOnly`: the file must also belong to the user and be writable by nobody else (not checked
    // on Windows).
    [[nodiscard]] Opened Open(const std::filesystem::path& file, std::string& error, bool ownOnly = false);
    // The next line without its line feed. A line longer than `longest` bytes is passed over to its
    // end and reported as TooLong, its bytes never held. Failed with the reason on a read error.
    [[nodiscard]] Next Read(std::string& line, std::size_t longest, std::string& error);

  private:
    bool Fill(std::string& error);

#ifdef _WIN32
    void* file_ = nullptr;  // a HANDLE
#else
    int fd_ = -1;
#endif
    std::string buffer_;
    std::size_t start_ = 0;
    bool ended_ = false;
};

}  // namespace horavane
