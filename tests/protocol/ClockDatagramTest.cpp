#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/ClockCodec.h"
#include "protocol/ClockDatagram.h"

namespace horavane {
namespace {

constexpr Ipv4Address kWorkstation{{192, 168, 1, 100}};
constexpr MacAddress kWorkstationMac{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

// A datagram of zeros but for the given runs of bytes at their offsets, in hex.
std::string HexOf(const std::vector<std::pair<std::ptrdiff_t, std::vector<std::uint8_t>>>& runs) {
    std::vector<std::uint8_t> bytes(ClockDatagram::kSize, 0);
    for (const auto& [offset, run] : runs) std::copy(run.begin(), run.end(), bytes.begin() + offset);
    return ToHex(bytes);
}

std::uint8_t XorOfBody(const ClockDatagram& d) {
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < ClockDatagram::kChecksum; ++i) x = static_cast<std::uint8_t>(x ^ d.At(i));
    return x;
}

TEST(Checksum, AddressedRequestsCarryTheKnownChecksums) {
    for (const auto& [command, checksum] : {std::pair{Command::QueryStatus, std::uint8_t{0x06}},
                                            std::pair{Command::Search, std::uint8_t{0x04}}}) {
        ClockDatagram request;
        request.SetAt(40, 0xAA);  // a leftover from an earlier exchange must not survive
        BuildAddressedRequest(request, command, kWorkstation, kWorkstationMac);

        EXPECT_EQ(ToHex(request.bytes()), HexOf({{0, {0x4D, 0x56}},
                                                 {13, {static_cast<std::uint8_t>(command)}},
                                                 {24, {192, 168, 1, 100}},
                                                 {88, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, checksum}}}));
    }
}

// Zero is both a computed checksum and "none": a request whose bytes XOR to zero goes out with zero,
// and a reply carrying zero is taken whatever its bytes hold, its checksum filled in. The other
// acceptance cases are proven through the query, on the simulator's faulty replies.
TEST(Checksum, ZeroGoesOutAsComputedAndIsTakenAsNone) {
    ClockDatagram request;
    BeginRequest(request, Command::WriteSettings);
    request.setTzMinutes(0x19);  // 'M' ^ 'V' ^ 2 is 0x19: this cancels it
    ASSERT_EQ(XorOfBody(request), 0);
    EXPECT_TRUE(ApplyChecksum(request));
    EXPECT_EQ(request.checksum(), 0);

    ClockDatagram reply;
    for (std::size_t i = 0; i < ClockDatagram::kChecksum; ++i)
        reply.SetAt(i, static_cast<std::uint8_t>(i * 37 + 11));
    reply.setDirection(Direction::Reply);
    reply.SetAt(ClockDatagram::kChecksum, 0);
    EXPECT_TRUE(AcceptAsReply(reply));
    EXPECT_EQ(reply.checksum(), XorOfBody(reply));
}

TEST(Datagram, ShortOneReadsZeroPaddedAndLongOneIsCut) {
    ClockDatagram shortReply(std::vector<std::uint8_t>(60, 0x5A));
    for (std::size_t i = 60; i < ClockDatagram::kSize; ++i) EXPECT_EQ(shortReply.At(i), 0) << i;

    ClockDatagram cut(std::vector<std::uint8_t>(120, 0x01));
    EXPECT_EQ(cut.At(ClockDatagram::kChecksum), 0x01);
}

// The one codec: every field at its offset, the rule's week and day sharing a byte, and what a
// reply decodes to is what was encoded, a serial number of all twenty characters too (the MAC right
// behind it is not read on).
TEST(Codec, WriteRequestLaysOutEveryFieldAndDecodesBack) {
    ClockSettings s;
    s.dstStart = {3, 2, 7, 2};
    s.dstEnd = {10, 6, 7, 3};
    s.timeZone = {0x83, 30};
    s.timeFormat = 12;
    s.brightness = 1;
    s.saveFromHour = 22;
    s.saveToHour = 6;
    s.timeServerCount = 2;
    s.dynamicIp = 1;
    s.timeServers[0] = Ipv4Address{{10, 0, 0, 7}};
    s.timeServers[2] = Ipv4Address{{10, 0, 0, 9}};
    s.clockIp = Ipv4Address{{192, 168, 1, 50}};
    s.subnetMask = Ipv4Address{{255, 255, 255, 0}};
    s.gateway = Ipv4Address{{192, 168, 1, 1}};
    s.dnsServer = Ipv4Address{{192, 168, 1, 2}};
    ClockDatagram request = BuildWriteRequest(s);

    EXPECT_EQ(ToHex(request.bytes()),
              HexOf({{0, {0x4D, 0x56, 3, 0x27, 2, 10, 0x67, 3}},
                     {13, {2}},
                     {15, {0x83, 30}},
                     {18, {12, 1, 22, 6, 2, 1}},
                     {28, {10, 0, 0, 7, 0, 0, 0, 0, 10, 0, 0, 9}},
                     {48, {192, 168, 1, 50, 255, 255, 255, 0, 192, 168, 1, 1, 192, 168, 1, 2}}}));
    EXPECT_EQ(request.checksum(), 0) << "the write applies the checksum as it sends";

    ClockStatus status{
        s, 1, Ipv4Address{{10, 0, 0, 9}}, "ABCDEFGHIJKLMNOPQRST", {'U', 'V', 'W', 'X', 'Y', 'Z'}};
    ClockDatagram reply;
    EncodeStatus(status, reply);
    EXPECT_EQ(DecodeStatus(reply), status);
    reply.SetAt(ClockDatagram::kSerialNumber + 5, 0);
    EXPECT_EQ(reply.serialNumber(), "ABCDE") << "up to the first zero, whatever follows it";
}

}  // namespace
}  // namespace horavane
