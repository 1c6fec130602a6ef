#include "fleet/WriteJournal.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
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

std::optional<JournalRecord> RecordFromLine(const std::string& line) {
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

std::string JournalLine(const JournalRecord& r) {
    Json line;
    line["time"] = r.time;
    line["user"] = r.user;
    line["command"] = r.command;
    line["address"] = r.address;
    line["serialNumber"] = r.serialNumber;
    line["before"] = r.before;
    line["written"] = r.written;
    // JSON escapes every control character, so no text from a clock can end a line early; bytes that
    // are not UTF-8 are kept as U+FFFD.
    return JsonText(line) + "\n";
}

bool WriteJournal::Append(std::string_view lines, std::string& error) const {
    if (file_.empty()) {
        error = "no folder for the journal of writes: set HOME or XDG_STATE_HOME";
        return false;
    }
    if (AppendLinesDurably(file_, lines, error)) return true;
    error = "the journal of writes " + file_.string() + " cannot be written: " + error;
    return false;
}

WriteJournal::Contents WriteJournal::Read(std::optional<Ipv4Address> address) const {
    Contents contents;
    std::ifstream in(file_, std::ios::binary);
    const std::string wanted = address ? address->ToString() : std::string();
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        auto record = RecordFromLine(line);
        if (!record) {
            ++contents.damaged;
            continue;
        }
        if (wanted.empty() || record->address == wanted) contents.records.push_back(std::move(*record));
    }
    return contents;
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
    if (number(2) < 1 || number(2) > 12 || number(3) < 1 || number(3) > 31 || number(4) > 23 ||
        number(5) > 59 || number(6) > 60)
        return std::nullopt;
    char normal[64];
    std::snprintf(normal, sizeof normal, "%04d-%02d-%02dT%02d:%02d:%02d.%sZ", number(1), number(2), number(3),
                  number(4), number(5), number(6), fraction.c_str());
    return normal;
}

}  // namespace horavane
