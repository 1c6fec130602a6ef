#pragma once

#include <optional>
#include <string>

#include "settings/SettingsForm.h"

namespace horavane {

// The checks a press of Modify runs before anything is sent, as pure functions of what the fields
// hold. Each returns nothing when it passes, or the refusal the window shows: one message in the
// main window's own box, and for some a list that starts over at its first entry with the focus.

enum class ResetList { None, EnergyFrom, Brightness };

// The address field a refusal is about, so that the window can put the operator back in it.
enum class AddressField {
    None,
    TimeServer1,
    TimeServer2,
    TimeServer3,
    TimeServer4,
    TimeServer5,
    IpAddress,
    SubnetMask,
    Gateway,
    DnsServer
};

struct Refusal {
    std::string message;
    std::optional<std::string> title;  // nullopt: the program's name
    ResetList reset = ResetList::None;
    AddressField field = AddressField::None;
    friend bool operator==(const Refusal&, const Refusal&) = default;
};

// The nine address fields in order (time servers 1 to 5, IP address, subnet mask, gateway, DNS
// server), then the IP address against the subnet mask. The first failing field decides, and the
// refusal names it (time server 1 when none is given, the mask when the address does not fit it).
[[nodiscard]] std::optional<Refusal> ValidateAddresses(const SettingsForm& form);
// While "Daylight Saving Time" is ticked, all eight rule lists need a selection.
[[nodiscard]] std::optional<Refusal> CheckDaylightSavingRule(const SettingsForm& form);
// Equal from and to hours are refused unless both are "0"; the from-list starts over at "0".
[[nodiscard]] std::optional<Refusal> CheckEnergySavingRule(const SettingsForm& form);
// The brightness list must hold one of its four entries; it starts over at "Brilliant".
[[nodiscard]] std::optional<Refusal> CheckBrightnessRule(const SettingsForm& form);

// A refusal as the window's message box shows it: "TITLE: text" when titled.
[[nodiscard]] std::string RefusalText(const Refusal& refusal);

// All four in Modify's order: the first refusal, or nothing when the form may be written.
[[nodiscard]] std::optional<Refusal> FirstRefusal(const SettingsForm& form);

}  // namespace horavane
