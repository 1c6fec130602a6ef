#include "cli/TextTable.h"

#include <algorithm>

namespace horavane::cli {
namespace {

// Characters of UTF-8 text: every byte but a continuation byte starts one.
std::size_t Characters(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U; }));
}

}  // namespace

std::string AlignColumns(const std::vector<std::vector<std::string>>& rows,
                         const std::vector<std::size_t>& minimum) {
    std::vector<std::size_t> widths = minimum;
    for (const auto& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (std::size_t c = 0; c + 1 < row.size(); ++c)
            widths[c] = std::max(widths[c], Characters(row[c]) + 1);
    }
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            out += row[c];
            if (c + 1 < row.size()) out.append(widths[c] - Characters(row[c]), ' ');
        }
        out += '\n';
    }
    return out;
}

}  // namespace horavane::cli
