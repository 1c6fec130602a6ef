#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace horavane::ui {

// Converts dialog-template units into pixels through the dialog font's base units: a horizontal
// unit is a quarter of the font's average character width, a vertical one an eighth of its height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    [[nodiscard]] int X(int units) const;
    [[nodiscard]] int Y(int units) const;
    [[nodiscard]] QRect Rect(int x, int y, int width, int height) const;
    [[nodiscard]] QSize Size(int width, int height) const;

  private:
    int baseX_;
    int baseY_;
};

// The dialog font of the templates where the system has it, else a CJK-capable fallback.
[[nodiscard]] QFont DialogFont(const char* family, int pointSize);

// Lays out every child that carries a "dialogUnits" property (a QRect in dialog units) and fixes the
// dialog's own size from its "dialogUnits" property (a QSize).
void ApplyDialogUnits(QWidget* dialog, const DialogUnits& units);

}  // namespace horavane::ui
