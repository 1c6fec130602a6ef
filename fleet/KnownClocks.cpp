#include "fleet/KnownClocks.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <set>
#include <system_error>
#include <utility>

#include "fleet/FleetCsv.h"
#include "platform/Paths.h"
#include "platform/VisibleText.h"
#include "protocol/HostRanges.h"

namespace horavane {
namespace {

constexpr std::array<const char*, 4> kColumns = {"address", "name", "location", "group"};

}  // namespace

KnownClocks::KnownClocks(std::vector<KnownClock> clocks, std::size_t rowsInFile)
    : clocks_(std::move(clocks)), rowsInFile_(std::max(rowsInFile, clocks_.size())) {
    std::sort(clocks_.begin(), clocks_.end(),
              [](const KnownClock& a, const KnownClock& b) { return a.address < b.address; });
    for (const KnownClock& clock : clocks_) groupsInFile_.push_back(clock.group);
    std::sort(groupsInFile_.begin(), groupsInFile_.end());
    groupsInFile_.erase(std::unique(groupsInFile_.begin(), groupsInFile_.end()), groupsInFile_.end());
}

KnownClocks::KnownClocks(std::vector<KnownClock> clocks, std::size_t rowsInFile,
                         std::vector<std::string> groupsInFile)
    : KnownClocks(std::move(clocks), rowsInFile) {
    groupsInFile_.insert(groupsInFile_.end(), groupsInFile.begin(), groupsInFile.end());
    std::sort(groupsInFile_.begin(), groupsInFile_.end());
    groupsInFile_.erase(std::unique(groupsInFile_.begin(), groupsInFile_.end()), groupsInFile_.end());
}

bool KnownClocks::GroupInFile(const std::string& group) const {
    return std::binary_search(groupsInFile_.begin(), groupsInFile_.end(), group);
}

const KnownClock* KnownClocks::Find(Ipv4Address address) const {
    const auto found =
        std::lower_bound(clocks_.begin(), clocks_.end(), address,
                         [](const KnownClock& clock, Ipv4Address a) { return clock.address < a; });
    return found != clocks_.end() && found->address == address ? &*found : nullptr;
}

std::vector<Ipv4Address> KnownClocks::InGroups(const std::vector<std::string>& groups) const {
    std::vector<Ipv4Address> selected;
    for (const KnownClock& clock : clocks_)
        if (std::find(groups.begin(), groups.end(), clock.group) != groups.end())
            selected.push_back(clock.address);
    return selected;
}

std::vector<Ipv4Address> KnownClocks::Among(const std::vector<Ipv4Address>& hosts) const {
    std::vector<Ipv4Address> inside;
    for (const KnownClock& clock : clocks_)
        if (std::binary_search(hosts.begin(), hosts.end(), clock.address)) inside.push_back(clock.address);
    return inside;
}

std::vector<std::string> KnownClocks::UnknownGroups(const std::vector<std::string>& groups) const {
    std::vector<std::string> unknown;
    for (const std::string& group : groups)
        if (std::none_of(clocks_.begin(), clocks_.end(),
                         [&](const KnownClock& clock) { return clock.group == group; }))
            unknown.push_back(group);
    return unknown;
}

namespace {

// Every address the file names and the line naming it, 8 bytes a row, so that an address named twice
// is found without keeping the rows themselves.
class AddressLines {
  public:
    void Add(Ipv4Address address, std::size_t line) {
        seen_.push_back((std::uint64_t{address.ToUint32()} << 32U) | static_cast<std::uint32_t>(line));
    }
    struct Repeat {
        std::size_t line = 0;  // 0: none
        std::size_t earlier = 0;
        Ipv4Address address;
    };
    // The first line (in the file's order) that names an address an earlier line named.
    Repeat FirstRepeat() {
        std::sort(seen_.begin(), seen_.end());
        Repeat first;
        for (std::size_t i = 1; i < seen_.size(); ++i) {
            if ((seen_[i] >> 32U) != (seen_[i - 1] >> 32U)) continue;
            const auto later = static_cast<std::size_t>(seen_[i] & 0xFFFFFFFFU);
            if (first.line == 0 || later < first.line)
                first = {later, static_cast<std::size_t>(seen_[i - 1] & 0xFFFFFFFFU),
                         Ipv4Address::FromUint32(static_cast<std::uint32_t>(seen_[i] >> 32U))};
        }
        return first;
    }

