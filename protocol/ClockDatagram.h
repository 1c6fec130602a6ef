#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/NetTypes.h"

namespace horavane {

// UDP port of every exchange, at both ends.
inline constexpr std::uint16_t ClockPort = 6869;

enum class Command : std::uint8_t { QueryStatus = 1, WriteSettings = 2, Search = 3 };
enum class Direction : std::uint8_t { Request = 0, Reply = 1 };

// The one datagram every clock exchange uses: 95 bytes, same layout both ways. Fields are read and
// written byte by byte at fixed offsets, so nothing depends on how a compiler lays out a struct.
class ClockDatagram {
  public:
    static constexpr std::size_t kSize = 95;
    static constexpr std::size_t kTimeServerSlots = 5;
    static constexpr std::size_t kSerialNumberLength = 20;
    using Bytes = std::array<std::uint8_t, kSize>;

    // Byte offsets of the wire layout.
    enum Offset : std::size_t {
        kMagic = 0,
        kDstStartMonth = 2,
        kDstStartWhen = 3,
        kDstStartHour = 4,
        kDstEndMonth = 5,
        kDstEndWhen = 6,
        kDstEndHour = 7,
        kReserved1 = 8,
        kDirection = 12,
        kCommand = 13,
        kSyncState = 14,
        kTzHours = 15,
        kTzMinutes = 16,
        kReserved2 = 17,
        kTimeFormat = 18,
        kBrightness = 19,
        kSaveFromHour = 20,
        kSaveToHour = 21,
        kTimeServerCount = 22,
        kDynamicIp = 23,
        kSenderIp = 24,
        kTimeServers = 28,
        kClockIp = 48,
        kSubnetMask = 52,
        kGateway = 56,
        kDnsServer = 60,
        kCurrentTimeServer = 64,
        kSerialNumber = 68,
        kMac = 88,
        kChecksum = 94,
    };

    ClockDatagram() = default;
    explicit ClockDatagram(std::span<const std::uint8_t> bytes);

    void Clear() { bytes_.fill(0); }
    [[nodiscard]] Bytes& bytes() { return bytes_; }
    [[nodiscard]] const Bytes& bytes() const { return bytes_; }
    [[nodiscard]] std::uint8_t At(std::size_t offset) const { return bytes_.at(offset); }
    void SetAt(std::size_t offset, std::uint8_t value) { bytes_.at(offset) = value; }

    void SetMagic();

    [[nodiscard]] std::uint8_t dstStartMonth() const { return bytes_[kDstStartMonth]; }
    [[nodiscard]] std::uint8_t dstStartWeek() const {
        return static_cast<std::uint8_t>(bytes_[kDstStartWhen] >> 4);
    }
    [[nodiscard]] std::uint8_t dstStartDay() const { return bytes_[kDstStartWhen] & 0x0F; }
    [[nodiscard]] std::uint8_t dstStartHour() const { return bytes_[kDstStartHour]; }
    [[nodiscard]] std::uint8_t dstEndMonth() const { return bytes_[kDstEndMonth]; }
    [[nodiscard]] std::uint8_t dstEndWeek() const {
        return static_cast<std::uint8_t>(bytes_[kDstEndWhen] >> 4);
    }
    [[nodiscard]] std::uint8_t dstEndDay() const { return bytes_[kDstEndWhen] & 0x0F; }
    [[nodiscard]] std::uint8_t dstEndHour() const { return bytes_[kDstEndHour]; }
    void setDstStartMonth(std::uint8_t v) { bytes_[kDstStartMonth] = v; }
    void setDstStartWhen(std::uint8_t week, std::uint8_t day);
    void setDstStartHour(std::uint8_t v) { bytes_[kDstStartHour] = v; }
    void setDstEndMonth(std::uint8_t v) { bytes_[kDstEndMonth] = v; }
    void setDstEndWhen(std::uint8_t week, std::uint8_t day);
    void setDstEndHour(std::uint8_t v) { bytes_[kDstEndHour] = v; }

    [[nodiscard]] std::uint8_t direction() const { return bytes_[kDirection]; }
    void setDirection(Direction d) { bytes_[kDirection] = static_cast<std::uint8_t>(d); }
    void setDirectionByte(std::uint8_t v) { bytes_[kDirection] = v; }
    [[nodiscard]] std::uint8_t command() const { return bytes_[kCommand]; }
    void setCommand(Command c) { bytes_[kCommand] = static_cast<std::uint8_t>(c); }

