#pragma once

// The escapers of horavanectl's output, one per medium: the terminal's (VisibleText, shared with
// horavane-sim), the CSV file's and, in OutputText.h, the plugin line's and the JSON value's.
#include "cli/CsvField.h"
#include "platform/VisibleText.h"

namespace horavane::cli {
using horavane::VisibleText;
}  // namespace horavane::cli
