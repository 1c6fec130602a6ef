#include "dialog/ClockDisplay.h"

#include <array>

#include "dialog/ControlIds.h"
#include "settings/Messages.h"
#include "settings/SettingCodes.h"
#include "settings/ValueLists.h"

namespace horavane {
namespace {

constexpr std::array<int, 4> kClockAddressFields = {ctl::IpAddress, ctl::SubnetMask, ctl::Gateway,
                                                    ctl::DnsServer};

struct RuleListIds {
    int month, week, day, hour;
};
constexpr RuleListIds kStartLists{ctl::DstStartMonth, ctl::DstStartWeek, ctl::DstStartDay, ctl::DstStartHour};
constexpr RuleListIds kEndLists{ctl::DstEndMonth, ctl::DstEndWeek, ctl::DstEndDay, ctl::DstEndHour};

template <typename Entries>
void FillIfEmpty(DialogControls& controls, int id, const Entries& entries) {
    if (controls.ComboCount(id) != 0) return;
    controls.ComboReset(id);
    for (auto entry : entries) controls.ComboAdd(id, entry);
}

void ShowRulePoint(DialogControls& controls, const RuleListIds& ids, const RuleSelection& selection) {
    controls.ComboSelect(ids.month, selection.month);
    controls.ComboSelect(ids.week, selection.week);
    controls.ComboSelect(ids.day, selection.day);
    controls.ComboSelect(ids.hour, selection.hour);
}

RuleSelection ReadRulePoint(const DialogControls& controls, const RuleListIds& ids) {
    return {controls.ComboSelectedIndex(ids.month), controls.ComboSelectedIndex(ids.week),
            controls.ComboSelectedIndex(ids.day), controls.ComboSelectedIndex(ids.hour)};
}

void ShowDaylightSaving(DialogControls& controls, const ClockSettings& settings) {
    const bool shown = RuleIsShown(settings.dstStart, settings.dstEnd);
    controls.SetChecked(ctl::DaylightSaving, shown);
    ShowRulePoint(controls, kStartLists, shown ? SelectionOf(settings.dstStart) : RuleSelection{});
    ShowRulePoint(controls, kEndLists, shown ? SelectionOf(settings.dstEnd) : RuleSelection{});
}

void ShowTimeZone(DialogControls& controls, const ClockSettings& settings) {
    controls.SetText(ctl::TimeZoneText, TimeZoneDisplayText(settings.timeZone));
    SelectComboText(controls, ctl::TimeZoneList, TimeZoneListText(settings.timeZone));
}

void ShowBrightness(DialogControls& controls, const ClockSettings& settings) {
    const auto entry = BrightnessEntry(settings.brightness);
    if (entry)
        SelectComboText(controls, ctl::Brightness, *entry);
    else
        controls.ComboSelect(ctl::Brightness, -1);
}

// A code outside the pair's two leaves both buttons as the caller left them.
void ShowRadioPair(DialogControls& controls, std::optional<bool> second, int firstId, int secondId) {
    if (!second) return;
    controls.SetChecked(secondId, *second);
    controls.SetChecked(firstId, !*second);
}

void ShowIpMode(DialogControls& controls, const ClockSettings& settings) {
    const std::optional<bool> dynamic = DynamicIpOf(settings.dynamicIp);
    ShowRadioPair(controls, dynamic, ctl::StaticIp, ctl::DynamicIp);
    if (dynamic) *dynamic ? OnDynamicIp(controls) : OnStaticIp(controls);
}

}  // namespace

void FillDialogLists(DialogControls& controls) {
    FillIfEmpty(controls, ctl::TimeZoneList, lists::kTimeZones);
    FillIfEmpty(controls, ctl::EnergyTo, lists::kHours);
    FillIfEmpty(controls, ctl::EnergyFrom, lists::kHours);
    FillIfEmpty(controls, ctl::Brightness, lists::kBrightness);
    FillRuleLists(controls);
}

void FillRuleLists(DialogControls& controls) {
    FillIfEmpty(controls, ctl::DstStartMonth, lists::kMonths);
    FillIfEmpty(controls, ctl::DstStartWeek, lists::kWeekOrdinals);
    FillIfEmpty(controls, ctl::DstStartDay, lists::kWeekdays);
    FillIfEmpty(controls, ctl::DstStartHour, lists::kHours);
    FillIfEmpty(controls, ctl::DstEndMonth, lists::kMonths);
    FillIfEmpty(controls, ctl::DstEndWeek, lists::kWeekOrdinals);
    FillIfEmpty(controls, ctl::DstEndDay, lists::kWeekdays);
    FillIfEmpty(controls, ctl::DstEndHour, lists::kHours);
}

void ClearClockInformation(DialogControls& controls) {
    for (int id = ctl::TimeServer1; id <= ctl::DnsServer; ++id) controls.ClearIp(id);
    for (int id : {ctl::SerialNumber, ctl::SyncStatus, ctl::TimeZoneText}) controls.SetText(id, "");
    controls.SetChecked(ctl::Format12, false);
    controls.SetChecked(ctl::Format24, false);
    controls.SetText(ctl::CurrentTimeServer, "");
    controls.SetText(ctl::MacAddress, "");
    controls.SetChecked(ctl::DynamicIp, false);
    controls.SetChecked(ctl::StaticIp, false);
    controls.SetText(ctl::StatusLine, "");
}

// Each control is set once, so the order among the steps matters to nobody; it follows the group
// from top to bottom.
void ShowReply(DialogControls& controls, const ClockStatus& status) {
    controls.SetText(ctl::SyncStatus, status.Synchronised() ? msg::kSync : msg::kUnsync);
    controls.SetText(ctl::CurrentTimeServer,
                     status.Synchronised() ? status.currentTimeServer.ToString() : std::string(msg::kUnsync));
    const auto servers = ShownTimeServers(status.settings);
    for (std::size_t slot = 0; slot < servers.size(); ++slot)
        if (servers[slot]) controls.SetIp(ctl::TimeServer1 + static_cast<int>(slot), *servers[slot]);
    // A zero address is shown as 0.0.0.0: the clock reported it.
    controls.SetIp(ctl::IpAddress, status.settings.clockIp);
    controls.SetIp(ctl::SubnetMask, status.settings.subnetMask);
    controls.SetIp(ctl::Gateway, status.settings.gateway);
    controls.SetIp(ctl::DnsServer, status.settings.dnsServer);
    controls.SetText(ctl::MacAddress, MacReadout(status.mac));
    controls.SetText(ctl::SerialNumber, status.serialNumber);
    ShowSettingCodes(controls, status.settings);
}

void ShowSettingCodes(DialogControls& controls, const ClockSettings& settings) {
    ShowIpMode(controls, settings);
    ShowDaylightSaving(controls, settings);
    ShowTimeZone(controls, settings);
    SelectComboText(controls, ctl::EnergyFrom, HourEntryText(settings.saveFromHour));
    SelectComboText(controls, ctl::EnergyTo, HourEntryText(settings.saveToHour));
    ShowBrightness(controls, settings);
    ShowRadioPair(controls, TwelveHourOf(settings.timeFormat), ctl::Format24, ctl::Format12);
}

SettingsForm ReadSettingsForm(const DialogControls& controls) {
    SettingsForm form;
    for (std::size_t slot = 0; slot < form.timeServers.size(); ++slot)
        form.timeServers[slot] = controls.GetIp(ctl::TimeServer1 + static_cast<int>(slot));
    form.ipAddress = controls.GetIp(ctl::IpAddress);
    form.subnetMask = controls.GetIp(ctl::SubnetMask);
    form.gateway = controls.GetIp(ctl::Gateway);
    form.dnsServer = controls.GetIp(ctl::DnsServer);
    form.twelveHour = controls.IsChecked(ctl::Format12);
    form.twentyFourHour = controls.IsChecked(ctl::Format24);
    form.dynamicIp = controls.IsChecked(ctl::DynamicIp);
    form.staticIp = controls.IsChecked(ctl::StaticIp);
    form.daylightSaving = controls.IsChecked(ctl::DaylightSaving);
    form.dstStart = ReadRulePoint(controls, kStartLists);
    form.dstEnd = ReadRulePoint(controls, kEndLists);
    form.timeZone = controls.GetText(ctl::TimeZoneList);
    form.energyFrom = controls.GetText(ctl::EnergyFrom);
    form.energyTo = controls.GetText(ctl::EnergyTo);
    form.brightness = controls.GetText(ctl::Brightness);
    return form;
}

ClockReadout ReadClockReadout(const DialogControls& controls) {
    ClockReadout readout;
    readout.form = ReadSettingsForm(controls);
    readout.serialNumber = controls.GetText(ctl::SerialNumber);
    readout.syncStatus = controls.GetText(ctl::SyncStatus);
    readout.timeZone = controls.GetText(ctl::TimeZoneText);
    readout.currentTimeServer = controls.GetText(ctl::CurrentTimeServer);
    std::string mac = controls.GetText(ctl::MacAddress);
    while (!mac.empty() && (mac.back() == '\n' || mac.back() == '\r')) mac.pop_back();
    readout.macAddress = mac;
    return readout;
}

void ShowRefusal(DialogControls& controls, const Refusal& refusal) {
    controls.ShowDialogMessage(
        refusal.message, refusal.title ? std::optional<std::string_view>(*refusal.title) : std::nullopt);
    // The nine address fields' ids follow the form's order, time server 1 first.
    if (refusal.field != AddressField::None)
        controls.SetFocus(ctl::TimeServer1 + static_cast<int>(refusal.field) -
                          static_cast<int>(AddressField::TimeServer1));
    int list = 0;
    if (refusal.reset == ResetList::EnergyFrom) list = ctl::EnergyFrom;
    if (refusal.reset == ResetList::Brightness) list = ctl::Brightness;
    if (list == 0) return;
    controls.SetFocus(list);
    controls.ComboSelect(list, 0);
}

std::optional<Ipv4Address> SelectedClockAddress(const DialogControls& controls) {
    const int index = controls.ListSelectedIndex(ctl::ClockList);
    if (index < 0) return std::nullopt;
    return Ipv4Address::Parse(controls.ListText(ctl::ClockList, index));
}

void SelectComboText(DialogControls& controls, int id, std::string_view text) {
    controls.ComboSelect(id, controls.ComboFindExact(id, text));
}

void OnDynamicIp(DialogControls& controls) {
    for (int id : kClockAddressFields) controls.Enable(id, false);
}

void OnStaticIp(DialogControls& controls) {
    for (int id : kClockAddressFields) controls.Enable(id, true);
}

}  // namespace horavane
