#include "access/CInputPassword.h"

#include <QPushButton>

#include "access/CModifyPasswd.h"
#include "access/PasswordDialogSupport.h"
#include "settings/Messages.h"
#include "ui_CInputPassword.h"

namespace horavane {

using access_detail::PasswordBytes;
using access_detail::Warn;

CInputPassword::CInputPassword(PasswordStore store, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::CInputPassword>()),
      store_(std::move(store)),
      m_digest(InitialDigest()) {
    ui_->setupUi(this);
    access_detail::SetUpPasswordDialog(this);
    connect(ui_->ctl1, &QPushButton::clicked, this, &CInputPassword::OnOK);
    connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->ctl3, &QPushButton::clicked, this, &CInputPassword::OnModify);
    // The password field is no tab stop: the first tab stop, OK, takes the focus.
    ui_->ctl1->setFocus();
}

CInputPassword::~CInputPassword() = default;

void CInputPassword::setVisible(bool visible) {
    const bool opening = visible && !isVisible();
    QDialog::setVisible(visible);
    if (opening) closed_ = store_.ReadPasswordFile(m_digest) == PasswordFileState::kUnreadable;
}

void CInputPassword::OnOK() {
    const std::string typed = PasswordBytes(ui_->ctl1053);
    if (typed.empty()) return Warn(this, msg::kPasswordEmpty);
    if (closed_) return Warn(this, UnreadablePasswordFileMessage(store_.path()));
    if (!PasswordMatches(typed, m_digest)) return Warn(this, msg::kPasswordWrong);
    accept();
}

// The change dialog has no parent window and works on a copy: only a change that reached the file
// replaces the digest in force. With the gate closed nothing can be checked against the password
// in force, so there is nothing to change.
void CInputPassword::OnModify() {
    if (closed_) return Warn(this, UnreadablePasswordFileMessage(store_.path()));
    CModifyPasswd change(store_);
    change.SetDigest(m_digest);
    if (change.exec() == QDialog::Accepted) m_digest = change.Digest();
}

}  // namespace horavane
