#pragma once

#include <optional>
#include <string>
#include <utility>

#include "access/PasswordStore.h"
#include "win/ModalDialog.h"

namespace horavane::win {

// The password dialog (template 131), the program's gate: it ends with OK only for the password
// whose digest is in force. Its digest is the password state of the whole run.
class CInputPassword : public ModalDialog {
  public:
    static constexpr int kTemplateId = 131;
    CInputPassword(HINSTANCE resources, PasswordStore store);
    [[nodiscard]] const PasswordDigest& Digest() const { return m_digest; }

  protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void OnOK();
    void OnModify();

    PasswordStore store_;
    PasswordDigest m_digest;
    // Why the gate is closed: the password file exists but cannot be read, and every password is
    // refused.
    std::optional<std::string> closed_;
};

// The change dialog (template 132): works on a copy of the digest in force, handed back on OK.
class CModifyPasswd : public ModalDialog {
  public:
    static constexpr int kTemplateId = 132;
    CModifyPasswd(HINSTANCE resources, PasswordStore store, const PasswordDigest& digest)
        : ModalDialog(resources, kTemplateId), store_(std::move(store)), m_digest(digest) {}
    [[nodiscard]] const PasswordDigest& Digest() const { return m_digest; }

  protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    PasswordStore store_;
    PasswordDigest m_digest;
};

}  // namespace horavane::win
