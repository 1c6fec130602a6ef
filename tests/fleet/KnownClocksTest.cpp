// The fleet file: what a site writes by hand or exports from a spreadsheet, and every bad row
// refused with its file and line before anything is sent.

#include <gtest/gtest.h>

#include <istream>
#include <streambuf>
#include <string>

#include "fleet/KnownClocks.h"
#include "tests/common/TempFolder.h"
#include "tests/common/TestSupport.h"

namespace horavane::test {
namespace {

TEST(FleetFile, ReadsTheColumnsByNameWhateverElseTheRowsCarry) {
    // An inventory export: more columns, in its own order, a name with a comma, a quote and a line
    // break, CRLF line ends and a byte-order mark, and a blank last line.
    const std::string text =
        "\xEF\xBB\xBF"
        "group,serialNumber,address,name,location\r\n"
        "wards,SN-1,127.0.0.9,\"Ward 3, \"\"east\"\"\r\ncorridor\",Block B\r\n"
        ",SN-2,127.0.0.2,Gym,\r\n"
        "\r\n";
    std::string error;
    const auto known = ParseFleetFile(text, "fleet.csv", error);
    ASSERT_TRUE(known) << error;
    ASSERT_EQ(known->size(), 2u);
    EXPECT_EQ(known->clocks()[0].address, Ip(127, 0, 0, 2)) << "kept in address order";
    const KnownClock* ward = known->Find(Ip(127, 0, 0, 9));
    ASSERT_NE(ward, nullptr);
    EXPECT_EQ(ward->name, "Ward 3, \"east\"\r\ncorridor");
    EXPECT_EQ(ward->location, "Block B");
    EXPECT_EQ(ward->group, "wards");
    EXPECT_EQ(known->Find(Ip(127, 0, 0, 3)), nullptr);
    EXPECT_EQ(known->InGroups({"wards", "labs"}), std::vector<Ipv4Address>{Ip(127, 0, 0, 9)});
    EXPECT_EQ(known->UnknownGroups({"wards", "Wards"}), std::vector<std::string>{"Wards"});
    EXPECT_EQ(known->Among({Ip(127, 0, 0, 1), Ip(127, 0, 0, 9)}), std::vector<Ipv4Address>{Ip(127, 0, 0, 9)});
}

struct BadFile {
    const char* name;
    std::string text;
    const char* expected;  // the whole message after "the fleet file f.csv, "
};

void PrintTo(const BadFile& row, std::ostream* out) {
    *out << row.name;
}

class BadFleetFile : public testing::TestWithParam<BadFile> {};

TEST_P(BadFleetFile, IsRefusedNamingTheFileAndTheLine) {
    std::string error;
    EXPECT_FALSE(ParseFleetFile(GetParam().text, "f.csv", error));
    EXPECT_EQ(error, std::string("the fleet file f.csv, ") + GetParam().expected);
}

const std::string kHeader = "address,name,location,group\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, BadFleetFile,
    testing::Values(
        BadFile{"Empty", "", "line 1: no header row (address,name,location,group)"},
        BadFile{"NoGroupColumn", "address,name,location\n127.0.0.2,a,b\n",
                "line 1: the header has no column \"group\" (it needs address,name,location,group)"},
        BadFile{"MissingColumn", kHeader + "127.0.0.2,Gym,Hall\n",
                "line 2: the row has 3 fields, the header 4"},
        BadFile{"UnquotedComma", kHeader + "127.0.0.2,Gym, east,Hall,g\n",
                "line 2: the row has 5 fields, the header 4"},
        BadFile{"BadAddress", kHeader + "127.0.0.2,a,b,c\n127.0.0.256,d,e,f\n",
                "line 3: \"127.0.0.256\" is not a clock address (four numbers 0 to 255)"},
        BadFile{"BlankAddress", kHeader + ",a,b,c\n",
                "line 2: \"\" is not a clock address (four numbers 0 to 255)"},
        BadFile{"DuplicateAddress", kHeader + "127.0.0.3,a,b,c\n127.0.0.2,d,e,f\n127.0.0.3,g,h,i\n",
                "line 4: 127.0.0.3 is named already on line 2"},
        BadFile{"DuplicateAfterAQuotedLineBreak",
                kHeader + "127.0.0.3,a,b,c\n127.0.0.2,\"two\nlines\",e,f\n127.0.0.3,g,h,i\n",
                "line 5: 127.0.0.3 is named already on line 2"},
        BadFile{"RowTooLong", kHeader + "127.0.0.2," + std::string(kLongestFleetRow, 'n') + ",b,c\n",
                "line 2: the row is longer than 4096 bytes"},
        BadFile{"UnendedQuote", kHeader + "127.0.0.2,\"Gym,b,c\n", "line 2: a quoted field that never ends"},
        BadFile{"QuoteInsideAField", kHeader + "127.0.0.2,G\"ym,b,c\n",
                "line 2: a quote inside a field that is not quoted as a whole"},
        BadFile{"TextAfterAClosingQuote", kHeader + "127.0.0.2,\"Gym\"x,b,c\n",
                "line 2: text after the closing quote of a field"},
        // Addresses no clock can have, which a request would reach as a broadcast, a multicast or
        // nowhere at all.
        BadFile{"ThisNetwork", kHeader + "127.0.0.2,a,b,c\n0.0.0.0,d,e,f\n",
                "line 3: \"0.0.0.0\" lies in 0.x.x.x or 224.0.0.0 and above (multicast, reserved, "
                "broadcast), where no clock is ever asked"},
        BadFile{"Multicast", kHeader + "224.0.0.1,d,e,f\n",
                "line 2: \"224.0.0.1\" lies in 0.x.x.x or 224.0.0.0 and above (multicast, reserved, "
                "broadcast), where no clock is ever asked"},
        BadFile{"Broadcast", kHeader + "255.255.255.255,d,e,f\n",
                "line 2: \"255.255.255.255\" lies in 0.x.x.x or 224.0.0.0 and above (multicast, "
                "reserved, broadcast), where no clock is ever asked"},
        BadFile{"SubnetsOwnAddress", kHeader + "\n10.1.2.0,d,e,f\n",
                "line 3: \"10.1.2.0\" is the first address of its /24 (the subnet's own or its "
                "broadcast address), never a clock's"},
        BadFile{"SubnetBroadcast", kHeader + "10.1.2.255,d,e,f\n",
                "line 2: \"10.1.2.255\" is the last address of its /24 (the subnet's own or its "
                "broadcast address), never a clock's"},
        BadFile{"Latin1Name", kHeader + "127.0.0.2,Caf\xe9,b,c\n",
                "line 2: the text is not UTF-8: save the file as UTF-8 (CSV UTF-8)"},
        BadFile{"OverlongSlash", kHeader + "127.0.0.2,a\xe0\x80\xaf,b,c\n",
                "line 2: the text is not UTF-8: save the file as UTF-8 (CSV UTF-8)"},
        BadFile{"Surrogate", kHeader + "127.0.0.2,a,\xed\xa0\x80,c\n",
                "line 2: the text is not UTF-8: save the file as UTF-8 (CSV UTF-8)"},
        BadFile{"CutShortAtTheFieldsEnd", kHeader + "127.0.0.2,a,b,\xe2\x82\n",
                "line 2: the text is not UTF-8: save the file as UTF-8 (CSV UTF-8)"},
        BadFile{"Latin1InAQuotedFieldAfterALineBreak",
                kHeader + "127.0.0.2,\"a\nb\",c,d\n127.0.0.3,a,\"b\xff\",c\n",
                "line 4: the text is not UTF-8: save the file as UTF-8 (CSV UTF-8)"},
        BadFile{"DuplicateBeforeALaterBadRow", kHeader + "127.0.0.3,a,b,c\n127.0.0.3,d,e,f\n0.0.0.0,g,h,i\n",
                "line 3: 127.0.0.3 is named already on line 2"},
        BadFile{"BadRowBeforeALaterDuplicate", kHeader + "127.0.0.3,a,b,c\n0.0.0.0,d,e,f\n127.0.0.3,g,h,i\n",
                "line 3: \"0.0.0.0\" lies in 0.x.x.x or 224.0.0.0 and above (multicast, reserved, "
                "broadcast), where no clock is ever asked"}),
    [](const testing::TestParamInfo<BadFile>& row) { return std::string(row.param.name); });

// A command that needs a few clocks of a large file keeps those rows only, yet every row is judged
// and the file's other clocks still count as a fleet file that names clocks.
TEST(FleetFile, KeepsOnlyTheRowsTheFilterTakesButJudgesThemAll) {
    std::string text = kHeader;
    for (int i = 1; i <= 200; ++i)
        text +=
            "127.0.1." + std::to_string(i) + ",n" + std::to_string(i) + ",,g" + std::to_string(i % 3) + "\n";
    std::string error;
    int asked = 0;
    const auto known = ParseFleetFile(text, "f.csv", error, [&](const KnownClock& clock) {
        ++asked;
        return clock.address == Ip(127, 0, 1, 7) || clock.group == "g2";
    });
    ASSERT_TRUE(known) << error;
    EXPECT_EQ(asked, 200);
    EXPECT_EQ(known->size(), 1u + 67u);  // 127.0.1.7 and the 67 rows of g2
    EXPECT_FALSE(known->empty());
    ASSERT_NE(known->Find(Ip(127, 0, 1, 7)), nullptr);
    EXPECT_EQ(known->Find(Ip(127, 0, 1, 7))->name, "n7");
    EXPECT_EQ(known->Find(Ip(127, 0, 1, 3)), nullptr);
    EXPECT_FALSE(ParseFleetFile(text + "127.0.1.9,again,,\n", "f.csv", error, [](const KnownClock&) {
        return false;
    })) << "a row named twice is refused although neither is kept";
    EXPECT_EQ(error, "the fleet file f.csv, line 202: 127.0.1.9 is named already on line 10");
    const auto none = ParseFleetFile(text, "f.csv", error, [](const KnownClock&) { return false; });
    ASSERT_TRUE(none);
    EXPECT_EQ(none->size(), 0u);
    EXPECT_FALSE(none->empty()) << "the file named clocks, though none was kept";
}

// Rows made as they are read, a million of them, counting the bytes taken.
class RowSource : public std::streambuf {
  public:
    explicit RowSource(std::string first) : row_(std::move(first)) {
        setg(row_.data(), row_.data(), row_.data() + row_.size());
    }
    std::size_t taken = 0;

