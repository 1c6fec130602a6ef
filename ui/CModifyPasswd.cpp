#include "ui/CModifyPasswd.h"

#include <QPushButton>

#include "dialog/PasswordDialogLogic.h"
#include "ui/PasswordDialogSupport.h"
#include "ui_CModifyPasswd.h"

namespace horavane::ui {

CModifyPasswd::CModifyPasswd(PasswordStore store, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CModifyPasswd>()), store_(std::move(store)) {
    ui_->setupUi(this);
    SetUpPasswordDialog(this);
    connect(ui_->ctl1, &QPushButton::clicked, this, &CModifyPasswd::OnOK);
    connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);
    // The operator comes here to type: the first field has the focus, and Enter still presses OK.
    ui_->ctl1054->setFocus();
}

CModifyPasswd::~CModifyPasswd() = default;

void CModifyPasswd::OnOK() {
    const auto message = ChangePassword(PasswordBytes(ui_->ctl1054), PasswordBytes(ui_->ctl1055),
                                        PasswordBytes(ui_->ctl1056), m_digest, store_);
    if (message) return Warn(this, *message);
    accept();
}

}  // namespace horavane::ui
