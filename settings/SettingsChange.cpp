#include "settings/SettingsChange.h"

#include <cctype>

#include "settings/ValueLists.h"

namespace horavane {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string EntryText(SettingList list, int index) {
    return index < 0 ? std::string() : std::string(EntriesOf(list)[static_cast<std::size_t>(index)]);
}

void Choose(std::optional<bool> first, bool& firstButton, bool& secondButton) {
    if (!first) return;
    firstButton = *first;
    secondButton = !*first;
}

}  // namespace

std::span<const std::string_view> EntriesOf(SettingList list) {
    switch (list) {
        case SettingList::TimeZone:
            return lists::kTimeZones;
        case SettingList::EnergyFrom:
        case SettingList::EnergyTo:
        case SettingList::DstHour:
            return lists::kHours;
        case SettingList::Brightness:
            return lists::kBrightness;
        case SettingList::DstWeek:
            return lists::kWeekOrdinals;
        case SettingList::DstDay:
            return lists::kWeekdays;
        case SettingList::DstMonth:
            break;
    }
    return lists::kMonths;
}

std::string_view NameOf(SettingList list) {
    switch (list) {
        case SettingList::TimeZone:
            return "time zone";
        case SettingList::EnergyFrom:
            return "energy saving from-hour";
        case SettingList::EnergyTo:
            return "energy saving to-hour";
        case SettingList::Brightness:
            return "brightness";
        case SettingList::DstHour:
            return "daylight-saving hour";
        case SettingList::DstWeek:
            return "daylight-saving week";
        case SettingList::DstDay:
            return "daylight-saving day";
        case SettingList::DstMonth:
            break;
    }
    return "daylight-saving month";
}

int FindEntry(SettingList list, std::string_view text) {
    const auto entries = EntriesOf(list);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (EqualIgnoringCase(entries[i], text)) return static_cast<int>(i);
    return -1;
}

std::optional<int> PickEntry(SettingList list, std::string_view text, std::string& error) {
    if (text.empty()) return -1;
    if (const int index = FindEntry(list, text); index >= 0) return index;
    const auto entries = EntriesOf(list);
    error = "unknown " + std::string(NameOf(list)) + " \"" + std::string(text) + "\"; valid entries:";
    for (const std::string_view entry : entries) error += " \"" + std::string(entry) + "\"";
    return std::nullopt;
}

SettingsForm Changed(SettingsForm form, const SettingsChange& change) {
    if (change.timeZone) form.timeZone = EntryText(SettingList::TimeZone, *change.timeZone);
    Choose(change.twelveHour, form.twelveHour, form.twentyFourHour);
    Choose(change.dynamicIp, form.dynamicIp, form.staticIp);
    for (std::size_t slot = 0; slot < form.timeServers.size(); ++slot)
        if (change.timeServers[slot]) form.timeServers[slot] = *change.timeServers[slot];
    if (change.ipAddress) form.ipAddress = *change.ipAddress;
    if (change.subnetMask) form.subnetMask = *change.subnetMask;
    if (change.gateway) form.gateway = *change.gateway;
    if (change.dnsServer) form.dnsServer = *change.dnsServer;
    if (change.daylightSaving) form.daylightSaving = *change.daylightSaving;
    if (change.dstStart) form.dstStart = *change.dstStart;
    if (change.dstEnd) form.dstEnd = *change.dstEnd;
    if (change.energyFrom) form.energyFrom = EntryText(SettingList::EnergyFrom, *change.energyFrom);
    if (change.energyTo) form.energyTo = EntryText(SettingList::EnergyTo, *change.energyTo);
    if (change.brightness) form.brightness = EntryText(SettingList::Brightness, *change.brightness);
    return form;
}

}  // namespace horavane
