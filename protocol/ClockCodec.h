#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/NetTypes.h"
#include "protocol/ClockDatagram.h"

namespace horavane {

// A clock's settings and status as plain values, with every field as the clock codes it. The one
// place that knows where in the datagram each of them travels: replies are decoded here and
// writes encoded here, for the window, the command line and the simulator alike. What a code
// means to the operator (list entries, texts, which codes are out of range) is the settings layer's.

// One end of a daylight-saving rule. `week` and `day` share a byte on the wire, a nibble each.
struct RulePoint {
    std::uint8_t month = 0;  // 1..12; 0 when no rule is set
    std::uint8_t week = 0;   // ordinal within the month, from 1
    std::uint8_t day = 0;    // weekday, Monday = 1
    std::uint8_t hour = 0;   // 0..23
    friend bool operator==(const RulePoint&, const RulePoint&) = default;
};

struct TimeZoneCode {
    std::uint8_t hours = 0;    // bit 7 set west of UTC
    std::uint8_t minutes = 0;  // minutes past the hour
    friend bool operator==(const TimeZoneCode&, const TimeZoneCode&) = default;
};

// What a write carries, and what a status reply reports of the same.
struct ClockSettings {
    RulePoint dstStart;
    RulePoint dstEnd;
    TimeZoneCode timeZone;
    std::uint8_t timeFormat = 0;  // 12 or 24
    std::uint8_t brightness = 0;  // 1 Dim .. 4 Brilliant
    std::uint8_t saveFromHour = 0;
    std::uint8_t saveToHour = 0;
    // How many slots are filled, as the sender counted them.
    std::uint8_t timeServerCount = 0;
    std::uint8_t dynamicIp = 0;  // 1 dynamic, 0 static
    // Slot k belongs to time-server field k; an empty slot is 0.0.0.0, and slots need not be filled
    // from the front.
    std::array<Ipv4Address, ClockDatagram::kTimeServerSlots> timeServers{};
    Ipv4Address clockIp;
    Ipv4Address subnetMask;
    Ipv4Address gateway;
    Ipv4Address dnsServer;
    friend bool operator==(const ClockSettings&, const ClockSettings&) = default;
};

// A status reply: the settings, and what only the clock can report.
struct ClockStatus {
    ClockSettings settings;
    std::uint8_t syncState = 0;  // 1: synchronised with a time server
    Ipv4Address currentTimeServer;
    std::string serialNumber;  // up to the first zero byte, at most 20 bytes, as the clock sent them
    MacAddress mac{};

    [[nodiscard]] bool Synchronised() const { return syncState == 1; }
    friend bool operator==(const ClockStatus&, const ClockStatus&) = default;
};

[[nodiscard]] ClockStatus DecodeStatus(const ClockDatagram& reply);

// Writes the settings' fields into `datagram`, leaving every other byte as it is. The time-server
// count is written as given.
void EncodeSettings(const ClockSettings& settings, ClockDatagram& datagram);

// Writes the status's fields, settings included, into `datagram`: how a clock lays out its reply.
void EncodeStatus(const ClockStatus& status, ClockDatagram& datagram);

// A WriteSettings request carrying `settings` and nothing else; checksum not yet applied.
[[nodiscard]] ClockDatagram BuildWriteRequest(const ClockSettings& settings);

}  // namespace horavane
