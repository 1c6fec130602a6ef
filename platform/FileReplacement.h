#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace horavane {

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
    // nullptr with `error` when it cannot be created.
    [[nodiscard]] virtual std::unique_ptr<NewFile> Create(const std::filesystem::path& path,
                                                          std::string& error) = 0;
    // Puts `from` in the place of `to` in one step: a reader of `to` sees the old or the new file.
    [[nodiscard]] virtual bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                                      std::string& error) = 0;
    virtual void Remove(const std::filesystem::path& path) = 0;
};

[[nodiscard]] FileSteps& RealFileSteps();

// Replaces `file` with `content` so that a reader (a textfile collector scraping at any moment) sees
// the old file or the whole new one: written to a temporary file beside it, flushed, renamed over
// it. The temporary file's name does not end in `file`'s extension, so that a collector reading
// every *.prom of the folder never takes it. On any failure the temporary file is removed, `file`
// is as it was, and `error` says what failed.
[[nodiscard]] bool ReplaceFileWhole(const std::filesystem::path& file, std::string_view content,
                                    std::string& error, FileSteps& steps = RealFileSteps());

}  // namespace horavane
