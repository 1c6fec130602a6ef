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

// The desktop text size at which a template's own point size is used: the platform's usual one
// (Windows' message font is 9 pt; Linux desktops start at 10).
#ifdef Q_OS_WIN
inline constexpr double kUsualDesktopPoints = 9.0;
#else
inline constexpr double kUsualDesktopPoints = 10.0;
#endif

// How much larger than usual the operator has made the desktop's text (the application font the
// platform gives Qt); 1 at the usual size and below, so that a window is never smaller than its
// template.
[[nodiscard]] double DesktopTextScale();

// The dialog font of the templates where the system has it, else a CJK-capable fallback, at the
// template's point size grown with the desktop's text. The dialog units follow the font, so the
// whole layout grows with it, as a template's dialog units do.
[[nodiscard]] QFont DialogFont(const char* family, int pointSize);

// Lays out every child that carries a "dialogUnits" property (a QRect in dialog units) and fixes the
// dialog's own size from its "dialogUnits" property (a QSize).
void ApplyDialogUnits(QWidget* dialog, const DialogUnits& units);

}  // namespace horavane::ui
