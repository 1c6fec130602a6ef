#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/ClockRows.h"
#include "platform/DurableFile.h"
#include "platform/NetTypes.h"

namespace horavane {

// One write to one clock as the journal keeps it: what the clock held just before (as `export`
// prints it) and what was written to it (the same keys, as the clock should show them after).
struct JournalRecord {
    std::string time;  // UTC, "2026-12-07T10:11:12.345Z": sorts as text in time order
    std::string user;
    std::string command;  // set, apply, restore, window
    std::string address;
    std::string serialNumber;  // as the clock sent it; only ever printed through VisibleText
    Json before;               // empty when the writer did not know it (a window that had not read the clock)
    Json written;
};

// Whether the record says what the clock held before its write: only then can restore write it back.
[[nodiscard]] inline bool KnowsBefore(const JournalRecord& record) {
    return !record.before.empty();
}

// The journal of writes: files of JSON lines, one line per record, appended to and flushed to the
// disk before the writes it describes are sent. An append that fails leaves the journal as it was.
// A line that is not a whole record (the tail of a program killed while appending, a hand-made line
// nested deeper than a record or longer than any record) is skipped and counted, never taken for a
// record. When the file would pass `rotateAt` bytes it becomes journal.1.jsonl (the one before
// becoming journal.2.jsonl, and so on); `kGenerations` of them are kept besides the file in use,
// the oldest dropped, so the disk the journal fills stays bounded.
class WriteJournal {
  public:
    static constexpr std::uintmax_t kRotateAt = std::uintmax_t{64} << 20;
    static constexpr int kGenerations = 3;
    // Longer than any record the programs write (a few kilobytes), far shorter than memory.
    static constexpr std::size_t kLongestLine = std::size_t{1} << 20;

    explicit WriteJournal(std::filesystem::path file, std::uintmax_t rotateAt = kRotateAt)
        : file_(std::move(file)), rotateAt_(rotateAt) {}
    // journal.jsonl in the user's state folder ($XDG_STATE_HOME/horavane, %LOCALAPPDATA%\Horavane).
    [[nodiscard]] static WriteJournal OfThisUser();

    [[nodiscard]] const std::filesystem::path& file() const { return file_; }
    // The files read, oldest first: journal.3.jsonl, ..., journal.1.jsonl, journal.jsonl.
    [[nodiscard]] std::vector<std::filesystem::path> Generations() const;

    // Lines of JournalLine, all on the disk, or false with the reason; then none of the writes they
    // describe may be sent, and the journal holds none of them.
    // `appended`, when given, is where they went, for Withdraw.
    [[nodiscard]] bool Append(std::string_view lines, std::string& error,
                              AppendedLines* appended = nullptr) const;
    // Takes back the records of writes that were then not sent, so that no record describes a write
    // that never left (and restore never undoes one). false with the reason when they are no longer
    // where Append put them.
    [[nodiscard]] bool Withdraw(const AppendedLines& appended, std::string& error) const;

    // Every record, oldest first, of one clock only when `address` is given, handed over one at a
    // time so that memory stays flat however long the journal is. A missing journal is an empty one.
    // false with the reason when a file exists but cannot be read to its end (a folder or a FIFO in
    // its place, a read error halfway, a file or folder of another user or that others may write
    // to); records already handed over are then not to be trusted as the whole.
    [[nodiscard]] bool ForEach(std::optional<Ipv4Address> address,
                               const std::function<void(JournalRecord&& record)>& onRecord, int& damaged,
                               std::string& error) const;

    struct Contents {
        std::vector<JournalRecord> records;  // in the order they were written
        int damaged = 0;                     // lines skipped
    };
    // All of ForEach's records at once; nullopt with the reason where ForEach fails.
    [[nodiscard]] std::optional<Contents> Read(std::optional<Ipv4Address> address, std::string& error) const;

  private:
    bool RotateIfFull(std::size_t adding, std::string& error) const;

    std::filesystem::path file_;
    std::uintmax_t rotateAt_;
};

// Restore's choice among one clock's records, offered in journal order. Without a time: the
// latest record (its write undone). With one: the first record after it, whose "before" is what
// the clock held at that time; a record stamped exactly at the time was already made then. Two
// records in the same millisecond keep their journal order.
class RestoreChoice {
  public:
    explicit RestoreChoice(std::optional<std::string> at) : at_(std::move(at)) {}
    void Offer(JournalRecord&& record);
    [[nodiscard]] const std::optional<JournalRecord>& chosen() const { return chosen_; }

  private:
    std::optional<std::string> at_;
    std::optional<JournalRecord> chosen_;
};

// A record as JSON, keys in the journal's order: its line in the journal and `history --json` alike.
[[nodiscard]] Json RecordJson(const JournalRecord& record);

// A record as its line of the journal, line feed included. Made as soon as the record is, so that a
// fleet's records are held as text, not as documents.
[[nodiscard]] std::string JournalLine(const JournalRecord& record);

// A record for a write about to go out, stamped with the time now and this user.
[[nodiscard]] JournalRecord NewRecord(std::string_view command, Ipv4Address clock, std::string serialNumber,
                                      Json before, Json written);

// A time as an operator types it for --at, in UTC: 2026-12-07, 2026-12-07T10:11, 2026-12-07 10:11:12,
// with or without seconds' fractions and a trailing Z; nullopt for anything else, a day the month
// does not have (2026-02-30, 2025-02-29) or an hour past 23 included. Returned in the
// journal's own form, so that records compare with it as text.
[[nodiscard]] std::optional<std::string> ParseJournalTime(std::string_view text);

}  // namespace horavane
