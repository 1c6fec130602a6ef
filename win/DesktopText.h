#pragma once

#include <vector>

#include "platform/Windows.h"

namespace horavane::win {

// The message font's size at which a template's own point size is used: Windows' usual 9 pt.
inline constexpr double kUsualMessagePoints = 9.0;

// How much larger than usual the operator has made the desktop's text, from the message font's
// height in pixels (negative: the character height, as LOGFONT has it) at the screen's dpi; 1 at
// the usual size and below, so that a dialog is never smaller than its template.
[[nodiscard]] double DesktopTextScale(LONG messageFontHeight, int dpi);
// The same for this desktop, from its non-client metrics.
[[nodiscard]] double DesktopTextScale();

// A dialog template of the resources with its font grown by `scale`. The dialog manager lays the
// controls out in dialog units of that font, so the whole dialog grows with it. Empty when the
// template is missing or not an extended template with a font.
[[nodiscard]] std::vector<WORD> TemplateAtTextScale(HINSTANCE resources, int templateId, double scale);

}  // namespace horavane::win
