#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fleet/ClockRows.h"
#include "platform/NetTypes.h"

namespace horavane::cli {

// A piece of a message that the program did not write itself: a clock's text, the holder named in
// the port's lock file, a fleet file's or a journal's line, a settings file's, a command-line value,
// or an error of a lower layer that quotes any of them.
struct Untrusted {
    std::string_view text;
};

// A message as the program's own words with untrusted pieces in between. Each medium writes the own
// words as they stand and every untrusted piece through its escaper, so a message cannot reach the
// operator without it: a std::string does not turn into a Message, it is own words (a literal, an
// address, Own) or Untrusted.
class Message {
  public:
    Message(const char* own);      // NOLINT(google-explicit-constructor): a literal is the program's own
    Message(Untrusted piece);      // NOLINT(google-explicit-constructor)
    Message(Ipv4Address address);  // NOLINT(google-explicit-constructor): written by the program
    // Words the program put together itself, such as a number.
    [[nodiscard]] static Message Own(std::string text);

    Message& operator+=(const Message& more);

    // On a terminal: the untrusted pieces through VisibleText.
    [[nodiscard]] std::string ForTerminal() const;
    // In a monitoring plugin's line: the untrusted pieces through PluginText, the own words plain
    // (they hold no ";" or "|" of their own).
    [[nodiscard]] std::string ForPlugin() const;

  private:
    Message() = default;
    struct Piece {
        std::string text;
        bool untrusted = false;
    };
    std::vector<Piece> pieces_;
};

[[nodiscard]] Message operator+(Message first, const Message& second);

// horavanectl's one way to say what went wrong: "horavanectl: MESSAGE" on stderr.
void PrintError(const Message& message);
// A message of its own line on `out` (stdout or stderr), shown for a terminal.
void PrintLine(std::ostream& out, const Message& message);

// Untrusted text in a monitoring plugin's line: made visible, and without the "|" that starts the
// performance data or the ";" that Nagios turns into ":" (\x7c, \x3b).
[[nodiscard]] std::string PluginText(std::string_view text);
// The same for a text made visible already.
[[nodiscard]] std::string WithoutPluginSeparators(std::string_view visible);

// horavanectl's JSON output: every string value through JsonVisibleText, so that a clock's bytes
// that are not UTF-8 stay distinguishable.
[[nodiscard]] std::string JsonOutputText(const Json& value, int indent = -1);

}  // namespace horavane::cli
