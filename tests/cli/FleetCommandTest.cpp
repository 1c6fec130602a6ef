// Which clocks a command asks: addresses, blocks and --group together, each clock once in
// ascending order, and the one clock of a one-clock command.

#include <gtest/gtest.h>

#include "cli/FleetCommand.h"

namespace horavane::cli {
namespace {

Ipv4Address Host(std::string_view text) {
    return *Ipv4Address::Parse(text);
}

const KnownClocks kSite({{Host("10.1.2.5"), "Hall", "", "north"},
                         {Host("10.1.2.9"), "Gym", "", "south"},
                         {Host("10.1.3.7"), "Pool", "", "north"},
                         {Host("10.2.0.1"), "Shed", "", "east"}});

TEST(Targets, AddressesAndGroupsTogetherEachOnceAscending) {
    std::string error;
    KnownClockArgs fleet;
    fleet.groups = {"north"};
    EXPECT_EQ(NamedTargets({"10.1.3.7", "10.0.0.9", "10.0.0.9"}, fleet, kSite, error),
              (std::vector<Ipv4Address>{Host("10.0.0.9"), Host("10.1.2.5"), Host("10.1.3.7")}));
    fleet.groups = {"south", "east"};
    EXPECT_EQ(NamedTargets({}, fleet, kSite, error),
              (std::vector<Ipv4Address>{Host("10.1.2.9"), Host("10.2.0.1")}));
    EXPECT_EQ(NamedTargets({"10.1.2"}, fleet, kSite, error), std::nullopt);
    EXPECT_NE(error.find("10.1.2"), std::string::npos) << error;
}

TEST(Targets, BlocksAndGroupsTogether) {
    std::string error;
    KnownClockArgs fleet;
    fleet.groups = {"east"};
    const auto hosts = SweptTargets({"10.1.2.8-10.1.2.10"}, fleet, kSite, error);
    EXPECT_EQ(hosts, (std::vector<Ipv4Address>{Host("10.1.2.8"), Host("10.1.2.9"), Host("10.1.2.10"),
                                               Host("10.2.0.1")}))
        << error;
    fleet.groups = {"south"};
    const auto overlapping = SweptTargets({"10.1.2.8/30", "10.1.2.9"}, fleet, kSite, error);
    ASSERT_TRUE(overlapping) << error;
    EXPECT_EQ(overlapping->size(), 254u)
        << "the /24 of a plain address, a block inside it and the group's clock: each host once";
    EXPECT_EQ(SweptTargets({"10.1.2.0/33"}, fleet, kSite, error), std::nullopt);
}

TEST(Targets, AOneClockCommandTakesAnAddressOrAGroupOfOne) {
    std::string error;
    KnownClockArgs fleet;
    EXPECT_EQ(OneClock("10.1.2.9", fleet, kSite, error), Host("10.1.2.9"));
    EXPECT_EQ(OneClock("", fleet, kSite, error), std::nullopt);
    EXPECT_EQ(error, "name the clock: ADDRESS or --group");
    fleet.groups = {"south"};
    EXPECT_EQ(OneClock("", fleet, kSite, error), Host("10.1.2.9"));
    EXPECT_EQ(OneClock("10.1.2.9", fleet, kSite, error), std::nullopt);
    EXPECT_EQ(error, "name the clock by ADDRESS or by --group, not both");
    fleet.groups = {"north"};
    EXPECT_EQ(OneClock("", fleet, kSite, error), std::nullopt);
    EXPECT_EQ(error, "--group selects 2 clocks; this command works on one (apply writes many)");
}

}  // namespace
}  // namespace horavane::cli
