#include "fleet/WriteJournal.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <regex>

#include "platform/DurableFile.h"
#include "platform/Paths.h"

namespace horavane {
namespace {

std::string Utc(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
    return text;
}

// A record nests three deep: the record, its "before" and "written", their list of time servers.
constexpr int kRecordDepth = 3;

// Whether the line's arrays and objects nest deeper than a record's, counted outside strings
// before anything is built: a value nested 100,000 deep would overflow the stack of the parser's
// copies and destructors.
bool NestsTooDeep(std::string_view line) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > kRecordDepth) return true;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return false;
}

std::optional<JournalRecord> RecordFromLine(const std::string& line) {
    if (NestsTooDeep(line)) return std::nullopt;
    const Json json = Json::parse(line, nullptr, false);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    for (const char* key : {"time", "user", "command", "address", "serialNumber"})
        if (!json.contains(key) || !json[key].is_string()) return std::nullopt;
    if (!json.contains("before") || !json["before"].is_object() || !json.contains("written") ||
        !json["written"].is_object())
        return std::nullopt;
    return JournalRecord{json["time"],         json["user"],   json["command"], json["address"],
                         json["serialNumber"], json["before"], json["written"]};
}

}  // namespace

WriteJournal WriteJournal::OfThisUser() {
    const std::filesystem::path folder = UserStateFolder();
    return WriteJournal(folder.empty() ? std::filesystem::path() : folder / "journal.jsonl");
}

Json RecordJson(const JournalRecord& r) {
    return Json{{"time", r.time},
                {"user", r.user},
                {"command", r.command},
                {"address", r.address},
                {"serialNumber", r.serialNumber},
                {"before", r.before},
                {"written", r.written}};
}

std::string JournalLine(const JournalRecord& r) {
    // JSON escapes every control character, so no text from a clock can end a line early; bytes that
    // are not UTF-8 are kept as U+FFFD.
    return JsonText(RecordJson(r)) + "\n";
}

std::vector<std::filesystem::path> WriteJournal::Generations() const {
    std::vector<std::filesystem::path> files;
    for (int generation = kGenerations; generation >= 1; --generation) {
        std::filesystem::path older = file_;
        older.replace_extension("." + std::to_string(generation) + file_.extension().string());
        files.push_back(older);
    }
    files.push_back(file_);
    return files;
}

// Each generation moves one up, the oldest dropped, before a journal that would pass its size is
// written to; the lines then start a new file.
bool WriteJournal::RotateIfFull(std::size_t adding, std::string& error) const {
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(file_, code);
    if (code || size == 0 || size + adding <= rotateAt_) return true;
    const std::vector<std::filesystem::path> files = Generations();
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
        if (!std::filesystem::exists(files[i + 1], code)) continue;
        std::filesystem::rename(files[i + 1], files[i], code);
        if (code) {
            error = "cannot move " + files[i + 1].string() + " aside: " + code.message();
            return false;
        }
    }
    return true;
}

bool WriteJournal::Append(std::string_view lines, std::string& error, AppendedLines* appended) const {
    if (file_.empty()) {
        error = "no folder for the journal of writes: set HOME or XDG_STATE_HOME";
        return false;
    }
    if (RotateIfFull(lines.size(), error) && AppendLinesDurably(file_, lines, error, appended)) return true;
    error = "the journal of writes " + file_.string() + " cannot be written: " + error;
    return false;
}

bool WriteJournal::Withdraw(const AppendedLines& appended, std::string& error) const {
    if (WithdrawLinesDurably(appended, error)) return true;
    error = "the journal's record of a write that was not sent cannot be taken back: " + error;
    return false;
}

bool WriteJournal::ForEach(std::optional<Ipv4Address> address,
                           const std::function<void(JournalRecord&& record)>& onRecord, int& damaged,
                           std::string& error) const {
    const std::string wanted = address ? address->ToString() : std::string();
    const auto fail = [&](const std::string& reason) {
        error = "the journal of writes cannot be read: " + reason;
        return false;
    };
    if (file_.empty()) return true;
    if (std::error_code code; std::filesystem::exists(file_.parent_path(), code) &&
                              !CheckFolderIsPrivate(file_.parent_path(), error))
        return fail(error);
    for (const std::filesystem::path& generation : Generations()) {
        LineFile in;
        const LineFile::Opened opened = in.Open(generation, error, true);
        if (opened == LineFile::Opened::Missing) continue;
        if (opened == LineFile::Opened::Failed) return fail(error);
        std::string line;
        for (;;) {
            const LineFile::Next next = in.Read(line, kLongestLine, error);
            if (next == LineFile::Next::End) break;
            if (next == LineFile::Next::Failed) return fail(generation.string() + ": " + error);
            if (next == LineFile::Next::TooLong) {
                ++damaged;
                continue;
            }
            // A blank line is no record, and no damage.
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            auto record = RecordFromLine(line);
            if (!record) {
                ++damaged;
                continue;
            }
            if (wanted.empty() || record->address == wanted) onRecord(std::move(*record));
        }
    }
    return true;
}

std::optional<WriteJournal::Contents> WriteJournal::Read(std::optional<Ipv4Address> address,
                                                         std::string& error) const {
    Contents contents;
    if (!ForEach(
            address, [&](JournalRecord&& record) { contents.records.push_back(std::move(record)); },
            contents.damaged, error))
        return std::nullopt;
    return contents;
}

void RestoreChoice::Offer(JournalRecord&& record) {
    if (!at_)
        chosen_ = std::move(record);
    else if (!chosen_ && record.time > *at_)
        chosen_ = std::move(record);
}

JournalRecord NewRecord(std::string_view command, Ipv4Address clock, std::string serialNumber, Json before,
                        Json written) {
    return JournalRecord{Utc(std::chrono::system_clock::now()),
                         UserName(),
                         std::string(command),
                         clock.ToString(),
                         std::move(serialNumber),
                         std::move(before),
                         std::move(written)};
}

std::optional<std::string> ParseJournalTime(std::string_view text) {
    static const std::regex form(
        R"((\d{4})-(\d{2})-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2})(?:\.(\d{1,3}))?)?)?Z?)");
    std::match_results<std::string_view::const_iterator> m;
    if (!std::regex_match(text.begin(), text.end(), m, form)) return std::nullopt;
    const auto number = [&](std::size_t i) { return m[i].matched ? std::stoi(m[i].str()) : 0; };
    std::string fraction = m[7].matched ? m[7].str() : "";
    fraction.resize(3, '0');
    const int year = number(1);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (number(2) < 1 || number(2) > 12 || number(3) < 1 ||
        number(3) > kDays[number(2) - 1] + (number(2) == 2 && leap ? 1 : 0) || number(4) > 23 ||
        number(5) > 59 || number(6) > 60)
        return std::nullopt;
    char normal[64];
    std::snprintf(normal, sizeof normal, "%04d-%02d-%02dT%02d:%02d:%02d.%sZ", number(1), number(2), number(3),
                  number(4), number(5), number(6), fraction.c_str());
    return normal;
}

}  // namespace horavane
