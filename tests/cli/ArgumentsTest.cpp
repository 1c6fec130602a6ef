// What the command line makes of the addresses and texts an operator or a clock hands it, without
// a program or a socket: an address refused here is refused before anything is opened or sent.

#include <gtest/gtest.h>

#include "cli/ExchangeArgs.h"
#include "cli/TextTable.h"
#include "cli/VisibleText.h"

namespace horavane::cli {
namespace {

enum class Given { Clock, Sweep };

struct AddressRow {
    const char* name;
    Given as;
    const char* text;
    const char* refusal;  // a part of the reason; "" when the address is taken
};

class Addresses : public testing::TestWithParam<AddressRow> {};

TEST_P(Addresses, ObeyTheBlockRulesWhetherNamedAsAClockOrSweptAsA24) {
    const AddressRow& row = GetParam();
    std::string error;
    const bool taken = row.as == Given::Clock ? ParseClockAddress(row.text, error).has_value()
                                              : ParseSweepHosts({row.text}, error).has_value();
    EXPECT_EQ(taken, std::string_view(row.refusal).empty()) << error;
    EXPECT_NE(error.find(row.refusal), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Addresses,
    testing::Values(AddressRow{"ThisNetworkAsClock", Given::Clock, "0.0.0.0", "0.x.x.x"},
                    AddressRow{"ThisNetworkHostAsClock", Given::Clock, "0.1.2.3", "0.x.x.x"},
                    AddressRow{"MulticastAsClock", Given::Clock, "224.0.0.1", "224.0.0.0 and above"},
                    AddressRow{"ReservedAsClock", Given::Clock, "240.0.0.1", "224.0.0.0 and above"},
                    AddressRow{"BroadcastAsClock", Given::Clock, "255.255.255.255", "224.0.0.0 and above"},
                    AddressRow{"SubnetItselfAsClock", Given::Clock, "127.0.0.0", "first address of its /24"},
                    AddressRow{"SubnetBroadcastAsClock", Given::Clock, "10.1.2.255",
                               "last address of its /24"},
                    AddressRow{"LowestClock", Given::Clock, "1.0.0.1", ""},
                    AddressRow{"HighestClock", Given::Clock, "223.255.255.254", ""},
                    AddressRow{"ThisNetworkSwept", Given::Sweep, "0.0.0.5", "names a /24 in 0.x.x.x"},
                    AddressRow{"MulticastSwept", Given::Sweep, "224.0.0.1", "names a /24 in"},
                    AddressRow{"MulticastSweptInShort", Given::Sweep, "239.1.1", "names a /24 in"},
                    AddressRow{"BroadcastSwept", Given::Sweep, "255.255.255.255", "names a /24 in"},
                    AddressRow{"MulticastBlock", Given::Sweep, "239.1.1.0/24", "reaches"},
                    AddressRow{"EmptySwept", Given::Sweep, "", "Search ip is Error!"},
                    AddressRow{"DotSwept", Given::Sweep, ".", "Search ip is Error!"},
                    AddressRow{"FiveNumbersSwept", Given::Sweep, "127.0.0.1.5", "\"127.0.0.1.5\""},
                    AddressRow{"LetterSwept", Given::Sweep, "127.a.0.1", "\"127.a.0.1\""},
                    AddressRow{"BlockNotAtItsStart", Given::Sweep, "127.0.0.1/24", "\"127.0.0.1/24\""},
                    AddressRow{"HighestSubnetSwept", Given::Sweep, "223.255.255.7", ""},
                    AddressRow{"LoopbackSwept", Given::Sweep, "127.0.0.255", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Addresses, EachClockNamedTwiceIsAskedOnce) {
    std::string error;
    const auto clocks = ParseClockAddresses({"127.0.0.9", "127.0.0.3", "127.0.0.9"}, error);
    ASSERT_TRUE(clocks) << error;
    EXPECT_EQ(*clocks,
              (std::vector<Ipv4Address>{*Ipv4Address::Parse("127.0.0.3"), *Ipv4Address::Parse("127.0.0.9")}));
}

// Every code point that reorders text or breaks its line is shown as an escape, as control
// characters are; its neighbours pass unchanged.
TEST(VisibleText, ShowsBidirectionalControlsAndSeparatorsAsEscapes) {
    const std::pair<const char*, const char*> rows[] = {
        {"\u202a", "\\u202a"}, {"\u202b", "\\u202b"}, {"\u202c", "\\u202c"},   {"\u202d", "\\u202d"},
        {"\u202e", "\\u202e"}, {"\u2066", "\\u2066"}, {"\u2067", "\\u2067"},   {"\u2068", "\\u2068"},
        {"\u2069", "\\u2069"}, {"\u200e", "\\u200e"}, {"\u200f", "\\u200f"},   {"\u061c", "\\u061c"},
        {"\u2028", "\\u2028"}, {"\u2029", "\\u2029"}, {"\u0085", "\\u0085"},   {"\x7f", "\\x7f"},
        {"\u2065", "\u2065"},  {"\u2070", "\u2070"},  {"\u2029x", "\\u2029x"}, {"\u00e9", "\u00e9"}};
    for (const auto& [text, shown] : rows)
        EXPECT_EQ(VisibleText(std::string("A") + text + "Z"), std::string("A") + shown + "Z");
}

// A cell wider than its column moves the column over for every line; widths count characters.
TEST(TextTable, SizesEachColumnToItsWidestCell) {
    EXPECT_EQ(
        AlignColumns({{"A", "B", "C"}, {"1", "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9", "x"}, {"22", "", "y"}},
                     {3, 4}),
        "A  B      C\n"
        "1  \u00e9\u00e9\u00e9\u00e9\u00e9\u00e9 x\n"
        "22        y\n");
}

}  // namespace
}  // namespace horavane::cli
