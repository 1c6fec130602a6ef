#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <memory>

#include "cli/ClockReport.h"
#include "cli/Commands.h"
#include "cli/ExchangeArgs.h"
#include "cli/ExitCodes.h"
#include "cli/FleetCommand.h"
#include "cli/KnownClockArgs.h"
#include "cli/OneClockDialog.h"
#include "cli/OutputText.h"
#include "cli/TextTable.h"
#include "cli/VisibleText.h"
#include "fleet/FleetReadings.h"
#include "protocol/FleetExchange.h"

namespace horavane::cli {
namespace {

struct InventoryArgs {
    std::vector<std::string> ranges;
    bool csv = false;
    bool json = false;
    KnownClockArgs fleet;
    ExchangeArgs exchange;
};

// The columns, in order: the key of `status --json` (or of the five time servers) and its title.
const std::vector<std::pair<std::string, std::string>>& Columns() {
    static const std::vector<std::pair<std::string, std::string>> columns = {
        {"address", "ADDRESS"},
        {"serialNumber", "SERIAL NUMBER"},
        {"macAddress", "MAC ADDRESS"},
        {"ipMode", "IP MODE"},
        {"ipAddress", "IP ADDRESS"},
        {"subnetMask", "SUBNET MASK"},
        {"defaultGateway", "GATEWAY"},
        {"dnsServer", "DNS SERVER"},
        {"timeServer1", "TIME SERVER 1"},
        {"timeServer2", "TIME SERVER 2"},
        {"timeServer3", "TIME SERVER 3"},
        {"timeServer4", "TIME SERVER 4"},
        {"timeServer5", "TIME SERVER 5"},
        {"timeZone", "TIME ZONE"},
        {"daylightSaving", "DAYLIGHT SAVING"},
        {"syncStatus", "SYNC"},
        {"currentTimeServer", "CURRENT TIME SERVER"},
        {"name", "NAME"},
        {"location", "LOCATION"},
        {"group", "GROUP"},
        {"state", "STATE"},
    };
    return columns;
}

// What the fleet file says of the clock, and whether it answered: "answered", "silent" (a known
// clock that did not) or "unknown" (one that answered and the fleet file does not name).
void AddFleetKeys(Json& row, const KnownClocks& known, Ipv4Address address, bool answered) {
    const KnownClock* clock = known.Find(address);
    row["name"] = clock ? Json(clock->name) : Json();
    row["location"] = clock ? Json(clock->location) : Json();
    row["group"] = clock ? Json(clock->group) : Json();
    row["state"] = !answered ? "silent" : UnknownTo(known, address) ? "unknown" : "answered";
}

// One clock as the window shows it, keyed as Columns() names it; null where the window shows nothing.
Json InventoryRow(const ClockStatus& clock, Ipv4Address address) {
    const Json status = StatusJson(ReadoutOf(clock), address.ToString());
    Json row;
    for (const auto& [key, title] : Columns()) {
        if (key.rfind("timeServer", 0) == 0 && key.size() == 11)
            row[key] = status["timeServers"][static_cast<std::size_t>(key.back() - '1')];
        else if (key == "daylightSaving")
            row[key] = DaylightSavingText(status);
        else if (status.contains(key))
            row[key] = status[key];
    }
    return row;
}

// The plain table's narrowest columns, as wide as their usual contents.
const std::vector<std::size_t> kTableWidths = {16, 21, 18, 11, 16, 16, 16, 16, 15, 15,
                                               15, 15, 15, 11, 36, 7,  20, 25, 20, 12};

enum class Format { Table, Csv, Json };

std::string CsvHeader() {
    std::string line;
    for (const auto& [key, title] : Columns()) line += (line.empty() ? "" : ",") + key;
    return line;
}

std::vector<std::string> TableHeader() {
    std::vector<std::string> cells;
    for (const auto& [key, title] : Columns()) cells.push_back(title);
    return cells;
}

// One clock's row; a known clock that did not answer has only its address and names.
Json InventoryRow(const ClockStatus* status, Ipv4Address address, const KnownClocks& known) {
    Json row;
    if (status) {
        row = InventoryRow(*status, address);
    } else {
        for (const auto& [key, title] : Columns()) row[key] = nullptr;
        row["address"] = address.ToString();
    }
    AddFleetKeys(row, known, address, status != nullptr);
    return row;
}

// One clock's cells of the plain table, made visible; "-" where the window shows nothing.
std::vector<std::string> TableRow(const Json& row) {
    std::vector<std::string> cells;
    for (const auto& [key, title] : Columns()) {
        const Json& value = row[key];
        cells.push_back(value.is_string() && !value.get<std::string>().empty()
                            ? VisibleText(value.get<std::string>())
                            : "-");
    }
    return cells;
}

// One clock's line of the CSV or JSON inventory.
std::string RenderRow(Json row, Format format) {
    std::string line;
    if (format == Format::Json) {
        Json servers = Json::array();
        for (int k = 1; k <= 5; ++k) {
            const std::string key = "timeServer" + std::to_string(k);
            servers.push_back(row[key]);
            row.erase(key);
        }
        row["timeServers"] = servers;
        return JsonOutputText(row);
    }
    for (const auto& [key, title] : Columns()) {
        const Json& value = row[key];
        line += (line.empty() ? "" : ",") + CsvField(value.is_string() ? value.get<std::string>() : "");
    }
    return line;
}

int RunInventoryCommand(const InventoryArgs& args) {
    std::string error;
    const auto command = OpenFleetCommand(args.exchange, args.fleet, error);
    auto hosts = command ? SweptTargets(args.ranges, args.fleet, command->known, error) : std::nullopt;
    if (hosts && args.ranges.empty() && args.fleet.groups.empty()) {
        error = "inventory needs blocks to sweep or --group";
        hosts.reset();
    }
    if (!hosts || (args.csv && args.json)) {
        PrintError(hosts ? Message("--csv and --json exclude each other") : Untrusted{error});
        return kExitUsage;
    }
    const KnownClocks* known = &command->known;
    const Format format = args.csv ? Format::Csv : args.json ? Format::Json : Format::Table;
    // Every host is asked for its status at once: the reply that shows a clock is there is its row,
    // so each clock costs one request instead of a search and then a query. The rows are made
    // once every reading is in, so that taking the replies in keeps up with a high --rate.
    const auto readings = ReadClocks(*hosts, command->options);
    if (!readings) {
        std::cerr << "horavanectl: nothing could be sent: no network adapter, or the clock port cannot be "
                     "opened\n";
        return kExitNoReply;
    }
    std::string out = format == Format::Json ? "[" : format == Format::Csv ? CsvHeader() + "\n" : "";
    std::vector<std::vector<std::string>> table = {TableHeader()};
    int clocks = 0;
    int rows = 0;
    int silent = 0;
    int checksumErrors = 0;
    // Known clocks are listed whether they answered or not: a dead clock must not vanish.
    for (const ClockReading& reading : *readings) {
        const ClockState state = StateOf(reading);
        const bool answered = Answering(state);
        const Ipv4Address address = reading.outcome.address;
        if (!answered && (state == ClockState::kChecksumError || known->Find(address) == nullptr)) continue;
        Json row = InventoryRow(answered ? &*reading.status : nullptr, address, *known);
        if (format == Format::Table)
            table.push_back(TableRow(row));
        else if (format == Format::Csv)
            out += RenderRow(std::move(row), format) + "\n";
        else
            out += (rows == 0 ? "\n  " : ",\n  ") + RenderRow(std::move(row), format);
        ++rows;
        ++(answered ? clocks : silent);
    }
    if (format == Format::Json) out += rows == 0 ? "]\n" : "\n]\n";
    if (format == Format::Table) out = AlignColumns(table, kTableWidths);
    std::cout << out;
    for (const ClockReading& reading : *readings)
        if (StateOf(reading) == ClockState::kChecksumError) {
            const FleetOutcome& outcome = reading.outcome;
            ++checksumErrors;
            std::cerr << "horavanectl: " << outcome.address.ToString()
                      << ": Error CheckSum, left out of the inventory\n";
        }
    std::cerr << "inventory: " << clocks << (clocks == 1 ? " clock" : " clocks") << " answered of "
              << hosts->size() << " addresses";
    if (silent > 0)
        std::cerr << "; " << silent << " known " << (silent == 1 ? "clock" : "clocks") << " silent";
    std::cerr << "\n";
    return checksumErrors > 0 ? kExitChecksum : kExitOk;
}

}  // namespace

void AddInventoryCommand(CLI::App& app, CommandRun& run) {
    auto args = std::make_shared<InventoryArgs>();
    CLI::App* inventory = app.add_subcommand(
        "inventory",
        "Every clock of whole sites: address, serial number, MAC, addressing, time servers, time zone, "
        "daylight saving, sync status");
    inventory->add_option(
        "RANGE", args->ranges,
        "blocks to sweep: A.B.C.D/16 to /30, A.B.C.D-E.F.G.H (at most a /16 each), or an address "
        "for its /24; never host .0 or .255 of a /24. The known clocks of the fleet file inside them "
        "are listed whether they answer or not");
    inventory->add_flag("--csv", args->csv,
                        "CSV with a header row; a field that starts with = + - or @ gets a leading ' so that "
                        "a spreadsheet shows it as text");
    inventory->add_flag("--json", args->json, "a JSON array, one object per clock");
    AddKnownClockOptions(*inventory, args->fleet);
    AddFleetOptions(*inventory, args->exchange);
    AddExchangeOptions(*inventory, args->exchange);
    inventory->footer(std::string("Exit code 0, or 4 when some clock kept failing the checksum and is left "
                                  "out.\n") +
                      kExitCodeHelp);
    inventory->callback([&run, args] { run = [args] { return RunInventoryCommand(*args); }; });
}

}  // namespace horavane::cli
