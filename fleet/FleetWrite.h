#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/SettingsChange.h"
#include "fleet/WriteJournal.h"
#include "protocol/Exchange.h"

namespace horavane {

// One clock of a write to many, and the line printed for it: "verified", "no reply",
// "Error CheckSum", "refused: ...", "not sent", "not verified: ...".
struct WrittenClock {
    Ipv4Address address;
    std::string result;
    bool verified = false;
};

// What `apply` and `restore` do: every clock read at once; in a window of its own each answering
// clock gets the change as the operator would make it, then Modify's checks and encoding; what each
// clock holds and what goes to it is recorded in the journal; the writes go out, and the clocks are
// read again at once and compared. nullopt with `error` when the journal could not be written: then
// nothing was sent. `command` names the write in the journal.
[[nodiscard]] std::optional<std::vector<WrittenClock>> WriteAndVerify(
    const std::vector<Ipv4Address>& clocks, const SettingsChange& change, std::string_view command,
    const ExchangeOptions& options, const WriteJournal& journal, std::string& error);

}  // namespace horavane
