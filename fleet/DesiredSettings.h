#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/FleetReadings.h"
#include "fleet/KnownClocks.h"
#include "settings/SettingWords.h"

namespace horavane {

// One desired value: a setting, the words the file gives it in (set's words), what they set, and
// the line they are on.
struct DesiredValue {
    Setting setting = Setting::TimeZone;
    std::string words;
    SettingsChange change;
    std::size_t line = 0;
};

// What the clocks of a fleet should hold: values per group, and per clock where a clock differs. A
// setting given for neither is not managed.
class DesiredSettings {
  public:
    [[nodiscard]] bool empty() const { return groups_.empty() && clocks_.empty(); }
    [[nodiscard]] const std::string& fileName() const { return fileName_; }

    // What `clock` should hold, each managed setting once in AllSettings' order: its group's values,
    // with its own in their place where it gives one. Empty for a clock nothing is desired of.
    [[nodiscard]] std::vector<DesiredValue> For(const KnownClock& clock) const;
    // What the clock at `address` should hold, as the fleet file's row of it says; nothing for a clock
    // the fleet file does not name (or whose row was not kept).
    [[nodiscard]] std::vector<DesiredValue> For(const KnownClocks& known, Ipv4Address address) const;
    // The clocks given values of their own, ascending.
    [[nodiscard]] std::vector<Ipv4Address> Clocks() const;
    [[nodiscard]] bool HasGroup(const std::string& group) const { return groups_.count(group) != 0; }

    // A group no row of the fleet file names, or a clock it does not name (the clock must be among
    // the clocks kept of it): the error names this file and the line. nullopt when all are there.
    [[nodiscard]] std::optional<std::string> RefusalAgainst(const KnownClocks& known) const;

  private:
    friend std::optional<DesiredSettings> ParseDesiredFile(std::istream&, const std::string&, std::string&);
    std::string fileName_;
    std::map<std::string, std::vector<DesiredValue>> groups_;
    std::map<Ipv4Address, std::vector<DesiredValue>> clocks_;
};

// A desired-settings file: UTF-8 CSV as the fleet file is (RFC 4180, a byte-order mark skipped,
// blank lines skipped, other columns ignored so that a column of notes may stand beside) with a
// header naming the columns group, clock, setting and value. Each row gives one setting of one
// group or one clock (by its address), never both; the setting by set's option name ("time-zone",
// "time-server-2", "dst", ...), the value in set's words, "" blanking an address. Every value is
// judged as set judges it, and refused where Modify's checks would refuse it on any clock; a
// setting given twice for one group or clock with different values, an unknown setting, an
// ip-address for a group (its clocks would all take one address) are refused too. nullopt with
// `error` naming `fileName` and the line.
[[nodiscard]] std::optional<DesiredSettings> ParseDesiredFile(std::istream& in, const std::string& fileName,
                                                              std::string& error);
[[nodiscard]] std::optional<DesiredSettings> ParseDesiredFile(std::string_view text,
                                                              const std::string& fileName,
                                                              std::string& error);

// Where a fleet's desired settings are kept: desired.csv beside its fleet file; empty without one.
[[nodiscard]] std::filesystem::path DesiredFileBeside(const std::filesystem::path& fleetFile);

// The file `named` when not empty (it must exist), else `beside` when it exists; nothing desired
// when neither is. A file that is not a plain file, cannot be read, is too large or holds a bad row
// is refused, naming it.
[[nodiscard]] std::optional<DesiredSettings> LoadDesiredSettings(const std::filesystem::path& named,
                                                                 const std::filesystem::path& beside,
                                                                 std::string& error);

// A managed setting a clock holds otherwise than desired, in set's words.
struct SettingDrift {
    Setting setting = Setting::TimeZone;
    std::string holds;
    std::string should;
    friend bool operator==(const SettingDrift&, const SettingDrift&) = default;
};

// The managed settings `settings` holds otherwise than `desired`, as the window would show them:
// each desired value is applied to what the clock holds as Modify would write it, and the setting
// differs when its words then differ ("on" for daylight saving manages the tick alone).
[[nodiscard]] std::vector<SettingDrift> DriftOf(const ClockSettings& settings,
                                                const std::vector<DesiredValue>& desired);

// The change that writes the desired value of each drifted setting and leaves the rest alone.
[[nodiscard]] SettingsChange PuttingRight(const std::vector<DesiredValue>& desired,
                                          const std::vector<SettingDrift>& drift);

// One clock of a plan: how it answered; what differs when it did; and, when its settings would not
// pass Modify's checks once put right, the refusal ("TITLE: text").
struct ClockPlan {
    Ipv4Address address;
    ClockState state = ClockState::kSilent;
    std::vector<SettingDrift> drift;
    std::optional<std::string> refusal;
    [[nodiscard]] bool Known() const { return Answering(state); }
    [[nodiscard]] bool InLine() const { return Known() && drift.empty(); }
};
[[nodiscard]] ClockPlan PlanOf(const ClockReading& reading, const std::vector<DesiredValue>& desired);

}  // namespace horavane
