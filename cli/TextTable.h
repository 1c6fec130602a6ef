#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace horavane::cli {

// Lines of a plain table, each ending in a line end: every column as wide as its widest cell (in
// characters, not bytes) plus one space, and at least `minimum[c]`, so that a long cell moves its
// column over rather than running into the next one. The last column is not padded. Cells are
// printed as given; make them visible first.
[[nodiscard]] std::string AlignColumns(const std::vector<std::vector<std::string>>& rows,
                                       const std::vector<std::size_t>& minimum);

}  // namespace horavane::cli
