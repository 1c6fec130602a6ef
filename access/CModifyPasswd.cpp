#include "access/CModifyPasswd.h"

#include <QPushButton>

#include "access/PasswordDialogSupport.h"
#include "settings/Messages.h"
#include "ui_CModifyPasswd.h"

namespace horavane {

using access_detail::PasswordBytes;
using access_detail::Warn;

CModifyPasswd::CModifyPasswd(PasswordStore store, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CModifyPasswd>()), store_(std::move(store)) {
    ui_->setupUi(this);
    access_detail::SetUpPasswordDialog(this);
    connect(ui_->ctl1, &QPushButton::clicked, this, &CModifyPasswd::OnOK);
    connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);
    ui_->ctl1->setFocus();
}

CModifyPasswd::~CModifyPasswd() = default;

// The first failing check stops the change; the third field is left to the comparison, so an
// empty one reads as a mismatch rather than as an empty password.
void CModifyPasswd::OnOK() {
    const std::string old = PasswordBytes(ui_->ctl1054);
    const std::string fresh = PasswordBytes(ui_->ctl1055);
    const std::string again = PasswordBytes(ui_->ctl1056);
    if (old.empty() || fresh.empty()) return Warn(this, msg::kPasswordEmpty);
    if (!PasswordMatches(old, m_digest)) return Warn(this, msg::kOldPasswordWrong);
    if (again != fresh) return Warn(this, msg::kNewPasswordsDiffer);
    if (!store_.WritePasswordFile(fresh)) return Warn(this, msg::kNoRight);
    m_digest = ComputePasswordDigest(fresh);
    accept();
}

}  // namespace horavane
