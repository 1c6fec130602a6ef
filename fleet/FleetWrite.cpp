#include "fleet/FleetWrite.h"

#include "fleet/FleetReadings.h"
#include "fleet/SettingsFile.h"
#include "protocol/FleetExchange.h"
#include "settings/Messages.h"
#include "settings/SettingCodes.h"
#include "settings/SettingsChecks.h"

namespace horavane {
namespace {

// One clock on its way through the write: its status as read, then the settings written to it.
struct ClockInWrite {
    WrittenClock clock;
    std::optional<ClockStatus> status;
    std::optional<ClockSettings> written;
};

ClockInWrite Unread(Ipv4Address address) {
    ClockInWrite member;
    member.clock.address = address;
    return member;
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

// Modify's checks and encoding on each answering clock's form as the change leaves it; the
// journal's record for each write.
std::vector<FleetWrite> BuildWrites(std::vector<ClockInWrite>& members, const ChangeFor& changeFor,
                                    std::string_view command, std::string& journalLines) {
    std::vector<FleetWrite> writes;
    for (ClockInWrite& member : members) {
        if (!member.clock.result.empty()) continue;
        const auto change = changeFor(member.clock.address, member.status->settings);
        if (!change) {
            member.clock.stage = WriteStage::kInLine;
            member.clock.result = "in line";
            continue;
        }
        const SettingsForm before = FormOf(member.status->settings);
        const SettingsForm form = Changed(before, *change);
        const std::optional<Refusal> refusal = FirstRefusal(form);
        // The checks refuse every form TakeSettingCodes cannot take; should one ever slip past
        // them, the clock is refused rather than written with an empty value.
        const std::optional<ClockSettings> settings = refusal ? std::nullopt : TakeSettingCodes(form);
        if (!settings) {
            member.clock.stage = WriteStage::kRefused;
            if (refusal) member.clock.refusals.push_back(RefusalText(*refusal));
            member.clock.result =
                "refused: " + (member.clock.refusals.empty() ? "refused" : member.clock.refusals.front());
            continue;
        }
        member.written = *settings;
        writes.push_back(FleetWrite{member.clock.address, BuildWriteRequest(*settings)});
        journalLines += JournalLine(NewRecord(command, member.clock.address, member.status->serialNumber,
                                              SettingsJson(before), SettingsJson(*settings)));
    }
    return writes;
}

// Written and shown are compared as the operator would see them: a time zone the list lacks reads
// as no entry on both sides, and so do the rule lists of a switched-off daylight saving.
std::vector<std::string> Differences(const ClockSettings& written, const ClockSettings& shown) {
    if (written == shown) return {};
    return DifferingFields(FormOf(written), FormOf(shown));
}

void Verify(std::vector<ClockInWrite>& members, const ExchangeOptions& options) {
    std::vector<ClockInWrite*> sent;
    std::vector<ClockInWrite> again;
    for (ClockInWrite& member : members)
        if (member.clock.stage == WriteStage::kSent) {
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
        clock.differing = Differences(*sent[i]->written, again[i].status->settings);
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
    return WriteAndVerify(
        clocks,
        [&change](Ipv4Address, const ClockSettings&) { return std::optional<SettingsChange>(change); },
        command, options, journal, error, verify);
}

std::optional<std::vector<WrittenClock>> WriteAndVerify(const std::vector<Ipv4Address>& clocks,
                                                        const ChangeFor& changeFor, std::string_view command,
                                                        const ExchangeOptions& options,
                                                        const WriteJournal& journal, std::string& error,
                                                        bool verify) {
    std::vector<ClockInWrite> members;
    for (const Ipv4Address address : clocks) members.push_back(Unread(address));
    ReadClocksInWrite(members, options);

    std::string journalLines;
    std::vector<FleetWrite> writes = BuildWrites(members, changeFor, command, journalLines);
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
