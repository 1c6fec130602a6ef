#include "fleet/KnownClocks.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <system_error>

#include "platform/Paths.h"

namespace horavane {
namespace {

constexpr std::array<const char*, 4> kColumns = {"address", "name", "location", "group"};

// One record of the file and the line it starts on.
struct CsvRecord {
    std::vector<std::string> fields;
    std::size_t line = 0;
};

// Reads CSV records one at a time; a quoted field may span lines, so records and lines differ.
class CsvReader {
  public:
    explicit CsvReader(std::string_view text) : text_(text) {
        if (text_.starts_with("\xEF\xBB\xBF")) text_.remove_prefix(3);  // spreadsheets write a BOM
    }

    // false at the end of the text, or with `error` set (without the file's name).
    bool Next(CsvRecord& record, std::string& error) {
        record = CsvRecord{{}, line_};
        if (at_ >= text_.size()) return false;
        const std::size_t start = at_;
        std::string field;
        bool quoted = false;     // inside quotes
        bool wasQuoted = false;  // the field began with a quote
        while (at_ < text_.size()) {
            if (at_ - start > kLongestFleetRow) {
                error = "the row is longer than " + std::to_string(kLongestFleetRow) + " bytes";
                return false;
            }
            const char c = text_[at_++];
            if (quoted) {
                if (c == '"' && at_ < text_.size() && text_[at_] == '"') {
                    field += '"';
                    ++at_;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    if (c == '\n') ++line_;
                    field += c;
                }
                continue;
            }
            if (c == '"') {
                if (wasQuoted || !field.empty()) {
                    error = "a quote inside a field that is not quoted as a whole";
                    return false;
                }
                quoted = wasQuoted = true;
            } else if (c == ',') {
                record.fields.push_back(std::move(field));
                field.clear();
                wasQuoted = false;
            } else if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') {
                continue;  // the LF ends the record
            } else if (c == '\n') {
                ++line_;
                break;
            } else if (wasQuoted) {
                error = "text after the closing quote of a field";
                return false;
            } else {
                field += c;
            }
        }
        if (quoted) {
            error = "a quoted field that never ends";
            return false;
        }
        record.fields.push_back(std::move(field));
        return true;
    }

  private:
    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
};

bool Blank(const CsvRecord& record) {
    return record.fields.size() == 1 && record.fields[0].empty();
}

}  // namespace

KnownClocks::KnownClocks(std::vector<KnownClock> clocks) : clocks_(std::move(clocks)) {
    std::sort(clocks_.begin(), clocks_.end(),
              [](const KnownClock& a, const KnownClock& b) { return a.address < b.address; });
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

std::optional<KnownClocks> ParseFleetFile(std::string_view text, const std::string& fileName,
                                          std::string& error) {
    CsvReader reader(text);
    CsvRecord record;
    auto refuse = [&](const std::string& why) {
        error = "the fleet file " + fileName + ", line " + std::to_string(record.line) + ": " + why;
        return std::nullopt;
    };
    std::string why;
    if (!reader.Next(record, why))
        return refuse(why.empty() ? "no header row (address,name,location,group)" : why);
    const std::vector<std::string> header = record.fields;
    std::array<std::size_t, kColumns.size()> column{};
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        const auto found = std::find(header.begin(), header.end(), kColumns[i]);
        if (found == header.end())
            return refuse(std::string("the header has no column \"") + kColumns[i] +
                          "\" (it needs address,name,location,group)");
        column[i] = static_cast<std::size_t>(found - header.begin());
    }
    std::vector<KnownClock> clocks;
    std::map<Ipv4Address, std::size_t> lineOf;
    while (reader.Next(record, why)) {
        if (Blank(record)) continue;
        if (record.fields.size() != header.size())
            return refuse("the row has " + std::to_string(record.fields.size()) + " fields, the header " +
                          std::to_string(header.size()));
        const std::string& addressText = record.fields[column[0]];
        const auto address = Ipv4Address::Parse(addressText);
        if (!address) return refuse("\"" + addressText + "\" is not a clock address (four numbers 0 to 255)");
        if (const auto [earlier, fresh] = lineOf.emplace(*address, record.line); !fresh)
            return refuse(address->ToString() + " is named already on line " +
                          std::to_string(earlier->second));
        clocks.push_back(
            {*address, record.fields[column[1]], record.fields[column[2]], record.fields[column[3]]});
    }
    if (!why.empty()) return refuse(why);
    return KnownClocks(std::move(clocks));
}

std::vector<std::filesystem::path> DefaultFleetFiles() {
    std::vector<std::filesystem::path> places;
    for (const std::filesystem::path& folder : {UserConfigFolder(), WorkstationConfigFolder()})
        if (!folder.empty()) places.push_back(folder / "fleet.csv");
    return places;
}

std::optional<KnownClocks> LoadKnownClocks(const std::filesystem::path& named,
                                           const std::vector<std::filesystem::path>& candidates,
                                           std::string& error) {
    std::filesystem::path file = named;
    std::error_code failure;
    if (file.empty()) {
        for (const std::filesystem::path& candidate : candidates)
            if (std::filesystem::exists(std::filesystem::symlink_status(candidate, failure))) {
                file = candidate;
                break;
            }
        if (file.empty()) return KnownClocks();
    }
    const std::string fileName = file.string();
    // A pipe or a device in the file's place would be read without end, or wait for a writer.
    const auto status = std::filesystem::status(file, failure);
    if (!std::filesystem::is_regular_file(status)) {
        error = "the fleet file " + fileName +
                (std::filesystem::exists(status) ? " is not a plain file" : " does not exist");
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, failure);
    if (!failure && size > kLargestFleetFile) {
        error = "the fleet file " + fileName + " is larger than " + std::to_string(kLargestFleetFile >> 20U) +
                " MiB";
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string text(failure ? 0 : static_cast<std::size_t>(size), '\0');
    if (!failure && in) {
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
    }
    if (failure || !in) {
        error = "the fleet file " + fileName + " cannot be read";
        return std::nullopt;
    }
    return ParseFleetFile(text, fileName, error);
}

}  // namespace horavane
