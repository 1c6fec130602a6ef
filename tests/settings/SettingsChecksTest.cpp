#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/Messages.h"
#include "settings/SettingsChecks.h"

namespace horavane {

void PrintTo(const Refusal& r, std::ostream* os) {
    *os << '"' << r.message << "\" title " << r.title.value_or("<program name>") << " field "
        << static_cast<int>(r.field);
}

namespace {

IpFieldValue Field(std::string_view text) {
    const auto value = IpFieldValue::Parse(text);
    EXPECT_TRUE(value.has_value()) << text;
    return value.value_or(IpFieldValue{});
}

// A form whose every setting passes.
SettingsForm AcceptableForm() {
    SettingsForm form;
    form.timeServers[0] = Field("10.0.0.1");
    form.ipAddress = Field("192.168.1.20");
    form.subnetMask = Field("255.255.255.0");
    form.gateway = Field("192.168.1.1");
    form.dnsServer = Field("192.168.1.2");
    form.energyFrom = "22";
    form.energyTo = "6";
    form.brightness = "Dim";
    return form;
}

Refusal Plain(std::string_view message, ResetList reset = ResetList::None) {
    return Refusal{std::string(message), std::nullopt, reset, AddressField::None};
}

Refusal FirstPart(int part) {
    return {std::to_string(part) + " is not a valid entry. Please specify a value between 1 and 223.",
            "ERROR", ResetList::None, AddressField::None};
}

// ---- The nine address fields, then the address against the mask ---------------------------------

enum Id { TS1, TS2, TS3, TS4, TS5, IP, MASK, GATEWAY, DNS };

// The refusal names the field it is about, for the window to put the focus back in.
Refusal In(Id field, Refusal refusal) {
    refusal.field = static_cast<AddressField>(static_cast<int>(AddressField::TimeServer1) + field);
    return refusal;
}

struct AddressCase {
    const char* name;
    std::vector<std::pair<Id, const char*>> fields;  // set on the acceptable form; "" blanks
    std::optional<Refusal> expected;
};

TEST(AddressChecks, RefuseWithTheFirstFailingFieldsMessage) {
    const std::vector<AddressCase> rows = {
        {"AcceptableForm", {}, std::nullopt},
        {"FirstPart223Accepted", {{DNS, "223.1.1.1"}, {TS1, "223.0.0.1"}}, std::nullopt},
        {"FirstPart224InGateway", {{GATEWAY, "224.1.1.1"}}, In(GATEWAY, FirstPart(224))},
        {"FirstPart255InTimeServer", {{TS3, "255.0.0.1"}}, In(TS3, FirstPart(255))},
        {"FirstPartZeroFullyFilled", {{DNS, "0.1.1.1"}}, In(DNS, FirstPart(0))},
        {"FirstTimeServerBlankSecondGiven", {{TS1, ""}, {TS2, "10.0.0.2"}}, std::nullopt},
        {"AllTimeServersBlankBeforeABadIpAddress", {{TS1, ""}, {IP, ""}}, In(TS1, Plain(msg::kNoTimeServer))},
        {"TwoPartTimeServer", {{TS2, "10.1"}}, In(TS2, Plain(msg::kIncompleteAddress))},
        {"ThreePartIpAddress", {{IP, "192.168.1."}}, In(IP, Plain(msg::kIncompleteAddress))},
        {"EmptyFirstPartCountsAsZeroBeforeCompleteness", {{TS1, ".1"}}, In(TS1, FirstPart(0))},
        {"LoopbackBeforeCompleteness", {{TS1, "127.0.0"}}, In(TS1, Plain(msg::kLoopback))},
        {"BlankIpAddress", {{IP, ""}}, In(IP, FirstPart(0))},
        {"BlankGateway", {{GATEWAY, ""}}, In(GATEWAY, FirstPart(0))},
        {"LoopbackDnsServer", {{DNS, "127.0.0.1"}}, In(DNS, Plain(msg::kLoopback))},
        {"EarlierFieldWins", {{TS5, "224.0.0.1"}, {IP, "127.0.0.1"}}, In(TS5, FirstPart(224))},
        {"BlankSubnetMask", {{MASK, ""}}, std::nullopt},
        {"ZeroSubnetMaskSkipsTheFirstPartRule", {{MASK, "0.0.0.0"}}, std::nullopt},
        {"TwoPartSubnetMask", {{MASK, "255.255"}}, In(MASK, Plain(msg::kIncompleteAddress))},
        {"AllOnesMaskRefusesAnyAddress", {{MASK, "255.255.255.255"}}, In(MASK, Plain(msg::kSubnetMask))},
        {"HostPartAllZeros", {{IP, "192.168.1.0"}}, In(MASK, Plain(msg::kSubnetMask))},
        {"HostPartAllOnes", {{IP, "192.168.1.255"}}, In(MASK, Plain(msg::kSubnetMask))},
        {"HostPartOne", {{IP, "192.168.1.1"}}, std::nullopt},
        {"NonContiguousMaskNotTested", {{MASK, "255.0.255.0"}, {IP, "10.1.2.3"}}, std::nullopt},
        {"GatewayNotTestedAgainstSubnet", {{GATEWAY, "10.9.9.9"}}, std::nullopt}};
    for (const AddressCase& row : rows) {
        SettingsForm form = AcceptableForm();
        IpFieldValue* fields[] = {&form.timeServers[0], &form.timeServers[1], &form.timeServers[2],
                                  &form.timeServers[3], &form.timeServers[4], &form.ipAddress,
                                  &form.subnetMask,     &form.gateway,        &form.dnsServer};
        for (const auto& [id, text] : row.fields) *fields[id] = Field(text);
        EXPECT_EQ(ValidateAddresses(form), row.expected) << row.name;
    }
}

// ---- Daylight saving, energy saving, brightness ------------------------------------------------

TEST(RuleChecks, TickedDaylightSavingNeedsEveryOneOfTheEightLists) {
    SettingsForm form = AcceptableForm();
    EXPECT_EQ(CheckDaylightSavingRule(form), std::nullopt) << "unticked, the empty lists are not looked at";
    form.daylightSaving = true;
    form.dstStart = {0, 0, 0, 0};
    form.dstEnd = {0, 0, 0, 0};
    EXPECT_EQ(CheckDaylightSavingRule(form), std::nullopt);
    for (int* missing : {&form.dstStart.month, &form.dstStart.week, &form.dstStart.day, &form.dstStart.hour,
                         &form.dstEnd.month, &form.dstEnd.week, &form.dstEnd.day, &form.dstEnd.hour}) {
        *missing = -1;
        EXPECT_EQ(CheckDaylightSavingRule(form), Plain(msg::kDstIncomplete));
        *missing = 0;
    }
}

TEST(RuleChecks, EqualEnergyHoursOtherThanZeroAndUnknownBrightnessAreRefused) {
    struct Case {
        const char* from;
        const char* to;
        bool accepted;
    };
    for (const auto& c : {Case{"0", "0", true}, Case{"22", "6", true}, Case{"", "0", true},
                          Case{"7", "7", false}, Case{"", "", false}}) {
        SettingsForm form = AcceptableForm();
        form.energyFrom = c.from;
        form.energyTo = c.to;
        EXPECT_EQ(CheckEnergySavingRule(form),
                  c.accepted ? std::nullopt
                             : std::optional<Refusal>(Plain(msg::kEnergySavingSame, ResetList::EnergyFrom)))
            << c.from << " to " << c.to;
    }
    SettingsForm form = AcceptableForm();
    for (const char* text : {"Brilliant", "Bright", "Normal", "Dim"}) {
        form.brightness = text;
        EXPECT_EQ(CheckBrightnessRule(form), std::nullopt) << text;
    }
    for (const char* text : {"", "dim", "Brilliant "}) {
        form.brightness = text;
        EXPECT_EQ(CheckBrightnessRule(form), Plain(msg::kBrightnessError, ResetList::Brightness)) << text;
    }
}

}  // namespace
}  // namespace horavane