    [[nodiscard]] std::uint8_t syncState() const { return bytes_[kSyncState]; }
    void setSyncState(std::uint8_t v) { bytes_[kSyncState] = v; }
    [[nodiscard]] std::uint8_t tzHours() const { return bytes_[kTzHours]; }
    void setTzHours(std::uint8_t v) { bytes_[kTzHours] = v; }
    [[nodiscard]] std::uint8_t tzMinutes() const { return bytes_[kTzMinutes]; }
    void setTzMinutes(std::uint8_t v) { bytes_[kTzMinutes] = v; }
    [[nodiscard]] std::uint8_t timeFormat() const { return bytes_[kTimeFormat]; }
    void setTimeFormat(std::uint8_t v) { bytes_[kTimeFormat] = v; }
    [[nodiscard]] std::uint8_t brightness() const { return bytes_[kBrightness]; }
    void setBrightness(std::uint8_t v) { bytes_[kBrightness] = v; }
    [[nodiscard]] std::uint8_t saveFromHour() const { return bytes_[kSaveFromHour]; }
    void setSaveFromHour(std::uint8_t v) { bytes_[kSaveFromHour] = v; }
    [[nodiscard]] std::uint8_t saveToHour() const { return bytes_[kSaveToHour]; }
    void setSaveToHour(std::uint8_t v) { bytes_[kSaveToHour] = v; }
    [[nodiscard]] std::uint8_t timeServerCount() const { return bytes_[kTimeServerCount]; }
    void setTimeServerCount(std::uint8_t v) { bytes_[kTimeServerCount] = v; }
    [[nodiscard]] std::uint8_t dynamicIp() const { return bytes_[kDynamicIp]; }
    void setDynamicIp(std::uint8_t v) { bytes_[kDynamicIp] = v; }

    void setSenderIp(Ipv4Address a) { SetAddressAt(kSenderIp, a); }
    [[nodiscard]] Ipv4Address timeServer(std::size_t slot) const;
    void setTimeServer(std::size_t slot, Ipv4Address a);
    [[nodiscard]] Ipv4Address clockIp() const { return AddressAt(kClockIp); }
    void setClockIp(Ipv4Address a) { SetAddressAt(kClockIp, a); }
    [[nodiscard]] Ipv4Address subnetMask() const { return AddressAt(kSubnetMask); }
    void setSubnetMask(Ipv4Address a) { SetAddressAt(kSubnetMask, a); }
    [[nodiscard]] Ipv4Address gateway() const { return AddressAt(kGateway); }
    void setGateway(Ipv4Address a) { SetAddressAt(kGateway, a); }
    [[nodiscard]] Ipv4Address dnsServer() const { return AddressAt(kDnsServer); }
    void setDnsServer(Ipv4Address a) { SetAddressAt(kDnsServer, a); }
    [[nodiscard]] Ipv4Address currentTimeServer() const { return AddressAt(kCurrentTimeServer); }
    void setCurrentTimeServer(Ipv4Address a) { SetAddressAt(kCurrentTimeServer, a); }

    // Up to the first zero byte; all 20 characters when the field has no terminator.
    [[nodiscard]] std::string serialNumber() const;
    // Longer text is cut to 20 characters; shorter text is padded with zero bytes.
    void setSerialNumber(std::string_view text);

    [[nodiscard]] MacAddress mac() const;
    void setMac(const MacAddress& mac);

    [[nodiscard]] std::uint8_t checksum() const { return bytes_[kChecksum]; }

    friend bool operator==(const ClockDatagram&, const ClockDatagram&) = default;

  private:
    [[nodiscard]] Ipv4Address AddressAt(std::size_t offset) const;
    void SetAddressAt(std::size_t offset, Ipv4Address a);

    Bytes bytes_{};
};

// XOR of bytes 0..93. Fills byte 94 when it is 0, and reports whether byte 94 then equals the XOR.
// The same call serves a request about to go out and a datagram just received.
bool ApplyChecksum(ClockDatagram& datagram);

// What every exchange requires of a received datagram: a passing checksum and direction Reply.
// Applies the checksum, so a reply that came with byte 94 at 0 carries the XOR afterwards.
bool AcceptAsReply(ClockDatagram& datagram);

// Clears the datagram and writes magic, direction Request and the command; the caller fills the
// command's fields and applies the checksum last.
void BeginRequest(ClockDatagram& datagram, Command command);

// A Search or QueryStatus request carrying the workstation's address and MAC, checksum applied.
void BuildAddressedRequest(ClockDatagram& datagram, Command command, Ipv4Address ownAddress,
                           const MacAddress& ownMac);

// Lowercase hex of the 95 bytes, for logs.
[[nodiscard]] std::string ToHex(std::span<const std::uint8_t> bytes);

}  // namespace horavane
