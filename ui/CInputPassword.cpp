#include "ui/CInputPassword.h"

#include <QPushButton>

#include "dialog/PasswordDialogLogic.h"
#include "ui/CModifyPasswd.h"
#include "ui/PasswordDialogSupport.h"
#include "ui_CInputPassword.h"

namespace horavane::ui {

CInputPassword::CInputPassword(PasswordStore store, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::CInputPassword>()),
      store_(std::move(store)),
      m_digest(InitialDigest()) {
    ui_->setupUi(this);
    SetUpPasswordDialog(this);
    connect(ui_->ctl1, &QPushButton::clicked, this, &CInputPassword::OnOK);
    connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->ctl3, &QPushButton::clicked, this, &CInputPassword::OnModify);
    // The operator comes here to type the password: the field has the focus from the start, while
    // Tab keeps the template's order and Enter still presses OK, the default button.
    ui_->ctl1053->setFocus();
}

CInputPassword::~CInputPassword() = default;

void CInputPassword::setVisible(bool visible) {
    const bool opening = visible && !isVisible();
    QDialog::setVisible(visible);
    if (opening) closed_ = LoadPasswordFile(store_, m_digest);
}

void CInputPassword::OnOK() {
    const auto message = CheckPasswordEntry(PasswordBytes(ui_->ctl1053), m_digest, closed_);
    if (message) return Warn(this, *message);
    accept();
}

// The change dialog has no parent window and works on a copy: only a change that reached the file
// replaces the digest in force. With the gate closed nothing can be checked against the password
// in force, so there is nothing to change.
void CInputPassword::OnModify() {
    if (closed_) return Warn(this, *closed_);
    CModifyPasswd change(store_);
    change.SetDigest(m_digest);
    if (change.exec() == QDialog::Accepted) m_digest = change.Digest();
}

}  // namespace horavane::ui
