#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        {"quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
        {"formula with a comma", "=A1,B1", "\"'=A1,B1\""},
        {"plain", "HV-2026-0001", "HV-2026-0001"},
        {"empty", "", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(CsvField(row.clockText), row.field) << row.name;
}

}  // namespace
}  // namespace horavane::cli
