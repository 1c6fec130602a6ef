#include "fleet/FleetWrite.h"

#include "dialog/ClockDialogLogic.h"
#include "fleet/FleetReadings.h"
#include "fleet/WriteVerification.h"
#include "protocol/FleetExchange.h"
#include "settings/Messages.h"

namespace horavane {
namespace {

// One clock on its way through the write: its status as read, then the request built for it.
struct ClockInWrite {
    WrittenClock clock;
    std::optional<ClockStatus> status;
    std::optional<ClockDatagram> written;
};

ClockInWrite Unread(Ipv4Address address) {
    ClockInWrite member;
    member.clock.address = address;
    return member;
}

std::vector<std::string> Messages(const InMemoryControls& controls) {
    std::vector<std::string> texts;
    for (const auto& message : controls.messages())
        texts.push_back((message.title ? *message.title + ": " : std::string()) + message.text);
    return texts;
}

void ReadClocksInWrite(std::vector<ClockInWrite>& members, const ExchangeOptions& options) {
    std::vector<Ipv4Address> addresses;
    for (const ClockInWrite& member : members) addresses.push_back(member.clock.address);
    const auto readings = ReadClocks(addresses, options);
    for (std::size_t i = 0; i < members.size(); ++i) {
        const ClockReading* reading = readings ? &(*readings)[i] : nullptr;
        members[i].status = reading ? reading->status : std::nullopt;
        const bool checksumError = reading && reading->outcome.checksumError;
        members[i].clock.stage = checksumError ? WriteStage::kChecksumError : WriteStage::kNoReply;
        members[i].clock.result = checksumError       ? std::string(msg::kChecksumError)
                                  : members[i].status ? ""
                                                      : "no reply";
    }
}

// The Modify button in each answering clock's own window; the journal's record for each write.
std::vector<FleetWrite> BuildWrites(std::vector<ClockInWrite>& members, const SettingsChange& change,
                                    std::string_view command, std::string& journalLines) {
    std::vector<FleetWrite> writes;
    for (ClockInWrite& member : members) {
        if (!member.clock.result.empty()) continue;
        InMemoryControls window = ShownWindow(*member.status);
        Json before = WritableJson(window);
        ApplyChange(change, window);
        window.ClearMessages();
        ClockDialogLogic logic(window);
        if (!logic.BuildWriteSettings()) {
            member.clock.stage = WriteStage::kRefused;
            member.clock.refusals = Messages(window);
            member.clock.result =
                "refused: " + (member.clock.refusals.empty() ? "refused" : member.clock.refusals.front());
            continue;
        }
        member.written = logic.buffer();
        writes.push_back(FleetWrite{member.clock.address, logic.buffer()});
        journalLines += JournalLine(NewRecord(command, member.clock.address, member.status->serialNumber,
                                              std::move(before), ExpectedDisplay(*member.written)));
    }
    return writes;
}

void Verify(std::vector<ClockInWrite>& members, const ExchangeOptions& options) {
    std::vector<ClockInWrite*> sent;
    std::vector<ClockInWrite> again;
    for (ClockInWrite& member : members)
        if (member.clock.result.empty() && member.written) {
            sent.push_back(&member);
            again.push_back(Unread(member.clock.address));
        }
    ReadClocksInWrite(again, options);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        WrittenClock& clock = sent[i]->clock;
        if (!again[i].status) {
            clock.stage = WriteStage::kNotVerified;
            clock.result = "not verified: " + again[i].clock.result + " to the verifying query";
            continue;
        }
        clock.differing =
            DifferingFields(ExpectedDisplay(*sent[i]->written), WritableJson(ShownWindow(*again[i].status)));
        clock.verified = clock.differing.empty();
        clock.stage = clock.verified ? WriteStage::kVerified : WriteStage::kNotVerified;
        clock.result = clock.verified ? "verified" : "not verified:";
        for (const std::string& line : clock.differing) clock.result += " " + line + ";";
        if (!clock.verified) clock.result.pop_back();
    }
}

}  // namespace

std::optional<std::vector<WrittenClock>> WriteAndVerify(
    const std::vector<Ipv4Address>& clocks, const SettingsChange& change, std::string_view command,
    const ExchangeOptions& options, const WriteJournal& journal, std::string& error, bool verify) {
    std::vector<ClockInWrite> members;
    for (const Ipv4Address address : clocks) members.push_back(Unread(address));
    ReadClocksInWrite(members, options);

    std::string journalLines;
    std::vector<FleetWrite> writes = BuildWrites(members, change, command, journalLines);
    // Nothing goes out that the journal does not hold: a write that cannot be undone is not made.
    // The records go in only once the clock port is ours, so that a port another program keeps, or
    // one that cannot be opened, leaves no record of a write that never went.
    bool journalRefused = false;
    SendFleetWrites(writes, options, [&] {
        journalRefused = !journalLines.empty() && !journal.Append(journalLines, error);
        return !journalRefused;
    });
    if (journalRefused) return std::nullopt;
    for (std::size_t w = 0, m = 0; w < writes.size(); ++w) {
        while (members[m].clock.address != writes[w].address) ++m;
        members[m].clock.stage = writes[w].sent ? WriteStage::kSent : WriteStage::kNotSent;
        if (!writes[w].sent) members[m].clock.result = "not sent";
    }
    // As soon as the writes are out, in their order, so each clock has had all the others' writes'
    // time to take its own before its query arrives.
    if (verify) Verify(members, options);

    std::vector<WrittenClock> results;
    for (ClockInWrite& member : members) results.push_back(std::move(member.clock));
    return results;
}

// An empty "before" would make an empty change: the clock written with what it holds now, and the
// restore claimed for settings nobody knows.
std::optional<SettingsChange> ChangeBackTo(const JournalRecord& record, std::string& error) {
    if (KnowsBefore(record)) return ChangeFromJson(record.before, error);
    error =
        "what the clock held before it is not known (the window that wrote it had not read the clock); "
        "--at an earlier time restores what the clock held then";
    return std::nullopt;
}

}  // namespace horavane
