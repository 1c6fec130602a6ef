#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "dialog/ControlIds.h"
#include "dialog/DialogControls.h"

namespace horavane::test {

// What the window logic relies on from every implementation of DialogControls: the in-memory one,
// the Qt window's and the Win32 window's each run these same checks. `selectListEntry` stands for
// the operator picking an entry of the clock list.
inline void ExpectControlsBehaveAsTheLogicExpects(DialogControls& c,
                                                  const std::function<void(int)>& selectListEntry) {
    // Drop-down lists add without selecting and never sort; an entry is found by its whole text,
    // letter case ignored, the first of equal ones; an index outside the entries selects nothing.
    c.ComboReset(ctl::DstStartWeek);
    for (const char* entry : {"Second", "First", "first"}) c.ComboAdd(ctl::DstStartWeek, entry);
    EXPECT_EQ(c.ComboCount(ctl::DstStartWeek), 3);
    EXPECT_EQ(c.ComboSelectedIndex(ctl::DstStartWeek), -1);
    EXPECT_EQ(c.GetText(ctl::DstStartWeek), "");
    EXPECT_EQ(c.ComboFindExact(ctl::DstStartWeek, "FIRST"), 1);
    EXPECT_EQ(c.ComboFindExact(ctl::DstStartWeek, "Fir"), -1);
    c.ComboSelect(ctl::DstStartWeek, 0);
    EXPECT_EQ(c.GetText(ctl::DstStartWeek), "Second");
    c.ComboSelect(ctl::DstStartWeek, 3);
    EXPECT_EQ(c.ComboSelectedIndex(ctl::DstStartWeek), -1);
    EXPECT_EQ(c.GetText(ctl::DstStartWeek), "");

    // The clock list keeps text order without regard to case, and the selection stays on its entry.
    c.ListReset(ctl::ClockList);
    c.ListAdd(ctl::ClockList, "192.168.1.9");
    selectListEntry(0);
    for (const char* address : {"10.0.0.2", "192.168.1.10", "10.0.0.12"}) c.ListAdd(ctl::ClockList, address);
    EXPECT_EQ(c.ListText(ctl::ClockList, 0), "10.0.0.12");
    EXPECT_EQ(c.ListText(ctl::ClockList, 2), "192.168.1.10");
    EXPECT_EQ(c.ListSelectedIndex(ctl::ClockList), 3);
    EXPECT_EQ(c.ListFindExact(ctl::ClockList, "10.0.0.2"), 1);
    EXPECT_EQ(c.ListFindExact(ctl::ClockList, "10.0.0"), -1);
    EXPECT_EQ(c.ListText(ctl::ClockList, 4), "");

    // A radio pair the logic may clear altogether; a disabled address field keeps what it holds.
    c.SetChecked(ctl::Format12, true);
    c.SetChecked(ctl::Format12, false);
    EXPECT_FALSE(c.IsChecked(ctl::Format12) || c.IsChecked(ctl::Format24));
    c.SetIp(ctl::Gateway, Ipv4Address{{192, 168, 1, 1}});
    c.Enable(ctl::Gateway, false);
    EXPECT_FALSE(c.IsEnabled(ctl::Gateway));
    EXPECT_EQ(c.GetIp(ctl::Gateway), IpFieldValue::From(Ipv4Address{{192, 168, 1, 1}}));
    c.ClearIp(ctl::Gateway);
    EXPECT_TRUE(c.GetIp(ctl::Gateway).IsBlank());
}

}  // namespace horavane::test
