#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CAboutDlg;
}

namespace horavane::ui {

// String 101: the about entry the main dialog adds to its system menu, under command id 16.
inline constexpr char kAboutMenuText[] = "关于 Horavane(&A)...";
inline constexpr unsigned kAboutCommandId = 16;

// The about box: the icon, the version and OK. No members, no handlers of its own.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

  private:
    std::unique_ptr<::Ui::CAboutDlg> ui_;
};

}  // namespace horavane::ui
