#pragma once

#include <QIcon>

namespace horavane::ui {

// The application icon (icon resource 128) in every size the resources carry.
[[nodiscard]] QIcon HoravaneIcon();

}  // namespace horavane::ui
