#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace horavane {

using PasswordDigest = std::array<std::uint8_t, 16>;

// MD5 of the password's bytes followed by the fixed salt.
[[nodiscard]] PasswordDigest ComputePasswordDigest(std::string_view password);
// The digest in force while no password file holds another: that of the default password.
[[nodiscard]] PasswordDigest InitialDigest();

// The workstation's one password file: the Windows directory's ZOR.dat on Windows,
// /var/lib/horavane/ZOR.dat elsewhere.
[[nodiscard]] std::filesystem::path DefaultPasswordFilePath();

// A file being written anew. Closing happens at the latest when the object goes.
class WritableFile {
  public:
    virtual ~WritableFile() = default;
    // Every byte or false.
    [[nodiscard]] virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Onto the disk itself, not just the system's cache.
    [[nodiscard]] virtual bool Flush() = 0;
    [[nodiscard]] virtual bool Close() = 0;
};

// The start of a file as reading found it.
struct FileRead {
    enum class Outcome {
        kMissing,     // nothing of that name
        kRead,        // a plain file; `bytes` holds its first bytes
        kUnreadable,  // something exists there but cannot be read as a plain file
    };
    Outcome outcome = Outcome::kMissing;
    std::vector<std::uint8_t> bytes;
};

// The file operations the password file is read and changed with; tests wrap the real ones to fail
// at any step.
class PasswordFileSystem {
  public:
    virtual ~PasswordFileSystem() = default;
    // Up to `limit` bytes from the start of the file, without waiting for anything (a pipe put in
    // the file's place is unreadable, not a wait for a writer).
    [[nodiscard]] virtual FileRead Read(const std::filesystem::path& path, std::size_t limit) = 0;
    // A file that did not exist before, open for writing only; nullptr when it cannot be created.
    [[nodiscard]] virtual std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path& path) = 0;
    // Puts `from` in the place of `to` in one step: a reader of `to` sees the old or the new file.
    [[nodiscard]] virtual bool Replace(const std::filesystem::path& from,
                                       const std::filesystem::path& to) = 0;
    virtual void Remove(const std::filesystem::path& path) = 0;
};

[[nodiscard]] std::shared_ptr<PasswordFileSystem> RealFileSystem();

enum class PasswordFileState {
    kNoPassword,  // no file, or one shorter than a digest: the default password holds
    kLoaded,      // the file's digest holds
    kUnreadable,  // the gate is closed
};

// What the window and horavanectl tell the operator when the gate is closed.
[[nodiscard]] std::string UnreadablePasswordFileMessage(const std::filesystem::path& path);

// The password file at a given path (tests use a temporary folder; the programs the default path).
class PasswordStore {
  public:
    explicit PasswordStore(std::filesystem::path path);
    PasswordStore(std::filesystem::path path, std::shared_ptr<PasswordFileSystem> fileSystem);

    // Replaces `digest` only when the file yields its 16 bytes. A file that exists but cannot be
    // read closes the gate (kUnreadable): the caller must then refuse every password, since the
    // default one would open a lock its administrator set.
    [[nodiscard]] PasswordFileState ReadPasswordFile(PasswordDigest& digest) const;
    // Writes the new password's digest whole or not at all: bytes 16 and beyond of an existing file
    // are kept, and a failure anywhere leaves the old file in place. false on failure.
    [[nodiscard]] bool WritePasswordFile(std::string_view newPassword) const;

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    std::shared_ptr<PasswordFileSystem> fileSystem_;
};

// The check a typed password must pass: its digest equals `stored` in all 16 bytes.
[[nodiscard]] bool PasswordMatches(std::string_view typed, const PasswordDigest& stored);

}  // namespace horavane
