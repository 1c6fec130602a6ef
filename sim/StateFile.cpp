#include "sim/StateFile.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/FileReplacement.h"
#include "sim/StateFileOutline.h"

namespace horavane::sim {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

constexpr const char* kClocksKey = "clocks";

// A field that is present but unusable; the caller turns it into the one-line reason, with the
// line the field stands on.
struct BadField : std::runtime_error {
    BadField(std::string fieldKey, const std::string& reason)
        : std::runtime_error(reason), key(std::move(fieldKey)) {}
    std::string key;  // "" for the clock's entry itself
};

// Larger than the state of 253 clocks many times over; a larger file is no state file.
constexpr std::uintmax_t kLargestFile = 4U << 20U;

std::optional<MacAddress> ParseMac(const std::string& text) {
    MacAddress mac{};
    if (text.size() != 17) return std::nullopt;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        if (i != 0 && text[3 * i - 1] != '-' && text[3 * i - 1] != ':') return std::nullopt;
        unsigned value = 0;
        std::istringstream in(text.substr(3 * i, 2));
        if (!(in >> std::hex >> value) || !in.eof()) return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(value);
    }
    return mac;
}

json ToJson(const ClockDatagram& s) {
    json servers = json::array();
    for (std::size_t k = 0; k < ClockDatagram::kTimeServerSlots; ++k)
        servers.push_back(s.timeServer(k).ToString());
    return {
        {"serialNumber", s.serialNumber()},
        {"mac", MacText(s.mac())},
        {"synchronised", s.syncState() == 1},
        {"currentTimeServer", s.currentTimeServer().ToString()},
        {"daylightSaving",
         {{"startMonth", s.dstStartMonth()},
          {"startWeek", s.dstStartWeek()},
          {"startDay", s.dstStartDay()},
          {"startHour", s.dstStartHour()},
          {"endMonth", s.dstEndMonth()},
          {"endWeek", s.dstEndWeek()},
          {"endDay", s.dstEndDay()},
          {"endHour", s.dstEndHour()}}},
        {"timeZone",
         {{"west", (s.tzHours() & 0x80) != 0}, {"hours", s.tzHours() & 0x7F}, {"minutes", s.tzMinutes()}}},
        {"timeFormat", s.timeFormat()},
        {"brightness", s.brightness()},
        {"energySaving", {{"fromHour", s.saveFromHour()}, {"toHour", s.saveToHour()}}},
        {"timeServerCount", s.timeServerCount()},
        {"timeServers", servers},
        {"dynamicIp", s.dynamicIp()},
        {"ipAddress", s.clockIp().ToString()},
        {"subnetMask", s.subnetMask().ToString()},
        {"gateway", s.gateway().ToString()},
        {"dnsServer", s.dnsServer().ToString()},
    };
}

// Each reader leaves the state alone when the key is absent, so a hand-edited file may name only
// the settings it changes.
std::optional<std::uint8_t> Number(const json& object, const char* key, unsigned max) {
    if (!object.contains(key)) return std::nullopt;
    const json& value = object.at(key);
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() > max)
        throw BadField(key, std::string(key) + " must be a whole number from 0 to " + std::to_string(max));
    return static_cast<std::uint8_t>(value.get<std::uint64_t>());
}

void ReadByte(const json& object, const char* key, unsigned max, ClockDatagram& s, std::size_t offset) {
    if (const auto value = Number(object, key, max)) s.SetAt(offset, *value);
}

std::optional<Ipv4Address> Address(const json& object, const char* key) {
    if (!object.contains(key)) return std::nullopt;
    const json& value = object.at(key);
    const auto address = value.is_string() ? Ipv4Address::Parse(value.get<std::string>()) : std::nullopt;
    if (!address)
        throw BadField(key, std::string(key) + " must be a dotted IPv4 address such as 192.168.1.10");
    return address;
}

const json& Object(const json& object, const char* key) {
    static const json kEmpty = json::object();
    if (!object.contains(key)) return kEmpty;
    if (!object.at(key).is_object()) throw BadField(key, std::string(key) + " must be an object");
    return object.at(key);
}

