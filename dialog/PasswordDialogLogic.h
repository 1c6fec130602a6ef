#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "access/PasswordStore.h"

namespace horavane {

// What the two password dialogs decide, whatever toolkit draws them. Each returns the message to
// show in the application's box, or nothing when the dialog may end with OK.

// Opening the password dialog loads the password file into `digest`. Returns the message of a
// closed gate when the file exists but cannot be read: every password is then refused, since the
// default one would open a lock its administrator set.
[[nodiscard]] std::optional<std::string> LoadPasswordFile(const PasswordStore& store, PasswordDigest& digest);

// OK in the password dialog: the typed password against the digest in force, or the gate closed.
[[nodiscard]] std::optional<std::string> CheckPasswordEntry(
    std::string_view typed, const PasswordDigest& digest, const std::optional<std::string>& gateClosed = {});

// OK in the change dialog, checks in order: old and new given, old matches `digest`, the new one
// typed twice alike, the file written. On success `digest` becomes the new password's.
[[nodiscard]] std::optional<std::string> ChangePassword(std::string_view old, std::string_view fresh,
                                                        std::string_view again, PasswordDigest& digest,
                                                        const PasswordStore& store);

}  // namespace horavane
