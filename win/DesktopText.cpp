#include "win/DesktopText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace horavane::win {
namespace {

// Past a string, a name or an ordinal of a dialog template: 0x0000 alone, 0xFFFF and a number, or
// a string up to its terminating zero. `at` is the index of its first word.
std::size_t PastNameOrOrdinal(const std::vector<WORD>& words, std::size_t at) {
    if (at >= words.size()) return words.size();
    if (words[at] == 0xFFFF) return at + 2;
    while (at < words.size() && words[at] != 0) ++at;
    return at + 1;
}

}  // namespace

double DesktopTextScale(LONG messageFontHeight, int dpi) {
    if (dpi <= 0 || messageFontHeight == 0) return 1.0;
    const double points = std::abs(static_cast<double>(messageFontHeight)) * 72.0 / dpi;
    return points > kUsualMessagePoints ? points / kUsualMessagePoints : 1.0;
}

double DesktopTextScale() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) == FALSE) return 1.0;
    HDC screen = GetDC(nullptr);
    const int dpi = screen == nullptr ? 96 : GetDeviceCaps(screen, LOGPIXELSY);
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return DesktopTextScale(metrics.lfMessageFont.lfHeight, dpi);
}

// DLGTEMPLATEEX: dlgVer, signature 0xFFFF, helpID (2 words), exStyle (2), style (2), cDlgItems,
// x, y, cx, cy; then menu, window class and title; with DS_SETFONT the point size comes next.
std::vector<WORD> TemplateAtTextScale(HINSTANCE resources, int templateId, double scale) {
    HRSRC found = FindResourceW(resources, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5));  // RT_DIALOG
    HGLOBAL loaded = found == nullptr ? nullptr : LoadResource(resources, found);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    const DWORD size = found == nullptr ? 0 : SizeofResource(resources, found);
    constexpr std::size_t kHeaderWords = 13;
    if (bytes == nullptr || size < kHeaderWords * sizeof(WORD)) return {};
    std::vector<WORD> words((size + 1) / sizeof(WORD));
    std::memcpy(words.data(), bytes, size);
    DWORD style = 0;
    std::memcpy(&style, &words[6], sizeof style);
    if (words[1] != 0xFFFF || (style & DS_SETFONT) == 0) return {};
    std::size_t at = kHeaderWords;
    for (int field = 0; field < 3; ++field) at = PastNameOrOrdinal(words, at);
    if (at >= words.size()) return {};
    words[at] = static_cast<WORD>(std::lround(words[at] * std::max(1.0, scale)));
    return words;
}

}  // namespace horavane::win