void ReadIdentity(const json& c, ClockDatagram& s) {
    if (c.contains("serialNumber")) {
        const json& serial = c.at("serialNumber");
        if (!serial.is_string() || serial.get<std::string>().size() > ClockDatagram::kSerialNumberLength)
            throw BadField("serialNumber", "serialNumber must be text of at most 20 characters");
        s.setSerialNumber(serial.get<std::string>());
    }
    if (c.contains("mac")) {
        const auto mac = c.at("mac").is_string() ? ParseMac(c.at("mac").get<std::string>()) : std::nullopt;
        if (!mac) throw BadField("mac", "mac must be six hexadecimal pairs such as 02-48-56-00-00-01");
        s.setMac(*mac);
    }
    if (c.contains("synchronised")) {
        if (!c.at("synchronised").is_boolean())
            throw BadField("synchronised", "synchronised must be true or false");
        s.setSyncState(c.at("synchronised").get<bool>() ? 1 : 0);
    }
    if (const auto a = Address(c, "currentTimeServer")) s.setCurrentTimeServer(*a);
}

void ReadRule(const json& c, ClockDatagram& s) {
    using O = ClockDatagram::Offset;
    const json& dst = Object(c, "daylightSaving");
    ReadByte(dst, "startMonth", 255, s, O::kDstStartMonth);
    ReadByte(dst, "startHour", 255, s, O::kDstStartHour);
    ReadByte(dst, "endMonth", 255, s, O::kDstEndMonth);
    ReadByte(dst, "endHour", 255, s, O::kDstEndHour);
    s.setDstStartWhen(Number(dst, "startWeek", 15).value_or(s.dstStartWeek()),
                      Number(dst, "startDay", 15).value_or(s.dstStartDay()));
    s.setDstEndWhen(Number(dst, "endWeek", 15).value_or(s.dstEndWeek()),
                    Number(dst, "endDay", 15).value_or(s.dstEndDay()));

    const json& zone = Object(c, "timeZone");
    bool west = (s.tzHours() & 0x80) != 0;
    if (zone.contains("west")) {
        if (!zone.at("west").is_boolean()) throw BadField("west", "west must be true or false");
        west = zone.at("west").get<bool>();
    }
    const auto hours = Number(zone, "hours", 127).value_or(s.tzHours() & 0x7F);
    s.setTzHours(static_cast<std::uint8_t>(hours | (west ? 0x80 : 0)));
    ReadByte(zone, "minutes", 255, s, O::kTzMinutes);
}

void ReadDisplayAndNetwork(const json& c, ClockDatagram& s) {
    using O = ClockDatagram::Offset;
    ReadByte(c, "timeFormat", 255, s, O::kTimeFormat);
    ReadByte(c, "brightness", 255, s, O::kBrightness);
    const json& saving = Object(c, "energySaving");
    ReadByte(saving, "fromHour", 255, s, O::kSaveFromHour);
    ReadByte(saving, "toHour", 255, s, O::kSaveToHour);
    ReadByte(c, "timeServerCount", 255, s, O::kTimeServerCount);
    ReadByte(c, "dynamicIp", 255, s, O::kDynamicIp);
    if (c.contains("timeServers")) {
        const json& servers = c.at("timeServers");
        if (!servers.is_array() || servers.size() != ClockDatagram::kTimeServerSlots)
            throw BadField("timeServers",
                           "timeServers must be a list of 5 addresses (0.0.0.0 for an empty slot)");
        for (std::size_t k = 0; k < ClockDatagram::kTimeServerSlots; ++k) {
            const auto a =
                servers[k].is_string() ? Ipv4Address::Parse(servers[k].get<std::string>()) : std::nullopt;
            if (!a) throw BadField("timeServers", "timeServers must hold dotted IPv4 addresses");
            s.setTimeServer(k, *a);
        }
    }
    if (const auto a = Address(c, "ipAddress")) s.setClockIp(*a);
    if (const auto a = Address(c, "subnetMask")) s.setSubnetMask(*a);
    if (const auto a = Address(c, "gateway")) s.setGateway(*a);
    if (const auto a = Address(c, "dnsServer")) s.setDnsServer(*a);
}

