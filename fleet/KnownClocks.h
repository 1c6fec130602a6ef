#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/NetTypes.h"

namespace horavane {

// A clock the site knows by name, from a row of the fleet file. The texts are what people typed,
// kept as they are: whoever shows them makes them visible and escapes them for the format.
struct KnownClock {
    Ipv4Address address;
    std::string name;
    std::string location;
    std::string group;
};

// The clocks of a fleet file a command keeps (all of them unless it chose), in ascending address
// order, each address once.
class KnownClocks {
  public:
    KnownClocks() = default;
    // `clocks` must hold each address once (ParseFleetFile makes sure); `rowsInFile`: how many clocks
    // the file named, those not kept too (at least as many as are kept).
    explicit KnownClocks(std::vector<KnownClock> clocks, std::size_t rowsInFile = 0);
    // `groupsInFile`: every group a row of the file names, those of rows not kept too.
    KnownClocks(std::vector<KnownClock> clocks, std::size_t rowsInFile,
                std::vector<std::string> groupsInFile);

    // nullptr for a clock the file does not name.
    [[nodiscard]] const KnownClock* Find(Ipv4Address address) const;
    // The clocks of any of `groups`, ascending; a group matches only as written.
    [[nodiscard]] std::vector<Ipv4Address> InGroups(const std::vector<std::string>& groups) const;
    // The known clocks among `hosts` (ascending, as HostsOf gives them).
    [[nodiscard]] std::vector<Ipv4Address> Among(const std::vector<Ipv4Address>& hosts) const;
    // Groups named by no clock, so that a mistyped --group is refused instead of selecting nothing.
    [[nodiscard]] std::vector<std::string> UnknownGroups(const std::vector<std::string>& groups) const;

    // Whether any row of the file names `group`, kept or not.
    [[nodiscard]] bool GroupInFile(const std::string& group) const;
    // The file the clocks were read from; empty when there was none.
    [[nodiscard]] const std::filesystem::path& file() const { return file_; }
    void SetFile(std::filesystem::path file) { file_ = std::move(file); }

    // Whether the file named no clock at all (or there was none), whatever was kept.
    [[nodiscard]] bool empty() const { return rowsInFile_ == 0; }
    [[nodiscard]] std::size_t size() const { return clocks_.size(); }
    [[nodiscard]] const std::vector<KnownClock>& clocks() const { return clocks_; }

  private:
    std::vector<KnownClock> clocks_;
    std::size_t rowsInFile_ = 0;
    std::vector<std::string> groupsInFile_;  // ascending, each once
    std::filesystem::path file_;
};

// Which rows a command keeps of the file it reads; every row is judged all the same. Empty: all.
// It is shown a row's address and group (the name and location are read for the rows it keeps,
// so that a large file costs little). A filter must keep every row of a group the command names,
// so that UnknownGroups holds.
using KnownClockFilter = std::function<bool(const KnownClock&)>;

// Bounds that keep a file put in the fleet file's place from taking the memory or the time. The file
// is read as a stream, one row at a time, keeping what the command asked for and 8 bytes a row to
// find an address named twice; a million rows with long names fit within the file's bound.
inline constexpr std::size_t kLongestFleetRow = 4096;
inline constexpr std::size_t kLargestFleetFile = 256U << 20U;

// A fleet file's text: UTF-8 CSV (RFC 4180: quoted fields may hold commas, quotes and line breaks;
// CRLF or LF line ends; a leading byte-order mark is skipped) with a header row naming at least the
// columns address, name, location and group, in any order; other columns are ignored, so that an
// inventory export can seed the file. Each field is read back as `inventory --csv` writes it
// (UndoCsvField: the formula guard and the visible-text escapes undone), so that a saved inventory
// names the clocks as they hold their texts. Blank lines are skipped. nullopt with `error` naming
// `fileName` and the line at the first bad row: text that is not UTF-8, a field count that differs
// from the header's, an address that is not a dotted quad or that no clock can have (0.x.x.x,
// 224.0.0.0 and above, host 0 or 255 of a /24), an address named twice, a row longer than
// kLongestFleetRow, an unbalanced quote. Only the rows `keep` takes are kept.
[[nodiscard]] std::optional<KnownClocks> ParseFleetFile(std::istream& in, const std::string& fileName,
                                                        std::string& error,
                                                        const KnownClockFilter& keep = {});
[[nodiscard]] std::optional<KnownClocks> ParseFleetFile(std::string_view text, const std::string& fileName,
                                                        std::string& error,
                                                        const KnownClockFilter& keep = {});

// The places a fleet file is looked for when none is named, in order: the user's, then the
// workstation's (UserConfigFolder and WorkstationConfigFolder, each with fleet.csv).
[[nodiscard]] std::vector<std::filesystem::path> DefaultFleetFiles();

// The file LoadKnownClocks reads: `named` when not empty, or else the first of `candidates` that
// exists; empty when none does.
[[nodiscard]] std::filesystem::path FleetFileIn(const std::filesystem::path& named,
                                                const std::vector<std::filesystem::path>& candidates);

// The fleet file `named` when not empty (it must exist), or else the first of `candidates` that
// exists; no clocks when none does. A file that exists but cannot be read, is larger than
// kLargestFleetFile or holds a bad row is refused: nullopt with `error` naming the file (and the line).
[[nodiscard]] std::optional<KnownClocks> LoadKnownClocks(const std::filesystem::path& named,
                                                         const std::vector<std::filesystem::path>& candidates,
                                                         std::string& error,
                                                         const KnownClockFilter& keep = {});

}  // namespace horavane
