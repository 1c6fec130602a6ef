#include "settings/SettingsForm.h"

#include "settings/Messages.h"
#include "settings/SettingCodes.h"
#include "settings/SettingsChange.h"

namespace horavane {
namespace {

// The entry a code's text selects, as the window's exact search finds it; "" for none.
std::string Selected(SettingList list, std::string_view text) {
    const int index = FindEntry(list, text);
    return index < 0 ? std::string() : std::string(EntriesOf(list)[static_cast<std::size_t>(index)]);
}

void ShowPair(std::optional<bool> first, bool& firstButton, bool& secondButton) {
    if (!first) return;
    firstButton = *first;
    secondButton = !*first;
}

}  // namespace

SettingsForm FormOf(const ClockSettings& settings) {
    SettingsForm form;
    const auto servers = ShownTimeServers(settings);
    for (std::size_t slot = 0; slot < servers.size(); ++slot)
        if (servers[slot]) form.timeServers[slot] = IpFieldValue::From(*servers[slot]);
    // A zero address is shown as 0.0.0.0: the clock reported it.
    form.ipAddress = IpFieldValue::From(settings.clockIp);
    form.subnetMask = IpFieldValue::From(settings.subnetMask);
    form.gateway = IpFieldValue::From(settings.gateway);
    form.dnsServer = IpFieldValue::From(settings.dnsServer);
    ShowPair(TwelveHourOf(settings.timeFormat), form.twelveHour, form.twentyFourHour);
    ShowPair(DynamicIpOf(settings.dynamicIp), form.dynamicIp, form.staticIp);
    form.daylightSaving = RuleIsShown(settings.dstStart, settings.dstEnd);
    if (form.daylightSaving) {
        form.dstStart = SelectionOf(settings.dstStart);
        form.dstEnd = SelectionOf(settings.dstEnd);
    }
    form.timeZone = Selected(SettingList::TimeZone, TimeZoneListText(settings.timeZone));
    form.energyFrom = Selected(SettingList::EnergyFrom, HourEntryText(settings.saveFromHour));
    form.energyTo = Selected(SettingList::EnergyTo, HourEntryText(settings.saveToHour));
    const auto brightness = BrightnessEntry(settings.brightness);
    form.brightness = brightness ? std::string(*brightness) : std::string();
    return form;
}

ClockReadout ReadoutOf(const ClockStatus& status) {
    ClockReadout readout;
    readout.form = FormOf(status.settings);
    readout.serialNumber = status.serialNumber;
    readout.syncStatus = status.Synchronised() ? msg::kSync : msg::kUnsync;
    readout.timeZone = TimeZoneDisplayText(status.settings.timeZone);
    readout.currentTimeServer =
        status.Synchronised() ? status.currentTimeServer.ToString() : std::string(msg::kUnsync);
    readout.macAddress = MacText(status.mac);
    return readout;
}

}  // namespace horavane
