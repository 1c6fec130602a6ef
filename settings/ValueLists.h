#pragma once

#include <array>
#include <string_view>

namespace horavane::lists {

// Entries of the drop-down lists in their on-screen order; an entry's index is its place here.

// Preloaded into the time-zone list (1045) with the window's own data.
inline constexpr std::array<std::string_view, 36> kTimeZones = {
    "UTC",        "UTC -12", "UTC -11",   "UTC -10",   "UTC -9:30", "UTC -9",  "UTC -8",     "UTC -7",
    "UTC -6",     "UTC -5",  "UTC -4",    "UTC -3:30", "UTC -3",    "UTC -2",  "UTC -1",     "UTC +1",
    "UTC +2",     "UTC +3",  "UTC +3:30", "UTC +4",    "UTC +4:30", "UTC +5",  "UTC +5:30",  "UTC +6",
    "UTC +6:30",  "UTC +7",  "UTC +8",    "UTC +9",    "UTC +9:30", "UTC +10", "UTC +10:30", "UTC +11",
    "UTC +11:30", "UTC +12", "UTC +13",   "UTC +14"};

inline constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

inline constexpr std::array<std::string_view, 6> kWeekOrdinals = {"First",  "Second", "Third",
                                                                  "Fourth", "Fifth",  "Last"};

// The week starts on Monday.
inline constexpr std::array<std::string_view, 7> kWeekdays = {"Mon", "Tue", "Wed", "Thu",
                                                              "Fri", "Sat", "Sun"};

// Code = 4 - index: the list runs from brightest to dimmest.
inline constexpr std::array<std::string_view, 4> kBrightness = {"Brilliant", "Bright", "Normal", "Dim"};

inline constexpr std::array<std::string_view, 24> kHours = {"0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",
                                                            "8",  "9",  "10", "11", "12", "13", "14", "15",
                                                            "16", "17", "18", "19", "20", "21", "22", "23"};

}  // namespace horavane::lists
