#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace horavane::sim {

// Deepest nesting a state file may have: the clock's settings sit four levels down (the file, its
// "clocks", a clock, daylightSaving or timeServers), with room to spare for a hand edit.
inline constexpr int kStateFileMaxDepth = 8;

// Where each setting of a clock stands in the file, "127.0.0.2/timeFormat" (or "127.0.0.2/" for
// the clock itself) to its line, so that a value refused later can be pointed at.
using SettingLines = std::map<std::string, int>;

// Checks the outline of a state file in one pass, without building a tree: that it is JSON, nests
// no deeper than kStateFileMaxDepth, names only keys that a state file has, and names its clocks
// by loopback addresses. nullopt when it passes, else "line N: reason".
[[nodiscard]] std::optional<std::string> CheckStateFileOutline(std::string_view text, SettingLines& lines);

}  // namespace horavane::sim
