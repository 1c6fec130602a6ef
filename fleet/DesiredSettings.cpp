#include "fleet/DesiredSettings.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>

#include "fleet/FleetCsv.h"
#include "platform/VisibleText.h"
#include "protocol/HostRanges.h"
#include "settings/Messages.h"
#include "settings/SettingsChecks.h"

namespace horavane {
namespace {

constexpr std::array<const char*, 4> kColumns = {"group", "clock", "setting", "value"};
// A file of desired settings names each group and clock once per setting: a few thousand rows.
constexpr std::uintmax_t kLargestDesiredFile = 16U << 20U;

// A form that passes every check, so that a value Modify refuses on it is refused on any clock.
SettingsForm PassingForm() {
    const auto address = [](const char* text) { return *IpFieldValue::Parse(text); };
    SettingsForm form;
    for (IpFieldValue& server : form.timeServers) server = address("10.0.0.1");
    form.ipAddress = address("10.0.0.2");
    // Any full mask: the address against the mask is judged per clock.
    form.subnetMask = address("255.0.0.0");
    form.gateway = address("10.0.0.1");
    form.dnsServer = address("10.0.0.1");
    form.twentyFourHour = true;
    form.staticIp = true;
    form.dstStart = RuleSelection{0, 0, 0, 0};
    form.dstEnd = RuleSelection{0, 0, 0, 0};
    form.timeZone = std::string(EntriesOf(SettingList::TimeZone)[0]);
    form.energyFrom = "0";
    form.energyTo = "0";
    form.brightness = std::string(EntriesOf(SettingList::Brightness)[0]);
    return form;
}

// What Modify's checks refuse of `value` whatever clock it goes to. An address against the mask is
// judged per clock only: it depends on the clock's other field.
std::optional<std::string> RefusedAnywhere(const SettingsChange& value) {
    static const SettingsForm passing = PassingForm();
    const auto refusal = FirstRefusal(Changed(passing, value));
    if (!refusal || refusal->message == msg::kSubnetMask) return std::nullopt;
    return RefusalText(*refusal);
}

std::string SettingNames() {
    std::string names;
    for (const Setting setting : AllSettings())
        names += (names.empty() ? "" : ", ") + std::string(NameOf(setting));
    return names;
}

// Who a row is for, in an error: group "Ward 3" or clock 10.1.9.20.
std::string Target(const std::string& group, std::optional<Ipv4Address> clock) {
    return clock ? "clock " + clock->ToString() : "group \"" + group + "\"";
}

// Adds `value` to the values of one group or clock: a setting given again must say the same.
bool Add(std::vector<DesiredValue>& values, DesiredValue value, const std::string& target, std::string& why) {
    const auto same = std::find_if(values.begin(), values.end(),
                                   [&](const DesiredValue& v) { return v.setting == value.setting; });
    if (same == values.end()) {
        values.push_back(std::move(value));
        return true;
    }
    if (same->change == value.change) return true;
    why = std::string(NameOf(value.setting)) + " of " + target + " is \"" + same->words + "\" on line " +
          std::to_string(same->line) + " and \"" + value.words + "\" here: give it once";
    return false;
}

void Overlay(SettingsChange& into, const SettingsChange& over) {
    const auto take = [](auto& target, const auto& source) {
        if (source) target = source;
    };
    take(into.timeZone, over.timeZone);
    take(into.twelveHour, over.twelveHour);
    take(into.dynamicIp, over.dynamicIp);
    for (std::size_t slot = 0; slot < into.timeServers.size(); ++slot)
        take(into.timeServers[slot], over.timeServers[slot]);
    take(into.ipAddress, over.ipAddress);
    take(into.subnetMask, over.subnetMask);
    take(into.gateway, over.gateway);
    take(into.dnsServer, over.dnsServer);
    take(into.daylightSaving, over.daylightSaving);
    take(into.dstStart, over.dstStart);
    take(into.dstEnd, over.dstEnd);
    take(into.energyFrom, over.energyFrom);
    take(into.energyTo, over.energyTo);
    take(into.brightness, over.brightness);
}

}  // namespace

std::vector<DesiredValue> DesiredSettings::For(const KnownClock& clock) const {
    std::array<const DesiredValue*, kSettingCount> chosen{};
    const auto choose = [&](const std::vector<DesiredValue>& values) {
        for (const DesiredValue& value : values) chosen[static_cast<std::size_t>(value.setting)] = &value;
    };
    if (const auto group = groups_.find(clock.group); group != groups_.end()) choose(group->second);
    if (const auto own = clocks_.find(clock.address); own != clocks_.end()) choose(own->second);
    std::vector<DesiredValue> values;
    for (const DesiredValue* value : chosen)
        if (value) values.push_back(*value);
    return values;
}

std::vector<DesiredValue> DesiredSettings::For(const KnownClocks& known, Ipv4Address address) const {
    const KnownClock* clock = known.Find(address);
    return clock ? For(*clock) : std::vector<DesiredValue>();
}

std::vector<Ipv4Address> DesiredSettings::Clocks() const {
    std::vector<Ipv4Address> clocks;
    for (const auto& [address, values] : clocks_) clocks.push_back(address);
    return clocks;
}

std::optional<std::string> DesiredSettings::RefusalAgainst(const KnownClocks& known) const {
    const std::string fleet = known.file().empty() ? std::string("(there is no fleet file)")
                                                   : "the fleet file " + known.file().string();
    std::size_t line = 0;
    std::string why;
    const auto note = [&](std::size_t at, std::string text) {
        if (line == 0 || at < line) {
            line = at;
            why = std::move(text);
        }
    };
    for (const auto& [group, values] : groups_)
        if (!known.GroupInFile(group))
            note(values.front().line, "the group \"" + group + "\" has no clock in " + fleet);
    for (const auto& [address, values] : clocks_)
        if (!known.Find(address))
            note(values.front().line, "no clock " + address.ToString() + " in " + fleet);
    if (line == 0) return std::nullopt;
    return "the desired settings file " + fileName_ + ", line " + std::to_string(line) + ": " + why;
}

std::optional<DesiredSettings> ParseDesiredFile(std::istream& in, const std::string& fileName,
                                                std::string& error) {
    std::streambuf* buffer = in.rdbuf();
    if (buffer == nullptr) {
        error = "the desired settings file " + fileName + " cannot be read";
        return std::nullopt;
    }
    auto refuse = [&](std::size_t line, const std::string& why) -> std::optional<DesiredSettings> {
        error = "the desired settings file " + fileName + ", line " + std::to_string(line) + ": " + why;
        return std::nullopt;
    };
    CsvReader reader(*buffer, kLongestFleetRow);
    CsvRecord record;
    std::string why;
    if (!reader.Next(record, why))
        return refuse(record.line, why.empty() ? "no header row (group,clock,setting,value)" : why);
    const std::vector<std::string> header = record.fields;
    const auto found = FindColumns(header, kColumns, why);
    if (!found) return refuse(record.line, why);
    const std::vector<std::size_t>& column = *found;
    DesiredSettings desired;
    desired.fileName_ = fileName;
    while (reader.Next(record, why)) {
        if (BlankRecord(record)) continue;
        if (why = RowTextFault(record, header.size()); !why.empty()) return refuse(record.line, why);
        const std::string group = UndoCsvField(record.fields[column[0]]);
        const std::string& clockText = record.fields[column[1]];
        const std::string& name = record.fields[column[2]];
        const std::string& words = record.fields[column[3]];
        if (group.empty() == clockText.empty())
            return refuse(record.line, group.empty() ? "give the group or the clock the setting is for"
                                                     : "give a group or a clock, not both");
        std::optional<Ipv4Address> clock;
        if (!clockText.empty()) {
            clock = Ipv4Address::Parse(clockText);
            if (!clock)
                return refuse(record.line,
                              "\"" + clockText + "\" is not a clock address (four numbers 0 to 255)");
            if (auto refusal = RefusedClockAddress(*clock)) return refuse(record.line, *refusal);
        }
        const auto setting = SettingNamed(name);
        if (!setting) return refuse(record.line, "unknown setting \"" + name + "\" (" + SettingNames() + ")");
        if (*setting == Setting::IpAddress && !clock)
            return refuse(record.line,
                          "ip-address for a group would give all its clocks one address: give it "
                          "for each clock on a row of its own");
        DesiredValue value{*setting, words, {}, record.line};
        if (!SetFromWords(value.change, *setting, words, NameOf(*setting), why))
            return refuse(record.line, why);
        if (auto refusal = RefusedAnywhere(value.change))
            return refuse(record.line, std::string(NameOf(*setting)) + " \"" + words + "\": " + *refusal);
        auto& values = clock ? desired.clocks_[*clock] : desired.groups_[group];
        if (!Add(values, std::move(value), Target(group, clock), why)) return refuse(record.line, why);
    }
    if (!why.empty()) return refuse(record.line, why);
    return desired;
}

std::optional<DesiredSettings> ParseDesiredFile(std::string_view text, const std::string& fileName,
                                                std::string& error) {
    ViewBuffer buffer(text);
    std::istream in(&buffer);
    return ParseDesiredFile(in, fileName, error);
}

std::filesystem::path DesiredFileBeside(const std::filesystem::path& fleetFile) {
    if (fleetFile.empty()) return {};
    return fleetFile.parent_path() / "desired.csv";
}

std::optional<DesiredSettings> LoadDesiredSettings(const std::filesystem::path& named,
                                                   const std::filesystem::path& beside, std::string& error) {
    std::error_code failure;
    std::filesystem::path file = named;
    if (file.empty()) {
        if (beside.empty() || !std::filesystem::exists(std::filesystem::symlink_status(beside, failure)))
            return DesiredSettings();
        file = beside;
    }
    auto in = OpenCsvFile(file, "the desired settings file", kLargestDesiredFile, error);
    if (!in) return std::nullopt;
    return ParseDesiredFile(*in, file.string(), error);
}

std::vector<SettingDrift> DriftOf(const ClockSettings& settings, const std::vector<DesiredValue>& desired) {
    const SettingsForm holds = FormOf(settings);
    std::vector<SettingDrift> drift;
    for (const DesiredValue& value : desired) {
        std::string now = WordsOf(value.setting, holds);
        std::string then = WordsOf(value.setting, Changed(holds, value.change));
        if (now != then) drift.push_back({value.setting, std::move(now), std::move(then)});
    }
    return drift;
}

SettingsChange PuttingRight(const std::vector<DesiredValue>& desired,
                            const std::vector<SettingDrift>& drift) {
    SettingsChange change;
    for (const SettingDrift& item : drift)
        for (const DesiredValue& value : desired)
            if (value.setting == item.setting) Overlay(change, value.change);
    return change;
}

ClockPlan PlanOf(const ClockReading& reading, const std::vector<DesiredValue>& desired) {
    ClockPlan plan;
    plan.address = reading.outcome.address;
    plan.state = StateOf(reading);
    if (!plan.Known()) return plan;
    plan.drift = DriftOf(reading.status->settings, desired);
    if (plan.drift.empty()) return plan;
    const SettingsForm after = Changed(FormOf(reading.status->settings), PuttingRight(desired, plan.drift));
    if (const auto refusal = FirstRefusal(after)) plan.refusal = RefusalText(*refusal);
    return plan;
}

}  // namespace horavane
