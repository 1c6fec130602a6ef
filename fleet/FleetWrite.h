#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/WriteJournal.h"
#include "protocol/Exchange.h"
#include "settings/SettingsChange.h"

namespace horavane {

// How far a clock's write came.
enum class WriteStage {
    kNoReply,        // it did not answer the reading: nothing was sent
    kChecksumError,  // its replies kept failing the checksum: nothing was sent
    kRefused,        // Modify's checks refused the change: nothing was sent
    kNotSent,        // the write could not be sent
    kInLine,         // it holds what it should already: nothing was sent
    kSent,           // sent, and not verified because no verification was asked for
    kNotVerified,    // sent, and the clock did not answer the verifying query or showed otherwise
    kVerified,
};

// One clock of a write, and the line printed for it: "verified", "no reply", "Error CheckSum",
// "refused: ...", "not sent", "not verified: ...".
struct WrittenClock {
    Ipv4Address address;
    std::string result;
    bool verified = false;
    WriteStage stage = WriteStage::kNoReply;
    std::vector<std::string> refusals;   // Modify's messages, "TITLE: text" when titled
    std::vector<std::string> differing;  // DifferingFields of the verification
};

// What `set`, `apply` and `restore` do: every clock read at once (each reply taken from its own
// clock's address only); each answering clock's form (FormOf its settings) gets the change as the
// operator would make it, then Modify's checks and encoding; what each
// clock holds and what goes to it is recorded in the journal; the writes go out, and the clocks are
// read again at once and compared, unless `verify` is false. nullopt with `error` when the journal
// could not be written: then nothing was sent. `command` names the write in the journal.
[[nodiscard]] std::optional<std::vector<WrittenClock>> WriteAndVerify(
    const std::vector<Ipv4Address>& clocks, const SettingsChange& change, std::string_view command,
    const ExchangeOptions& options, const WriteJournal& journal, std::string& error, bool verify = true);

// What goes to one clock, decided on the settings it holds as it is read for the write: nullopt
// leaves it as it is ("in line").
using ChangeFor = std::function<std::optional<SettingsChange>(Ipv4Address clock, const ClockSettings& holds)>;

// WriteAndVerify with a change of each clock's own.
[[nodiscard]] std::optional<std::vector<WrittenClock>> WriteAndVerify(
    const std::vector<Ipv4Address>& clocks, const ChangeFor& changeFor, std::string_view command,
    const ExchangeOptions& options, const WriteJournal& journal, std::string& error, bool verify = true);

// What restore writes to undo `record`: the settings its clock held before. nullopt with `error`
// when the record does not know them (a window that had not read the clock) or holds them in a form
// that cannot be written.
[[nodiscard]] std::optional<SettingsChange> ChangeBackTo(const JournalRecord& record, std::string& error);

}  // namespace horavane
