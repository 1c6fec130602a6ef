#pragma once

#include <cstddef>
#include <filesystem>
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

// The clocks of a fleet file, in ascending address order, each address once.
class KnownClocks {
  public:
    KnownClocks() = default;
    // `clocks` must hold each address once (ParseFleetFile makes sure).
    explicit KnownClocks(std::vector<KnownClock> clocks);

    // nullptr for a clock the file does not name.
    [[nodiscard]] const KnownClock* Find(Ipv4Address address) const;
    // The clocks of any of `groups`, ascending; a group matches only as written.
    [[nodiscard]] std::vector<Ipv4Address> InGroups(const std::vector<std::string>& groups) const;
    // The known clocks among `hosts` (ascending, as HostsOf gives them).
    [[nodiscard]] std::vector<Ipv4Address> Among(const std::vector<Ipv4Address>& hosts) const;
    // Groups named by no clock, so that a mistyped --group is refused instead of selecting nothing.
    [[nodiscard]] std::vector<std::string> UnknownGroups(const std::vector<std::string>& groups) const;

    [[nodiscard]] bool empty() const { return clocks_.empty(); }
    [[nodiscard]] std::size_t size() const { return clocks_.size(); }
    [[nodiscard]] const std::vector<KnownClock>& clocks() const { return clocks_; }

  private:
    std::vector<KnownClock> clocks_;
};

// Bounds that keep a file put in the fleet file's place from filling the memory. A site of 65,536
// clocks with long names fits within the file's bound many times over.
inline constexpr std::size_t kLongestFleetRow = 4096;
inline constexpr std::size_t kLargestFleetFile = 64U << 20U;

// A fleet file's text: CSV (RFC 4180: quoted fields may hold commas, quotes and line breaks; CRLF or
// LF line ends; a leading byte-order mark is skipped) with a header row naming at least the columns
// address, name, location and group, in any order; other columns are ignored, so that an inventory
// export can seed the file. Blank lines are skipped. nullopt with `error` naming `fileName` and the
// line at the first bad row: a field count that differs from the header's, an address that is not a
// dotted quad, an address named twice, a row longer than kLongestFleetRow, an unbalanced quote.
[[nodiscard]] std::optional<KnownClocks> ParseFleetFile(std::string_view text, const std::string& fileName,
                                                        std::string& error);

// The places a fleet file is looked for when none is named, in order: the user's, then the
// workstation's (UserConfigFolder and WorkstationConfigFolder, each with fleet.csv).
[[nodiscard]] std::vector<std::filesystem::path> DefaultFleetFiles();

// The fleet file `named` when not empty (it must exist), or else the first of `candidates` that
// exists; no clocks when none does. A file that exists but cannot be read, is larger than
// kLargestFleetFile or holds a bad row is refused: nullopt with `error` naming the file (and the line).
[[nodiscard]] std::optional<KnownClocks> LoadKnownClocks(const std::filesystem::path& named,
                                                         const std::vector<std::filesystem::path>& candidates,
                                                         std::string& error);

}  // namespace horavane
