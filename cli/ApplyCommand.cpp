#include <CLI/CLI.hpp>
#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>

#include "cli/ClockReport.h"
#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/OneClockDialog.h"
#include "cli/PasswordPrompt.h"
#include "cli/SettingsChange.h"
#include "cli/WriteVerification.h"
#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"
#include "protocol/ClockCodec.h"
#include "protocol/FleetExchange.h"
#include "settings/Messages.h"

namespace horavane::cli {
namespace {

struct ApplyArgs {
    std::string file;
    std::vector<std::string> addresses;
    ExchangeArgs exchange;
    PasswordArgs password;
};

// One clock of the fleet: a window of its own in memory, and how far the write got.
struct FleetMember {
    Ipv4Address address;
    std::unique_ptr<InMemoryControls> controls;
    std::string result;  // the line printed for it
    bool verified = false;
    std::optional<ClockDatagram> written;
};

std::optional<SettingsChange> ReadSettingsFile(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the settings file " + path;
        return std::nullopt;
    }
    Json file;
    try {
        file = Json::parse(in, nullptr, false);
    } catch (const std::ios_base::failure&) {
        // The parser reads the stream buffer directly, whose read errors (a folder named as the
        // file, say) arrive as exceptions rather than as a failed stream.
        error = "cannot read the settings file " + path;
        return std::nullopt;
    }
    if (file.is_discarded()) {
        error = path + " is not valid JSON";
        return std::nullopt;
    }
    return ChangeFromJson(file, error);
}

// Queries every member into a fresh window of its own; true for each that answered.
std::vector<bool> QueryMembers(std::vector<FleetMember>& members, const ExchangeOptions& options,
                               std::vector<std::string>& failures) {
    std::vector<Ipv4Address> addresses;
    for (FleetMember& member : members) {
        member.controls = std::make_unique<InMemoryControls>(FreshWindow());
        addresses.push_back(member.address);
    }
    const auto outcomes = QueryFleet(addresses, options, [&](std::size_t clock, const ClockDatagram& reply) {
        ShowReply(*members[clock].controls, DecodeStatus(reply));
    });
    std::vector<bool> answered(members.size());
    failures.assign(members.size(), "no reply");
    for (std::size_t i = 0; outcomes && i < outcomes->size(); ++i) {
        const FleetOutcome& outcome = (*outcomes)[i];
        answered[i] = outcome.Answered();
        failures[i] = outcome.checksumError ? std::string(msg::kChecksumError)
                      : outcome.Answered()  ? ""
                                            : "no reply";
    }
    return answered;
}

std::string FirstMessage(const InMemoryControls& controls) {
    if (controls.messages().empty()) return "refused";
    const auto& message = controls.messages().front();
    return (message.title ? *message.title + ": " : std::string()) + message.text;
}

// Changes every answering clock's window and runs the Modify button's checks and encoding there.
std::vector<FleetWrite> BuildWrites(std::vector<FleetMember>& members, const SettingsChange& change) {
    std::vector<FleetWrite> writes;
    for (FleetMember& member : members) {
        if (!member.result.empty()) continue;
        InMemoryControls& controls = *member.controls;
        ApplyChange(change, controls);
        controls.ClearMessages();
        ClockDialogLogic window(controls);
        if (!window.BuildWriteSettings()) {
            member.result = "refused: " + FirstMessage(controls);
            continue;
        }
        member.written = window.buffer();
        writes.push_back(FleetWrite{member.address, window.buffer()});
    }
    return writes;
}

void VerifyWrites(std::vector<FleetMember>& members, const ExchangeOptions& options) {
    std::vector<FleetMember*> sent;
    std::vector<FleetMember> again;
    for (FleetMember& member : members)
        if (member.result.empty() && member.written) {
            sent.push_back(&member);
            again.push_back(FleetMember{member.address, nullptr, "", false, std::nullopt});
        }
    std::vector<std::string> failures;
    const auto answered = QueryMembers(again, options, failures);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (!answered[i]) {
            sent[i]->result = "not verified: " + failures[i] + " to the verifying query";
            continue;
        }
        const auto differing =
            DifferingFields(ExpectedDisplay(*sent[i]->written), WritableJson(*again[i].controls));
        if (differing.empty()) {
            sent[i]->result = "verified";
            sent[i]->verified = true;
            continue;
        }
        sent[i]->result = "not verified:";
        for (const std::string& line : differing) sent[i]->result += " " + line + ";";
        sent[i]->result.pop_back();
    }
}

int PrintFleetResults(const std::vector<FleetMember>& members) {
    std::size_t verified = 0;
    for (const FleetMember& member : members) {
        std::cout << member.address.ToString() << "  " << member.result << "\n";
        if (member.verified) ++verified;
    }
    std::cout << "apply: " << verified << " of " << members.size() << " clocks verified\n";
    return verified == members.size() ? kExitOk : kExitNotVerified;
}

int RunApplyCommand(const ApplyArgs& args) {
    std::string error;
    const auto options = MakeExchangeOptions(args.exchange, error);
    const auto targets = options ? ParseClockAddresses(args.addresses, error) : std::nullopt;
    auto change = targets ? ReadSettingsFile(args.file, error) : std::nullopt;
    if (!change) {
        std::cerr << "horavanectl: " << error << "\n";
        return kExitUsage;
    }
    // One clock's own address copied onto many would give them all the same address: with more
    // than one clock, each keeps the address it has.
    if (targets->size() > 1) change->DropAddress(ctl::IpAddress);
    if (!CheckOperatorPassword(args.password)) return kExitPassword;

    std::vector<FleetMember> members;
    for (Ipv4Address address : *targets)
        members.push_back(FleetMember{address, nullptr, "", false, std::nullopt});
    std::vector<std::string> failures;
    QueryMembers(members, *options, failures);
    for (std::size_t i = 0; i < members.size(); ++i) members[i].result = failures[i];

    std::vector<FleetWrite> writes = BuildWrites(members, *change);
    SendFleetWrites(writes, *options);
    for (const FleetWrite& write : writes) {
        if (write.sent) continue;
        for (FleetMember& member : members)
            if (member.address == write.address) member.result = "not sent";
    }
    VerifyWrites(members, *options);
    return PrintFleetResults(members);
}

}  // namespace

void AddApplyCommand(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<ApplyArgs>();
    CLI::App* apply = app.add_subcommand(
        "apply", "Write the settings of a file (as export prints them) to many clocks and verify each");
    apply->add_option("FILE", args->file, "settings file; keys left out keep each clock's own value")
        ->required();
    apply
        ->add_option("ADDRESS", args->addresses,
                     "clocks to write; with more than one, each keeps its own IP address")
        ->required();
    AddPasswordOptions(*apply, args->password);
    AddExchangeOptions(*apply, args->exchange);
    apply->footer(std::string("Exit code 0 only when every clock verified, 5 otherwise.\n") + kExitCodeHelp);
    apply->callback([&run, args] { run = [args] { return RunApplyCommand(*args); }; });
}

}  // namespace horavane::cli
