#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace horavane {

// What stands in the place of a file the programs are about to write, judged before anything is
// written. Every file they write (monitor's --output, the journal, the simulator's state file, the
// password file) follows one rule: only a regular file is written. A link is followed, through
// links to links, and the regular file it ends at is written in its own folder, the link left as it
// is; a link to nothing, to a folder, a device, a FIFO or a socket, or a chain of more than 40
// links, is refused, and so is any of these in the file's own place. Nothing is then changed.
struct FileTarget {
    enum class Kind {
        kMissing,  // nothing of that name: a new file is made there
        kRegular,  // a regular file at `place`
        kRefused,  // `refusal` says what stands there
    };
    Kind kind = Kind::kMissing;
    std::filesystem::path place;  // where the file is written: the file itself, or the end of its link
    std::string refusal;          // "/x is a FIFO, not a regular file"
};

[[nodiscard]] FileTarget JudgeFileTarget(const std::filesystem::path& file);

// A new file being written, closed at the latest when the object goes.
class NewFile {
  public:
    virtual ~NewFile() = default;
    // Each false with a one-line reason in `error`.
    [[nodiscard]] virtual bool Write(std::string_view bytes, std::string& error) = 0;
    [[nodiscard]] virtual bool Flush(std::string& error) = 0;  // onto the disk, not the system's cache
    [[nodiscard]] virtual bool Close(std::string& error) = 0;
};

// The steps a file is replaced with; tests wrap the real ones to fail at any of them.
class FileSteps {
  public:
    virtual ~FileSteps() = default;
    // A file that did not exist before, readable by everyone and writable by its owner (0644);
    // nullptr with `error` when it cannot be created. It is kept from a later run's sweep of
    // leftovers (a lock on POSIX, no sharing on Windows) for as long as the object lives.
    [[nodiscard]] virtual std::unique_ptr<NewFile> Create(const std::filesystem::path& path,
                                                          std::string& error) = 0;
    // Puts `from` in the place of `to` in one step: a reader of `to` sees the old or the new file.
    [[nodiscard]] virtual bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                                      std::string& error) = 0;
    virtual void Remove(const std::filesystem::path& path) = 0;
};

[[nodiscard]] FileSteps& RealFileSteps();

enum class Replacement {
    kReplaced,
    kRefused,  // JudgeFileTarget refused what stands in the file's place; nothing was changed
    kFailed,   // a step failed; the file is as it was
};

// Replaces `file` (as JudgeFileTarget places it) with `content` so that a reader (a textfile
// collector scraping at any moment) sees the old file or the whole new one: written to a temporary
// file beside it, flushed, renamed over it. The temporary file's name, FILENAME.tmp-PID-N, does not
// end in `file`'s extension, so that a collector reading every *.prom of the folder never takes it.
// On any failure the temporary file is removed, `file` is as it was, and `error` says what failed.
// A temporary file that a killed program left is removed by the next replacement of the same file:
// only one that no living program holds.
[[nodiscard]] Replacement ReplaceFileWhole(const std::filesystem::path& file, std::string_view content,
                                           std::string& error, FileSteps& steps = RealFileSteps());

// A lock that one program at a time holds on a file it replaces whole, for as long as the object
// lives. The file itself changes with every replacement, so the lock is a file of its own beside it,
// FILE.lock (a regular file, never a link), left in place for the next holder; a holder that dies
// frees it.
class FileLock {
  public:
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    // nullopt with the reason when another program holds it or the lock file cannot be had.
    [[nodiscard]] static std::optional<FileLock> Take(const std::filesystem::path& file, std::string& error);

  private:
    explicit FileLock(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_ = -1;
};

}  // namespace horavane
