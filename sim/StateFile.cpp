#include "sim/StateFile.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace horavane::sim {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

constexpr const char* kClocks = "clocks";

// A field that is present but unusable; the caller turns it into the one-line reason.
struct BadField : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string MacText(const MacAddress& mac) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        if (i != 0) text += '-';
        text += kDigits[mac[i] >> 4];
        text += kDigits[mac[i] & 0x0F];
    }
    return text;
}

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
        throw BadField(std::string(key) + " must be a whole number from 0 to " + std::to_string(max));
    return static_cast<std::uint8_t>(value.get<std::uint64_t>());
}

void ReadByte(const json& object, const char* key, unsigned max, ClockDatagram& s, std::size_t offset) {
    if (const auto value = Number(object, key, max)) s.SetAt(offset, *value);
}

std::optional<Ipv4Address> Address(const json& object, const char* key) {
    if (!object.contains(key)) return std::nullopt;
    const json& value = object.at(key);
    const auto address = value.is_string() ? Ipv4Address::Parse(value.get<std::string>()) : std::nullopt;
    if (!address) throw BadField(std::string(key) + " must be a dotted IPv4 address such as 192.168.1.10");
    return address;
}

const json& Object(const json& object, const char* key) {
    static const json kEmpty = json::object();
    if (!object.contains(key)) return kEmpty;
    if (!object.at(key).is_object()) throw BadField(std::string(key) + " must be an object");
    return object.at(key);
}

void ReadIdentity(const json& c, ClockDatagram& s) {
    if (c.contains("serialNumber")) {
        const json& serial = c.at("serialNumber");
        if (!serial.is_string() || serial.get<std::string>().size() > ClockDatagram::kSerialNumberLength)
            throw BadField("serialNumber must be text of at most 20 characters");
        s.setSerialNumber(serial.get<std::string>());
    }
    if (c.contains("mac")) {
        const auto mac = c.at("mac").is_string() ? ParseMac(c.at("mac").get<std::string>()) : std::nullopt;
        if (!mac) throw BadField("mac must be six hexadecimal pairs such as 02-48-56-00-00-01");
        s.setMac(*mac);
    }
    if (c.contains("synchronised")) {
        if (!c.at("synchronised").is_boolean()) throw BadField("synchronised must be true or false");
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
        if (!zone.at("west").is_boolean()) throw BadField("west must be true or false");
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
            throw BadField("timeServers must be a list of 5 addresses (0.0.0.0 for an empty slot)");
        for (std::size_t k = 0; k < ClockDatagram::kTimeServerSlots; ++k) {
            const auto a =
                servers[k].is_string() ? Ipv4Address::Parse(servers[k].get<std::string>()) : std::nullopt;
            if (!a) throw BadField("timeServers must hold dotted IPv4 addresses");
            s.setTimeServer(k, *a);
        }
    }
    if (const auto a = Address(c, "ipAddress")) s.setClockIp(*a);
    if (const auto a = Address(c, "subnetMask")) s.setSubnetMask(*a);
    if (const auto a = Address(c, "gateway")) s.setGateway(*a);
    if (const auto a = Address(c, "dnsServer")) s.setDnsServer(*a);
}

json ReadDocument(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw BadField("cannot be read");
    try {
        return json::parse(in);
    } catch (const json::parse_error& e) {
        throw BadField(std::string("is not valid JSON (") + e.what() + ")");
    }
}

}  // namespace

StateFile::StateFile(std::string path)
    : path_(std::move(path)), document_(std::make_unique<json>(json::object())) {}

StateFile::~StateFile() = default;

bool StateFile::Load(const std::vector<Ipv4Address>& addresses, std::vector<ClockDatagram>& states,
                     std::string* error) {
    std::error_code ec;
    if (!fs::exists(path_, ec) && !ec) return true;
    std::string where;
    try {
        json document = ReadDocument(path_);
        if (!document.is_object() || !document.contains(kClocks) || !document.at(kClocks).is_object())
            throw BadField("is not a clock state file (no \"clocks\" object)");
        std::vector<ClockDatagram> loaded = states;
        for (std::size_t i = 0; i < addresses.size() && i < loaded.size(); ++i) {
            where = "clock " + addresses[i].ToString() + ": ";
            const auto entry = document.at(kClocks).find(addresses[i].ToString());
            if (entry == document.at(kClocks).end()) continue;
            if (!entry->is_object()) throw BadField("must be an object");
            ReadIdentity(*entry, loaded[i]);
            ReadRule(*entry, loaded[i]);
            ReadDisplayAndNetwork(*entry, loaded[i]);
        }
        states = std::move(loaded);
        *document_ = std::move(document);
        return true;
    } catch (const std::exception& e) {
        if (error != nullptr)
            *error = "state file " + path_ + " " + where + e.what() + "; not started, file left as it is";
        return false;
    }
}

bool StateFile::Save(const std::vector<Ipv4Address>& addresses, const std::vector<ClockDatagram>& states,
                     std::string* error) {
    json& clocks = (*document_)[kClocks];
    for (std::size_t i = 0; i < addresses.size() && i < states.size(); ++i)
        clocks[addresses[i].ToString()] = ToJson(states[i]);

    const std::string temporary = path_ + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << document_->dump(2) << '\n';
        out.flush();
        if (!out) {
            if (error != nullptr) *error = "cannot write " + temporary;
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path_, ec);
    if (ec) {
        if (error != nullptr) *error = "cannot replace " + path_ + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace horavane::sim
