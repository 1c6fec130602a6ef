#include "dialog/PasswordDialogLogic.h"

#include "settings/Messages.h"

namespace horavane {

std::optional<std::string> LoadPasswordFile(const PasswordStore& store, PasswordDigest& digest) {
    if (store.ReadPasswordFile(digest) != PasswordFileState::kUnreadable) return std::nullopt;
    return UnreadablePasswordFileMessage(store.path());
}

std::optional<std::string> CheckPasswordEntry(std::string_view typed, const PasswordDigest& digest,
                                              const std::optional<std::string>& gateClosed) {
    if (typed.empty()) return std::string(msg::kPasswordEmpty);
    if (gateClosed) return gateClosed;
    if (!PasswordMatches(typed, digest)) return std::string(msg::kPasswordWrong);
    return std::nullopt;
}

// The third field is left to the comparison, so an empty one reads as a mismatch rather than as
// an empty password.
std::optional<std::string> ChangePassword(std::string_view old, std::string_view fresh,
                                          std::string_view again, PasswordDigest& digest,
                                          const PasswordStore& store) {
    if (old.empty() || fresh.empty()) return std::string(msg::kPasswordEmpty);
    if (!PasswordMatches(old, digest)) return std::string(msg::kOldPasswordWrong);
    if (again != fresh) return std::string(msg::kNewPasswordsDiffer);
    if (!store.WritePasswordFile(fresh)) return std::string(msg::kNoRight);
    digest = ComputePasswordDigest(fresh);
    return std::nullopt;
}

}  // namespace horavane
