#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace horavane {

using PasswordDigest = std::array<std::uint8_t, 16>;

// MD5 of the password's bytes followed by the fixed salt.
[[nodiscard]] PasswordDigest ComputePasswordDigest(std::string_view password);
// The digest in force while no password file holds another: that of the default password.
[[nodiscard]] PasswordDigest InitialDigest();

// The workstation's one password file: the Windows directory's ZOR.dat on Windows,
// /var/lib/horavane/ZOR.dat elsewhere.
[[nodiscard]] std::filesystem::path DefaultPasswordFilePath();

// The password file at a given path (tests use a temporary folder; the programs the default path).
class PasswordStore {
public:
    explicit PasswordStore(std::filesystem::path path);

    // Replaces `digest` only when the file yields its 16 bytes; never reports anything.
    void ReadPasswordFile(PasswordDigest& digest) const;
    // Writes the new password's digest whole or not at all: bytes 16 and beyond of an existing file
    // are kept, and a failure anywhere leaves the old file in place. false on failure.
    [[nodiscard]] bool WritePasswordFile(std::string_view newPassword) const;

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The check a typed password must pass: its digest equals `stored` in all 16 bytes.
[[nodiscard]] bool PasswordMatches(std::string_view typed, const PasswordDigest& stored);

}  // namespace horavane