  private:
    std::vector<std::uint64_t> seen_;
};

std::string NotAClock(const std::string& text) {
    return "\"" + text + "\" is not a clock address (four numbers 0 to 255)";
}

// The row's clock (its address and group: the name and location are read for a row kept), or the
// reason it is refused.
std::optional<KnownClock> RowClock(const CsvRecord& record, const std::vector<std::size_t>& column,
                                   std::size_t fieldCount, std::string& why) {
    why = RowTextFault(record, fieldCount);
    if (!why.empty()) return std::nullopt;
    const std::string& addressText = record.fields[column[0]];
    const auto address = Ipv4Address::Parse(addressText);
    if (!address) {
        why = NotAClock(addressText);
        return std::nullopt;
    }
    if (auto refusal = RefusedClockAddress(*address)) {
        why = std::move(*refusal);
        return std::nullopt;
    }
    return KnownClock{*address, {}, {}, UndoCsvField(record.fields[column[3]])};
}

}  // namespace

std::optional<KnownClocks> ParseFleetFile(std::istream& in, const std::string& fileName, std::string& error,
                                          const KnownClockFilter& keep) {
    std::streambuf* buffer = in.rdbuf();
    if (buffer == nullptr) {
        error = "the fleet file " + fileName + " cannot be read";
        return std::nullopt;
    }
    CsvReader reader(*buffer, kLongestFleetRow);
    CsvRecord record;
    AddressLines lines;
    // A bad row, or an address named twice before it, whichever comes first in the file.
    auto refuse = [&](std::size_t line, const std::string& why) -> std::optional<KnownClocks> {
        if (const auto repeat = lines.FirstRepeat(); repeat.line != 0 && repeat.line < line) {
            error = "the fleet file " + fileName + ", line " + std::to_string(repeat.line) + ": " +
                    repeat.address.ToString() + " is named already on line " + std::to_string(repeat.earlier);
            return std::nullopt;
        }
        error = "the fleet file " + fileName + ", line " + std::to_string(line) + ": " + why;
        return std::nullopt;
    };
    std::string why;
    if (!reader.Next(record, why))
        return refuse(record.line, why.empty() ? "no header row (address,name,location,group)" : why);
    const std::vector<std::string> header = record.fields;
    const auto column = FindColumns(header, kColumns, why);
    if (!column) return refuse(record.line, why);
    std::vector<KnownClock> clocks;
    std::set<std::string, std::less<>> groups;
    std::size_t rows = 0;
    while (reader.Next(record, why)) {
        if (BlankRecord(record)) continue;
        auto clock = RowClock(record, *column, header.size(), why);
        if (!clock) return refuse(record.line, why);
        lines.Add(clock->address, record.line);
        ++rows;
        groups.insert(clock->group);
        if (keep && !keep(*clock)) continue;
        clock->name = UndoCsvField(record.fields[(*column)[1]]);
        clock->location = UndoCsvField(record.fields[(*column)[2]]);
        clocks.push_back(std::move(*clock));
    }
    if (!why.empty()) return refuse(record.line, why);
    if (lines.FirstRepeat().line != 0) return refuse(SIZE_MAX, "");
    return KnownClocks(std::move(clocks), rows, std::vector<std::string>(groups.begin(), groups.end()));
}

std::optional<KnownClocks> ParseFleetFile(std::string_view text, const std::string& fileName,
                                          std::string& error, const KnownClockFilter& keep) {
    ViewBuffer buffer(text);
    std::istream in(&buffer);
    return ParseFleetFile(in, fileName, error, keep);
}

std::vector<std::filesystem::path> DefaultFleetFiles() {
    std::vector<std::filesystem::path> places;
    for (const std::filesystem::path& folder : {UserConfigFolder(), WorkstationConfigFolder()})
        if (!folder.empty()) places.push_back(folder / "fleet.csv");
    return places;
}

std::filesystem::path FleetFileIn(const std::filesystem::path& named,
                                  const std::vector<std::filesystem::path>& candidates) {
    if (!named.empty()) return named;
    std::error_code failure;
    for (const std::filesystem::path& candidate : candidates)
        if (std::filesystem::exists(std::filesystem::symlink_status(candidate, failure))) return candidate;
    return {};
}

std::optional<KnownClocks> LoadKnownClocks(const std::filesystem::path& named,
                                           const std::vector<std::filesystem::path>& candidates,
                                           std::string& error, const KnownClockFilter& keep) {
    const std::filesystem::path file = FleetFileIn(named, candidates);
    if (file.empty()) return KnownClocks();
    auto in = OpenCsvFile(file, "the fleet file", kLargestFleetFile, error);
    if (!in) return std::nullopt;
    auto known = ParseFleetFile(*in, file.string(), error, keep);
    if (known) known->SetFile(file);
    return known;
}

}  // namespace horavane
