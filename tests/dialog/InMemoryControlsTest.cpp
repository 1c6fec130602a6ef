#include <gtest/gtest.h>

#include "dialog/InMemoryControls.h"
#include "tests/common/ControlsConformance.h"

namespace horavane {
namespace {

TEST(InMemoryControls, BehaveAsTheLogicExpects) {
    InMemoryControls controls;
    test::ExpectControlsBehaveAsTheLogicExpects(
        controls, [&](int index) { controls.SelectListEntry(ctl::ClockList, index); });
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
