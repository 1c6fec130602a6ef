#include <gtest/gtest.h>

#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"
#include "dialog/InMemoryControls.h"

namespace horavane {
namespace {

TEST(ClockListBox, SortsAddressesAsTextAndKeepsTheSelectionOnItsEntry) {
    InMemoryControls controls;
    controls.ListAdd(ctl::ClockList, "192.168.1.9");
    controls.SelectListEntry(ctl::ClockList, 0);
    for (auto address : {"10.0.0.2", "192.168.1.10", "10.0.0.12"}) controls.ListAdd(ctl::ClockList, address);

    EXPECT_EQ(controls.ListEntries(ctl::ClockList),
              (std::vector<std::string>{"10.0.0.12", "10.0.0.2", "192.168.1.10", "192.168.1.9"}));
    EXPECT_EQ(controls.ListText(ctl::ClockList, controls.ListSelectedIndex(ctl::ClockList)), "192.168.1.9");
}

TEST(DropDownList, FindsTheFirstWholeTextIgnoringCase) {
    InMemoryControls controls;
    FillDialogLists(controls);
    EXPECT_EQ(controls.ComboFindExact(ctl::TimeZoneList, "utc +8"), 26);
    EXPECT_EQ(controls.ComboFindExact(ctl::TimeZoneList, "UTC +8:00"), -1);
    EXPECT_EQ(controls.ComboFindExact(ctl::TimeZoneList, "UTC -1"), 14);
    EXPECT_EQ(controls.ComboFindExact(ctl::Brightness, "BRIGHT"), 1);

    controls.ComboAdd(ctl::Brightness, "bright");
    EXPECT_EQ(controls.ComboFindExact(ctl::Brightness, "bright"), 1);

    SelectComboText(controls, ctl::Brightness, "Dim");
    SelectComboText(controls, ctl::Brightness, "Dimmer");
    EXPECT_EQ(controls.ComboSelectedIndex(ctl::Brightness), -1);
    EXPECT_EQ(controls.GetText(ctl::Brightness), "");
}

TEST(IpField, ParseAcceptsEmptyPartsAndRejectsAnythingElse) {
    struct Case {
        const char* text;
        bool valid;
        int filled;
    };
    for (const auto& c :
         {Case{"", true, 0}, Case{"10", true, 1}, Case{"10..3.", true, 2}, Case{"192.168.1.7", true, 4},
          Case{"0.0.0.0", true, 4}, Case{"255.255.255.255", true, 4}, Case{"256.1.1.1", false, 0},
          Case{"1.2.3.4.5", false, 0}, Case{"a.b", false, 0}, Case{"1.-2.3.4", false, 0},
          Case{"1 .2.3.4", false, 0}, Case{"1000.1.1.1", false, 0}}) {
        const auto value = IpFieldValue::Parse(c.text);
        ASSERT_EQ(value.has_value(), c.valid) << '"' << c.text << '"';
        if (value) {
            EXPECT_EQ(value->FilledParts(), c.filled) << c.text;
        }
    }
    const auto sparse = IpFieldValue::Parse("10..3.");
    ASSERT_TRUE(sparse);
    EXPECT_EQ(sparse->Address(), (Ipv4Address{{10, 0, 3, 0}}));
}

}  // namespace
}  // namespace horavane
