#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace horavane {

// Appends `lines` (whole lines, each ending in a line feed) to a file of lines, creating the file,
// readable and writable by the user alone, and its folder when missing. A last line left without
// its line feed (a program killed while it appended) is closed first, so that it stays one torn
// line of its own instead of swallowing the first new one. Returns once the lines are on the disk
// (fsync / FlushFileBuffers, and the folder too when the file is new); false with a one-line reason
// in `error` when any step failed, and then nothing may be taken as written.
[[nodiscard]] bool AppendLinesDurably(const std::filesystem::path& file, std::string_view lines,
                                      std::string& error);

}  // namespace horavane
