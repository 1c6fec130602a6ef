#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/CheckVerdict.h"
#include "cli/ExchangeArgs.h"
#include "cli/OutputText.h"
#include "cli/VisibleText.h"

namespace horavane::cli {
namespace {

// A clock's text reaches a terminal: no control byte may pass as it is, DEL included.
TEST(VisibleText, EveryControlByteAndDelIsShownAsAnEscape) {
    std::vector<int> controls;
    for (int c = 0; c < 0x20; ++c) controls.push_back(c);
    controls.push_back(0x7F);
    for (const int c : controls) {
        const std::string shown = VisibleText(std::string("a") + static_cast<char>(c) + "b");
        EXPECT_EQ(shown.find(static_cast<char>(c)), std::string::npos) << "byte " << c;
        EXPECT_EQ(shown.substr(0, 2), "a\\") << "byte " << c;
    }
    EXPECT_EQ(VisibleText("\x7f"), "\\x7f");
    EXPECT_EQ(VisibleText("HV-2026 \xc3\xa9"), "HV-2026 \xc3\xa9") << "printable UTF-8 passes";
}

// A field a spreadsheet would take for a formula starts with an apostrophe; a field with a comma,
// quote or line end is quoted.
TEST(CsvField, FormulasAreNeutralisedAndSeparatorsQuoted) {
    const struct {
        const char* name;
        std::string clockText;
        std::string field;
    } rows[] = {
        {"equals", "=1+1", "'=1+1"},
        {"plus", "+41 22", "'+41 22"},
        {"minus", "-2+3", "'-2+3"},
        {"at", "@SUM(A1)", "'@SUM(A1)"},
        {"tab first, shown as an escape", "\t=1", "\\t=1"},
        {"carriage return first, shown as an escape", "\r=1", "\\r=1"},
        {"comma", "a,b", "\"a,b\""},
        {"semicolon, which a spreadsheet may split on", "HV;=cmd|' /C calc'!A0",
         "\"HV;'=cmd|' /C calc'!A0\""},
        {"formula with a semicolon", "=1;2", "\"'=1;2\""},
        {"each cell a separator starts", "a,+1;-2,@3;b", "\"a,'+1;'-2,'@3;b\""},
        {"a quote starting a cell", "a;\"=1\"", "\"a;'\"\"=1\"\"\""},
        {"a quote starting the field", "\"a\"", "\"\"\"a\"\"\""},
        {"line feed, shown as an escape", "a\nb", "a\\nb"},
        {"a byte that is not UTF-8", "a\xff", "a\\xff"},
        {"quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
        {"formula with a comma", "=A1,B1", "\"'=A1,B1\""},
        {"plain", "HV-2026-0001", "HV-2026-0001"},
        {"empty", "", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(CsvField(row.clockText), row.field) << row.name;
}

// Text no program of ours wrote, with everything a terminal, a plugin line or a spreadsheet reads
// as more than text.
const std::string kHostile = "\x1b]0;owned\x07\x1b[2J\r=cmd|' /C calc'!A0;\"x\"\n\xff\\";

// The program's own words pass as they stand; only the untrusted pieces are escaped, each for its
// medium.
TEST(Message, EscapesTheUntrustedPiecesOnlyForEachMedium) {
    const Message message = "clock " + *Ipv4Address::Parse("127.0.0.2") + " (" + Message::Own("7") + "): \"" +
                            Untrusted{kHostile} + "\" \\ kept";
    const std::string visible = R"(\x1b]0;owned\x07\x1b[2J\r=cmd|' /C calc'!A0;"x"\n\xff\\)";
    EXPECT_EQ(message.ForTerminal(), "clock 127.0.0.2 (7): \"" + visible + "\" \\ kept");
    EXPECT_EQ(message.ForPlugin(),
              R"(clock 127.0.0.2 (7): ")" +
                  std::string(R"(\x1b]0\x3bowned\x07\x1b[2J\r=cmd\x7c' /C calc'!A0\x3b"x"\n\xff\\)") +
                  "\" \\ kept");
    EXPECT_EQ(Message("own; words | as written").ForPlugin(), "own; words | as written");
}

TEST(Message, PrintErrorAndPrintLineWriteNoControlCharacter) {
    testing::internal::CaptureStderr();
    PrintError("bad value \"" + Untrusted{kHostile} + "\"");
    PrintLine(std::cerr, Untrusted{kHostile});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("horavanectl: bad value \"\\x1b]0;owned", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
    for (const char c : said) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c != 0x7f)) << said;
}

// The holder's name comes from the port's lock file, which any local user can write: the note while
// waiting, the message on giving up and check's UNKNOWN line show it escaped.
TEST(Message, TheLockHoldersTextIsEscapedWhereverItIsShown) {
    ExchangeArgs args;
    args.port = 6869;
    std::string error;
    const auto options = MakeExchangeOptions(args, error);
    ASSERT_TRUE(options) << error;
    const PortHolder holder{kHostile, 42};
    testing::internal::CaptureStderr();
    options->lockWait.onWaiting(holder);
    const std::string note = testing::internal::GetCapturedStderr();
    EXPECT_EQ(note, "horavanectl: waiting for the clock port 6869: held by " + VisibleText(kHostile) +
                        " (pid 42)\n");
    try {
        options->lockWait.onGaveUp(holder);
        ADD_FAILURE() << "no ClockPortHeld";
    } catch (const ClockPortHeld& held) {
        EXPECT_NE(held.message.ForTerminal().find("held by " + VisibleText(kHostile) + " (pid 42)"),
                  std::string::npos);
        const std::string line = UnknownLine(held.message);
        EXPECT_EQ(line.rfind("CLOCKS UNKNOWN - the clock port 6869 is held by \\x1b]0\\x3bowned", 0), 0u)
            << line;
        EXPECT_EQ(line.find('|'), std::string::npos) << line;
        EXPECT_EQ(line.find(';'), std::string::npos) << "check's own words hold no \";\": " << line;
    }
}

// A clock's bytes that are not UTF-8 stay apart in JSON: each is \xHH, and in such a text a backslash
// is doubled so that a real "\xff" cannot pass for one; texts in UTF-8 are as the clock sent them.
TEST(JsonOutputText, KeepsBytesThatAreNotUtf8Distinguishable) {
    const Json rows = Json::array({Json{{"serialNumber", "HV-\xff\xfe"}, {"name", "a\\xff \xc3"}},
                                   Json{{"serialNumber", "HV-\\xff \xc3\xa9 \x1b"}, {"n", 3}}});
    const auto parsed = nlohmann::json::parse(JsonOutputText(rows, 2));
    EXPECT_EQ(parsed[0]["serialNumber"], "HV-\\xff\\xfe");
    EXPECT_EQ(parsed[0]["name"], "a\\\\xff \\xc3");
    EXPECT_EQ(parsed[1]["serialNumber"], "HV-\\xff \xc3\xa9 \x1b") << "UTF-8 with a backslash, as sent";
    EXPECT_EQ(parsed[1]["n"], 3);
    EXPECT_NE(parsed[0]["serialNumber"], nlohmann::json::parse(JsonOutputText(Json("HV-\xfe\xff"))))
        << "distinct bytes stay distinct";
    EXPECT_EQ(JsonVisibleText("\xe2\x82"), "\\xe2\\x82") << "a cut letter";
    EXPECT_EQ(JsonVisibleText("\xed\xa0\x80"), "\\xed\\xa0\\x80") << "a surrogate";
}

}  // namespace
}  // namespace horavane::cli
