#pragma once

#include <algorithm>
#include <array>
#include <vector>

#include "platform/Windows.h"

namespace horavane::win {

// The four edit fields of an address field, left to right: IPM_GETADDRESS counts the empty parts but
// does not say which, and the checks need to know.
inline std::array<HWND, 4> AddressParts(HWND field) {
    std::vector<HWND> parts;
    for (HWND child = GetWindow(field, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        parts.push_back(child);
    const auto left = [](HWND window) {
        RECT rect;
        GetWindowRect(window, &rect);
        return rect.left;
    };
    std::sort(parts.begin(), parts.end(), [&](HWND a, HWND b) { return left(a) < left(b); });
    std::array<HWND, 4> four{};
    std::copy_n(parts.begin(), std::min<std::size_t>(parts.size(), 4), four.begin());
    return four;
}

}  // namespace horavane::win
