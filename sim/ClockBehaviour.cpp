#include "sim/ClockBehaviour.h"

#include <algorithm>
#include <string>

#include "protocol/ClockCodec.h"

namespace horavane::sim {
namespace {

constexpr std::uint8_t kSynchronised = 1;
constexpr std::uint8_t kLastWeek = 6;
constexpr std::uint8_t kSunday = 7;

// A checksum byte that never passes: not the XOR, and not 0, which every receiver accepts.
std::uint8_t WrongChecksum(std::uint8_t right) {
    const auto wrong = static_cast<std::uint8_t>(right ^ 0xFF);
    return wrong == 0 ? std::uint8_t{1} : wrong;
}

}  // namespace

ClockDatagram DefaultClockState(int index) {
    // Unique for a site's worth of clocks: the clock's number, from 1, in the last two bytes.
    const auto number = static_cast<std::uint16_t>(index + 1);
    ClockDatagram state;
    state.setSerialNumber("HV-2026-" + std::to_string(1001 + index));
    state.setMac({0x02, 0x48, 0x56, 0x00, static_cast<std::uint8_t>(number >> 8),
                  static_cast<std::uint8_t>(number & 0xFF)});
    state.setSyncState(kSynchronised);
    state.setCurrentTimeServer(Ipv4Address{{192, 168, 1, 10}});
    state.setTzHours(0x01);
    state.setTzMinutes(0);
    state.setTimeFormat(24);
    state.setBrightness(2);
    state.setSaveFromHour(22);
    state.setSaveToHour(6);
    // Last Sunday of March at 2 until the last Sunday of October at 3.
    state.setDstStartMonth(3);
    state.setDstStartWhen(kLastWeek, kSunday);
    state.setDstStartHour(2);
    state.setDstEndMonth(10);
    state.setDstEndWhen(kLastWeek, kSunday);
    state.setDstEndHour(3);
    state.setTimeServer(0, Ipv4Address{{192, 168, 1, 10}});
    state.setTimeServer(1, Ipv4Address{{192, 168, 1, 11}});
    state.setTimeServerCount(2);
    state.setDynamicIp(0);
    // 150 clocks to a /24 (hosts .100 to .249), so that even 253 simulated clocks all hold an
    // address whose host part is neither all zeros nor all ones and pass the Modify checks.
    const auto subnet = static_cast<std::uint8_t>(1 + index / 150);
    state.setClockIp(Ipv4Address{{192, 168, subnet, static_cast<std::uint8_t>(100 + index % 150)}});
    state.setSubnetMask(Ipv4Address{{255, 255, 255, 0}});
    state.setGateway(Ipv4Address{{192, 168, subnet, 1}});
    state.setDnsServer(Ipv4Address{{192, 168, 1, 1}});
    return state;
}

void TakeWrittenSettings(ClockDatagram& state, const ClockDatagram& write) {
    EncodeSettings(DecodeStatus(write).settings, state);
}

void TakeAllSettings(ClockDatagram& state, const ClockDatagram& source) {
    EncodeStatus(DecodeStatus(source), state);
}

ClockDatagram BuildStatusReply(const ClockDatagram& state, std::uint8_t command) {
    ClockDatagram reply;
    TakeAllSettings(reply, state);
    reply.SetMagic();
    reply.setDirection(Direction::Reply);
    reply.SetAt(ClockDatagram::kCommand, command);
    if (reply.syncState() != kSynchronised) reply.setCurrentTimeServer(Ipv4Address{});
    ApplyChecksum(reply);
    return reply;
}

std::optional<std::vector<std::uint8_t>> ApplyFaults(ClockDatagram reply, FaultSwitches& faults) {
    if (faults.silent) return std::nullopt;
    if (faults.direction) {
        reply.setDirectionByte(*faults.direction);
        reply.SetAt(ClockDatagram::kChecksum, 0);
        ApplyChecksum(reply);
    }
    if (faults.wrongChecksumReplies > 0) {
        --faults.wrongChecksumReplies;
        reply.SetAt(ClockDatagram::kChecksum, WrongChecksum(reply.checksum()));
    } else if (faults.zeroChecksum) {
        reply.SetAt(ClockDatagram::kChecksum, 0);
    }
    const std::size_t length =
        std::min(faults.shortReplyLength.value_or(ClockDatagram::kSize), ClockDatagram::kSize);
    return std::vector<std::uint8_t>(reply.bytes().begin(),
                                     reply.bytes().begin() + static_cast<std::ptrdiff_t>(length));
}

}  // namespace horavane::sim
