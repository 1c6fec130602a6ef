#pragma once

#include <QDialog>
#include <memory>

#include "access/PasswordStore.h"

namespace Ui {
class CModifyPasswd;
}

namespace horavane::ui {

// The change-password dialog (resource 132): checks the old password against the digest it is
// handed, writes the new one and hands its digest back.
class CModifyPasswd : public QDialog {
    Q_OBJECT

  public:
    explicit CModifyPasswd(PasswordStore store, QWidget* parent = nullptr);
    ~CModifyPasswd() override;

    void SetDigest(const PasswordDigest& digest) { m_digest = digest; }
    [[nodiscard]] const PasswordDigest& Digest() const { return m_digest; }

  private:
    void OnOK();

    std::unique_ptr<Ui::CModifyPasswd> ui_;
    PasswordStore store_;
    PasswordDigest m_digest{};
};

}  // namespace horavane::ui
