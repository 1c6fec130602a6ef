#include "ui/CAboutDlg.h"

#include "ui/AppIcon.h"
#include "ui/DialogUnits.h"
#include "ui_CAboutDlg.h"

namespace horavane::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<::Ui::CAboutDlg>()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFont("宋体", 9));
    ApplyDialogUnits(this, DialogUnits(font()));
    const QIcon icon = HoravaneIcon();
    setWindowIcon(icon);
    ui_->iconLabel->setPixmap(icon.pixmap(ui_->iconLabel->size()));
}

CAboutDlg::~CAboutDlg() = default;

}  // namespace horavane::ui
