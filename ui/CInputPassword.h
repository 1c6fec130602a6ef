#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "access/PasswordStore.h"

namespace Ui {
class CInputPassword;
}

namespace horavane::ui {

// The password dialog (resource 131), the program's gate: it ends with OK only for the password
// whose digest is in force. Its digest is the password state of the whole run.
class CInputPassword : public QDialog {
    Q_OBJECT

  public:
    explicit CInputPassword(PasswordStore store, QWidget* parent = nullptr);
    ~CInputPassword() override;

    [[nodiscard]] const PasswordDigest& Digest() const { return m_digest; }

    // Opening the dialog loads the password file, each time it opens.
    void setVisible(bool visible) override;

  private:
    void OnOK();
    void OnModify();

    std::unique_ptr<Ui::CInputPassword> ui_;
    PasswordStore store_;
    PasswordDigest m_digest;
    // Why the gate is closed: the password file exists but cannot be read, and every password is
    // refused.
    std::optional<std::string> closed_;
};

}  // namespace horavane::ui