  protected:
    int_type underflow() override {
        taken += row_.size();
        if (++rows_ > 1'000'000) return traits_type::eof();
        row_ = "10." + std::to_string(rows_ >> 16U) + "." + std::to_string((rows_ >> 8U) & 0xFFU) + "." +
               std::to_string(rows_ % 254 + 1) + ",n,,g\n";
        setg(row_.data(), row_.data(), row_.data() + row_.size());
        return traits_type::to_int_type(row_.front());
    }

  private:
    std::string row_;
    std::size_t rows_ = 0;
};

// The file is read as a stream: a bad row near its start ends the reading there, however long the
// rest, and nothing but the rows asked for is kept.
TEST(FleetFile, IsReadAsAStreamThatStopsAtTheFirstBadRow) {
    RowSource source(kHeader + "127.0.0.2,a,b,c\n224.0.0.1,d,e,f\n");
    std::istream in(&source);
    std::string error;
    EXPECT_FALSE(ParseFleetFile(in, "f.csv", error));
    EXPECT_EQ(error.rfind("the fleet file f.csv, line 3: \"224.0.0.1\"", 0), 0u) << error;
    EXPECT_LT(source.taken, 100'000u) << "read no further than one chunk past the bad row, of 20 MB";
}

// What inventory --csv wrote reads back as the clock holds it; a backslash that starts no escape
// the writer makes is kept as typed.
TEST(FleetFile, UndoesTheFormulaGuardAndTheVisibleEscapes) {
    const std::string text =
        kHeader +
        "127.0.0.2,'=HYPERLINK(1),\"'-3, east\",'@g\n"
        "127.0.0.3,Tab\\there\\nnew\\x1b[31m\\u202egnp.exe,back\\\\slash,C:\\q\\x\\u00zz\n"
        "127.0.0.4,'plain,O'Brien,\\u00e9\n";
    std::string error;
    const auto known = ParseFleetFile(text, "f.csv", error);
    ASSERT_TRUE(known) << error;
    const KnownClock* a = known->Find(Ip(127, 0, 0, 2));
    EXPECT_EQ(a->name, "=HYPERLINK(1)");
    EXPECT_EQ(a->location, "-3, east");
    EXPECT_EQ(a->group, "@g");
    const KnownClock* b = known->Find(Ip(127, 0, 0, 3));
    EXPECT_EQ(b->name, "Tab\there\nnew\x1b[31m\u202egnp.exe");
    EXPECT_EQ(b->location, "back\\slash");
    EXPECT_EQ(b->group, "C:\\q\\x\\u00zz");
    const KnownClock* c = known->Find(Ip(127, 0, 0, 4));
    EXPECT_EQ(c->name, "'plain");
    EXPECT_EQ(c->location, "O'Brien");
    EXPECT_EQ(c->group, "\u00e9");
}

TEST(FleetFileLookup, TakesTheNamedFileOrTheFirstPlaceThatHoldsOne) {
    TempFolder folder;
    const auto user = folder.File("user.csv");
    const auto workstation = folder.Write("workstation.csv", kHeader + "127.0.0.7,Gym,Hall,sport\n");
    std::string error;
    const auto none = LoadKnownClocks({}, {user}, error);
    ASSERT_TRUE(none) << error;
    EXPECT_TRUE(none->empty()) << "no file anywhere: no known clocks";
    const auto fallback = LoadKnownClocks({}, {user, workstation}, error);
    ASSERT_TRUE(fallback) << error;
    EXPECT_EQ(fallback->size(), 1u);

    folder.Write("user.csv", kHeader);
    const auto first = LoadKnownClocks({}, {user, workstation}, error);
    ASSERT_TRUE(first) << error;
    EXPECT_TRUE(first->empty()) << "the user's file stands for the workstation's";

    EXPECT_FALSE(LoadKnownClocks(folder.File("gone.csv"), {workstation}, error));
    EXPECT_EQ(error, "the fleet file " + folder.File("gone.csv").string() + " does not exist");
    EXPECT_FALSE(LoadKnownClocks({}, {folder.path(), workstation}, error))
        << "a folder in the place of the file is refused, not passed over";
    EXPECT_EQ(error, "the fleet file " + folder.path().string() + " is not a plain file");
}

}  // namespace
}  // namespace horavane::test
