#pragma once

#include <string>
#include <vector>

#include "platform/Windows.h"

namespace horavane::win {

// What a screen reader is to say for one window of a dialog: its name, or, for a read-out value that
// keeps its own text as its name, its description.
struct AccessibleText {
    HWND window = nullptr;
    std::wstring text;
    bool description = false;
};

// The names the template's resources give its controls, taken from their visible labels when the
// templates were written (an RCDATA resource with the template's id); the four parts of an address
// field are named after it ("Time Server IP 1, part 2 of 4"). Controls named by their own caption
// (buttons, check boxes) are not listed: the system names them already.
[[nodiscard]] std::vector<AccessibleText> TemplateNames(HWND dialog, HINSTANCE resources, int templateId);

// Hands the texts to the system's accessibility annotation; S_OK, or the first failure.
HRESULT AnnotateWindows(const std::vector<AccessibleText>& texts);

}  // namespace horavane::win