// The file's text, refused when it is no plain file or too large to be a state file.
std::string FileText(const std::string& path) {
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (ec || !fs::is_regular_file(status)) throw BadField("", "is not a plain file");
    const auto size = fs::file_size(path, ec);
    if (ec) throw BadField("", "cannot be read");
    if (size > kLargestFile) throw BadField("", "is larger than 4 MiB, far more than any state file");
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size())))
        throw BadField("", "cannot be read");
    return text;
}

// Every clock entry is checked, simulated in this run or not, so that a file which starts once
// starts again with other clocks.
std::vector<ClockDatagram> ReadClocks(const json& document, const std::vector<Ipv4Address>& addresses,
                                      const std::vector<ClockDatagram>& states, const SettingLines& lines) {
    std::vector<ClockDatagram> loaded = states;
    for (const auto& [key, entry] : document.at(kClocksKey).items()) {
        ClockDatagram scratch;
        ClockDatagram* state = &scratch;
        for (std::size_t i = 0; i < addresses.size() && i < loaded.size(); ++i)
            if (addresses[i].ToString() == key) state = &loaded[i];
        try {
            if (!entry.is_object()) throw BadField("", "must be an object");
            ReadIdentity(entry, *state);
            ReadRule(entry, *state);
            ReadDisplayAndNetwork(entry, *state);
        } catch (const BadField& bad) {
            const auto line = lines.find(key + "/" + bad.key);
            throw std::runtime_error(
                (line == lines.end() ? "" : "line " + std::to_string(line->second) + ": ") + "clock " + key +
                ": " + bad.what());
        }
    }
    return loaded;
}

}  // namespace

StateFile::StateFile(std::string path)
    : path_(std::move(path)), document_(std::make_unique<json>(json::object())) {}

StateFile::~StateFile() = default;

bool StateFile::Load(const std::vector<Ipv4Address>& addresses, std::vector<ClockDatagram>& states,
                     std::string* error) {
    std::error_code ec;
    if (fs::symlink_status(path_, ec).type() == fs::file_type::not_found) return true;
    std::string reason;
    try {
        return Take(FileText(path_), addresses, states, reason) || Refuse(reason, error);
    } catch (const std::exception& e) {
        return Refuse(e.what(), error);
    }
}

bool StateFile::ReadText(std::string_view text, const std::vector<Ipv4Address>& addresses,
                         std::vector<ClockDatagram>& states, std::string& error) {
    StateFile scratch("");
    return scratch.Take(text, addresses, states, error);
}

// The outline is checked before any tree is built, so a file nested a hundred thousand deep is
// refused at its ninth level instead of exhausting the memory.
bool StateFile::Take(std::string_view text, const std::vector<Ipv4Address>& addresses,
                     std::vector<ClockDatagram>& states, std::string& error) {
    SettingLines lines;
    if (const auto refused = CheckStateFileOutline(text, lines)) {
        error = *refused;
        return false;
    }
    try {
        json document = json::parse(text);
        if (!document.is_object() || !document.contains(kClocksKey) || !document.at(kClocksKey).is_object())
            throw std::runtime_error("is not a clock state file (no \"clocks\" object)");
        states = ReadClocks(document, addresses, states, lines);
        *document_ = std::move(document);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool StateFile::Refuse(const std::string& reason, std::string* error) const {
    if (error != nullptr) *error = "state file " + path_ + " " + reason + "; not started, file left as it is";
    return false;
}

bool StateFile::Save(const std::vector<Ipv4Address>& addresses, const std::vector<ClockDatagram>& states,
                     std::string* error) {
    json& clocks = (*document_)[kClocksKey];
    for (std::size_t i = 0; i < addresses.size() && i < states.size(); ++i)
        clocks[addresses[i].ToString()] = ToJson(states[i]);

    // A file of its own next to the state file, on the disk before it takes the state file's place:
    // two simulators saving at once, or a crash halfway, never leave a torn or mixed state file.
    std::string reason;
    if (ReplaceFileWhole(path_, document_->dump(2) + "\n", reason) == Replacement::kReplaced) return true;
    if (error != nullptr) *error = reason;
    return false;
}

}  // namespace horavane::sim
