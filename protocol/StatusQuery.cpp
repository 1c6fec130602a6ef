#include "protocol/StatusQuery.h"

#include <cstdio>
#include <optional>

#include "platform/UdpSocket.h"
#include "protocol/ExchangeSupport.h"
#include "settings/ControlIds.h"
#include "settings/Messages.h"
#include "settings/SettingCodes.h"

namespace horavane {
namespace {

// A request goes out at most this often; only replies with a wrong checksum cause a resend.
constexpr int kMaxRequests = 6;
// Waits without an accepted reply (or after one) before the query ends.
constexpr int kWaitsPerRequest = 2;

void ShowSyncState(DialogControls& controls, const ClockDatagram& reply) {
    if (reply.syncState() == 1) {
        controls.SetText(ctl::SyncStatus, msg::kSync);
        controls.SetText(ctl::CurrentTimeServer, reply.currentTimeServer().ToString());
    } else {
        controls.SetText(ctl::SyncStatus, msg::kUnsync);
        controls.SetText(ctl::CurrentTimeServer, msg::kUnsync);
    }
}

// The count is read as a signed byte: a clock reporting 0x80..0xFF shows no time server at all.
// Only as many non-zero slots as counted are shown, each in its own field.
void ShowTimeServers(DialogControls& controls, const ClockDatagram& reply) {
    const int wanted = static_cast<std::int8_t>(reply.timeServerCount());
    int shown = 0;
    for (std::size_t slot = 0; slot < ClockDatagram::kTimeServerSlots && shown < wanted; ++slot) {
        const Ipv4Address server = reply.timeServer(slot);
        if (server.IsZero()) continue;
        controls.SetIp(ctl::TimeServer1 + static_cast<int>(slot), server);
        ++shown;
    }
}

void ShowClockAddresses(DialogControls& controls, const ClockDatagram& reply) {
    controls.SetIp(ctl::IpAddress, reply.clockIp());
    controls.SetIp(ctl::SubnetMask, reply.subnetMask());
    controls.SetIp(ctl::Gateway, reply.gateway());
    controls.SetIp(ctl::DnsServer, reply.dnsServer());
}

void ShowMac(DialogControls& controls, const ClockDatagram& reply) {
    const MacAddress mac = reply.mac();
    char text[24];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X\n", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    controls.SetText(ctl::MacAddress, text);
}

enum class Received { Nothing, Shown, Ignored, BadChecksum };

Received ReceiveOne(UdpSocket& socket, DialogControls& controls, ClockDatagram& buffer,
                    std::chrono::milliseconds wait) {
    if (socket.WaitReadable(wait) != UdpSocket::Wait::Readable) return Received::Nothing;
    // A failed receive leaves the buffer zero, which passes the checksum as a request would and
    // so is ignored rather than taken for a damaged reply.
    socket.ReceiveInto(buffer.bytes());
    if (!ApplyChecksum(buffer)) return Received::BadChecksum;
    if (buffer.direction() != static_cast<std::uint8_t>(Direction::Reply)) return Received::Ignored;
    ShowReply(controls, buffer);
    return Received::Shown;
}

}  // namespace

void ClearClockInformation(DialogControls& controls) {
    for (int id = ctl::TimeServer1; id <= ctl::DnsServer; ++id) controls.ClearIp(id);
    controls.SetText(ctl::SerialNumber, "");
    controls.SetText(ctl::SyncStatus, "");
    controls.SetText(ctl::TimeZoneText, "");
    controls.SetChecked(ctl::Format12, false);
    controls.SetChecked(ctl::Format24, false);
    controls.SetText(ctl::CurrentTimeServer, "");
    controls.SetText(ctl::MacAddress, "");
    controls.SetChecked(ctl::DynamicIp, false);
    controls.SetChecked(ctl::StaticIp, false);
    controls.SetText(ctl::StatusLine, "");
}

void ShowReply(DialogControls& controls, const ClockDatagram& reply) {
    ShowSyncState(controls, reply);
    ShowTimeServers(controls, reply);
    ShowIpMode(controls, reply);
    ShowClockAddresses(controls, reply);
    ShowMac(controls, reply);
    ShowDaylightSaving(controls, reply);
    ShowTimeZone(controls, reply);
    ShowEnergySaving(controls, reply);
    ShowBrightness(controls, reply);
    controls.SetText(ctl::SerialNumber, reply.serialNumber());
    ShowTimeFormat(controls, reply);
}

QueryOutcome RunStatusQuery(DialogControls& controls, ClockDatagram& buffer, const ExchangeOptions& options) {
    QueryOutcome outcome;
    const std::optional<Ipv4Address> clock = SelectedClockAddress(controls);
    ClearClockInformation(controls);
    if (!clock) return outcome;

    const auto library = NetworkLibrary::Start(1, 1);
    if (!library) return outcome;
    auto socket = OpenExchangeSocket(options.port);
    if (!socket) return outcome;

    for (int request = 1; request <= kMaxRequests; ++request) {
        if (!BuildOwnRequest(buffer, Command::QueryStatus, options)) return outcome;
        socket->SendTo(*clock, options.port, buffer.bytes());
        outcome.sent = true;
        outcome.requestsSent = request;

        bool resend = false;
        for (int waits = 0; waits < kWaitsPerRequest && !resend;) {
            switch (ReceiveOne(*socket, controls, buffer, options.wait)) {
                case Received::BadChecksum:
                    if (request == kMaxRequests) {
                        controls.ShowAppMessage(msg::kChecksumError);
                        outcome.checksumError = true;
                        return outcome;
                    }
                    resend = true;
                    break;
                case Received::Shown:
                    ++outcome.repliesShown;
                    ++waits;
                    break;
                case Received::Ignored:
                case Received::Nothing:
                    ++waits;
                    break;
            }
        }
        if (!resend) break;
    }
    return outcome;
}

}  // namespace horavane
