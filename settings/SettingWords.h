#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/SettingsChange.h"

namespace horavane {

// The writable settings of a clock in an operator's words, one each: what `set` takes an option
// for, and what a fleet's desired settings give a value for. A time server is a setting per slot.
enum class Setting {
    TimeZone,
    TimeFormat,
    IpMode,
    TimeServer1,
    TimeServer2,
    TimeServer3,
    TimeServer4,
    TimeServer5,
    IpAddress,
    SubnetMask,
    Gateway,
    DnsServer,
    Dst,
    EnergySaving,
    Brightness,
};

inline constexpr std::size_t kSettingCount = 15;

// Every setting in the order a clock's settings are shown.
[[nodiscard]] std::span<const Setting> AllSettings();
// "time-zone", "time-server-3", ...: set's option names without the dashes.
[[nodiscard]] std::string_view NameOf(Setting setting);
// The setting `name` names as NameOf gives it, letter case ignored; nullopt for none.
[[nodiscard]] std::optional<Setting> SettingNamed(std::string_view name);
[[nodiscard]] std::optional<Setting> TimeServerSlot(std::size_t slot);

// Adds to `change` what `words` set `setting` to, in set's grammar: a list entry by its text (case
// ignored), 12 or 24, static or dynamic, an address as typed (parts may be empty, "" blanks the
// field), off, on or HOUR,WEEK,DAY,MONTH-HOUR,WEEK,DAY,MONTH for daylight saving, FROM-TO for energy
// saving. false with `error` naming the setting as `shownAs` (the option or the file's name of it)
// and, for a list, its valid entries.
[[nodiscard]] bool SetFromWords(SettingsChange& change, Setting setting, std::string_view words,
                                std::string_view shownAs, std::string& error);

// What `form` holds of `setting` in the same words: "" for an empty field or a list without a
// selection or a radio pair with neither button; daylight saving as "off" when not ticked and as its
// rule otherwise (items without a selection left empty).
[[nodiscard]] std::string WordsOf(Setting setting, const SettingsForm& form);

}  // namespace horavane
