#pragma once

#include <optional>
#include <string>

namespace horavane::cli {

// Asks `question` on the controlling terminal (the console on Windows), whatever stdin and stdout
// are, and reads one line: true for "y" or "yes" (letter case ignored), false for anything else.
// nullopt when there is no terminal to ask on, as under cron, a service or a pipeline.
[[nodiscard]] std::optional<bool> AskYesOnTerminal(const std::string& question);

}  // namespace horavane::cli
