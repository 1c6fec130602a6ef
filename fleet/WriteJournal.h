#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/ClockRows.h"
#include "platform/NetTypes.h"

namespace horavane {

// One write to one clock as the journal keeps it: what the clock held just before (as `export`
// prints it) and what was written to it (the same keys, as the clock should show them after).
struct JournalRecord {
    std::string time;  // UTC, "2026-12-07T10:11:12.345Z": sorts as text in time order
    std::string user;
    std::string command;  // set, apply, restore
    std::string address;
    std::string serialNumber;  // as the clock sent it; only ever printed through VisibleText
    Json before;
    Json written;
};

// The journal of writes: one file of JSON lines, one line per record, appended to and flushed to the
// disk before the writes it describes are sent. A line that is not a whole record (the tail of a
// program killed while appending) is skipped and counted, never taken for a record.
class WriteJournal {
  public:
    explicit WriteJournal(std::filesystem::path file) : file_(std::move(file)) {}
    // journal.jsonl in the user's state folder ($XDG_STATE_HOME/horavane, %LOCALAPPDATA%\Horavane).
    [[nodiscard]] static WriteJournal OfThisUser();

    [[nodiscard]] const std::filesystem::path& file() const { return file_; }

    // Lines of JournalLine, all on the disk, or false with the reason; then none of the writes they
    // describe may be sent.
    [[nodiscard]] bool Append(std::string_view lines, std::string& error) const;

    struct Contents {
        std::vector<JournalRecord> records;  // in the order they were written
        int damaged = 0;                     // lines skipped
    };
    // The records, of one clock only when `address` is given. A missing journal is an empty one.
    [[nodiscard]] Contents Read(std::optional<Ipv4Address> address = std::nullopt) const;

  private:
    std::filesystem::path file_;
};

// A record as its line of the journal, line feed included. Made as soon as the record is, so that a
// fleet's records are held as text, not as documents.
[[nodiscard]] std::string JournalLine(const JournalRecord& record);

// A record for a write about to go out, stamped with the time now and this user.
[[nodiscard]] JournalRecord NewRecord(std::string_view command, Ipv4Address clock, std::string serialNumber,
                                      Json before, Json written);

// A time as an operator types it for --at, in UTC: 2026-12-07, 2026-12-07T10:11, 2026-12-07 10:11:12,
// with or without seconds' fractions and a trailing Z; nullopt for anything else. Returned in the
// journal's own form, so that records compare with it as text.
[[nodiscard]] std::optional<std::string> ParseJournalTime(std::string_view text);

}  // namespace horavane
