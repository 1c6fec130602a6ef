#include "fleet/FleetWrite.h"

#include "dialog/ClockDialogLogic.h"
#include "fleet/FleetReadings.h"
#include "fleet/WriteVerification.h"
#include "protocol/FleetExchange.h"
#include "settings/Messages.h"

namespace horavane {
namespace {

// One clock on its way through the write: its status as read, then the request built for it.
struct Member {
    WrittenClock clock;
    std::optional<ClockStatus> status;
    std::optional<ClockDatagram> written;
};

std::string FirstMessage(const InMemoryControls& controls) {
    if (controls.messages().empty()) return "refused";
    const auto& message = controls.messages().front();
    return (message.title ? *message.title + ": " : std::string()) + message.text;
}

void ReadMembers(std::vector<Member>& members, const ExchangeOptions& options) {
    std::vector<Ipv4Address> addresses;
    for (const Member& member : members) addresses.push_back(member.clock.address);
    const auto readings = ReadClocks(addresses, options);
    for (std::size_t i = 0; i < members.size(); ++i) {
        const ClockReading* reading = readings ? &(*readings)[i] : nullptr;
        members[i].status = reading ? reading->status : std::nullopt;
        members[i].clock.result = reading && reading->outcome.checksumError ? std::string(msg::kChecksumError)
                                  : members[i].status                       ? ""
                                                                            : "no reply";
    }
}

// The Modify button in each answering clock's own window; the journal's record for each write.
std::vector<FleetWrite> BuildWrites(std::vector<Member>& members, const SettingsChange& change,
                                    std::string_view command, std::string& journalLines) {
    std::vector<FleetWrite> writes;
    for (Member& member : members) {
        if (!member.clock.result.empty()) continue;
        InMemoryControls window = ShownWindow(*member.status);
        Json before = WritableJson(window);
        ApplyChange(change, window);
        window.ClearMessages();
        ClockDialogLogic logic(window);
        if (!logic.BuildWriteSettings()) {
            member.clock.result = "refused: " + FirstMessage(window);
            continue;
        }
        member.written = logic.buffer();
        writes.push_back(FleetWrite{member.clock.address, logic.buffer()});
        journalLines += JournalLine(NewRecord(command, member.clock.address, member.status->serialNumber,
                                              std::move(before), ExpectedDisplay(*member.written)));
    }
    return writes;
}

void Verify(std::vector<Member>& members, const ExchangeOptions& options) {
    std::vector<Member*> sent;
    std::vector<Member> again;
    for (Member& member : members)
        if (member.clock.result.empty() && member.written) {
            sent.push_back(&member);
            again.push_back(
                Member{WrittenClock{member.clock.address, "", false}, std::nullopt, std::nullopt});
        }
    ReadMembers(again, options);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        WrittenClock& clock = sent[i]->clock;
        if (!again[i].status) {
            clock.result = "not verified: " + again[i].clock.result + " to the verifying query";
            continue;
        }
        const auto differing =
            DifferingFields(ExpectedDisplay(*sent[i]->written), WritableJson(ShownWindow(*again[i].status)));
        clock.verified = differing.empty();
        clock.result = clock.verified ? "verified" : "not verified:";
        for (const std::string& line : differing) clock.result += " " + line + ";";
        if (!clock.verified) clock.result.pop_back();
    }
}

}  // namespace

std::optional<std::vector<WrittenClock>> WriteAndVerify(const std::vector<Ipv4Address>& clocks,
                                                        const SettingsChange& change,
                                                        std::string_view command,
                                                        const ExchangeOptions& options,
                                                        const WriteJournal& journal, std::string& error) {
    std::vector<Member> members;
    for (const Ipv4Address address : clocks)
        members.push_back(Member{WrittenClock{address, "", false}, std::nullopt, std::nullopt});
    ReadMembers(members, options);

    std::string journalLines;
    std::vector<FleetWrite> writes = BuildWrites(members, change, command, journalLines);
    // Nothing goes out that the journal does not hold: a write that cannot be undone is not made.
    if (!journalLines.empty() && !journal.Append(journalLines, error)) return std::nullopt;
    SendFleetWrites(writes, options);
    for (std::size_t w = 0, m = 0; w < writes.size(); ++w) {
        while (members[m].clock.address != writes[w].address) ++m;
        if (!writes[w].sent) members[m].clock.result = "not sent";
    }
    // As soon as the writes are out, in their order, so each clock has had all the others' writes'
    // time to take its own before its query arrives.
    Verify(members, options);

    std::vector<WrittenClock> results;
    for (Member& member : members) results.push_back(std::move(member.clock));
    return results;
}

}  // namespace horavane
