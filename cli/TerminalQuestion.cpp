#include "cli/TerminalQuestion.h"

#ifdef _WIN32
#include <io.h>

#include <cstdio>
#include <iostream>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>

namespace horavane::cli {
namespace {

// An answer is a word; reading stops here, so that a key held down cannot fill the memory.
constexpr std::size_t kLongestAnswer = 64;

bool SaysYes(std::string answer) {
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes";
}

}  // namespace

#ifdef _WIN32

std::optional<bool> AskYesOnTerminal(const std::string& question) {
    if (_isatty(_fileno(stdin)) == 0) return std::nullopt;
    std::cerr << question << std::flush;
    std::string line;
    char c = 0;
    while (std::cin.get(c) && c != '\n' && line.size() <= kLongestAnswer) line += c;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return SaysYes(line);
}

#else

std::optional<bool> AskYesOnTerminal(const std::string& question) {
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) return std::nullopt;
    [[maybe_unused]] const auto written = ::write(tty, question.data(), question.size());
    std::string line;
    char c = 0;
    while (line.size() <= kLongestAnswer && ::read(tty, &c, 1) == 1 && c != '\n') line += c;
    ::close(tty);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return SaysYes(line);
}

#endif

}  // namespace horavane::cli
