#pragma once

#include <QDialog>
#include <QLineEdit>
#include <string>
#include <string_view>

#include "ui/AccessibleNames.h"
#include "ui/DialogUnits.h"
#include "ui/MessageBoxes.h"

// What the two password dialogs share: their frame and font, their message box, and how a typed
// password becomes the bytes that are digested.
namespace horavane::ui {

inline void SetUpPasswordDialog(QDialog* dialog) {
    dialog->setFont(DialogFont("MS Shell Dlg", 8));
    ApplyDialogUnits(dialog, DialogUnits(dialog->font()));
    NameControlsFromLabels(dialog);
}

inline void Warn(QWidget* parent, std::string_view text) {
    ShowMessage(parent, MessageKind::Application,
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

// The system's local 8-bit encoding, as the edit field of the workstation's own toolkit delivers it.
[[nodiscard]] inline std::string PasswordBytes(const QLineEdit* edit) {
    return edit->text().toLocal8Bit().toStdString();
}

}  // namespace horavane::ui
