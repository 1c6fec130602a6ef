#include "protocol/ConfigurationWrite.h"

#include <optional>

#include "platform/UdpSocket.h"
#include "protocol/ExchangeSupport.h"
#include "settings/ControlIds.h"
#include "settings/SettingCodes.h"
#include "settings/SettingsChecks.h"

namespace horavane {
namespace {

// Each given time server keeps its own slot; blank fields leave gaps rather than being closed up,
// so a clock sees "server 3" where the operator typed it.
void TakeTimeServers(const DialogControls& controls, ClockDatagram& datagram) {
    std::uint8_t count = 0;
    for (std::size_t slot = 0; slot < ClockDatagram::kTimeServerSlots; ++slot) {
        const IpFieldValue field = controls.GetIp(ctl::TimeServer1 + static_cast<int>(slot));
        if (field.IsBlank()) continue;
        datagram.setTimeServer(slot, field.Address());
        ++count;
    }
    datagram.setTimeServerCount(count);
}

// Taken whatever the addressing mode: disabled fields keep their contents and still travel.
void TakeClockAddresses(const DialogControls& controls, ClockDatagram& datagram) {
    const auto take = [&](int id, void (ClockDatagram::*set)(Ipv4Address)) {
        const IpFieldValue field = controls.GetIp(id);
        if (!field.IsBlank()) (datagram.*set)(field.Address());
    };
    take(ctl::IpAddress, &ClockDatagram::setClockIp);
    take(ctl::SubnetMask, &ClockDatagram::setSubnetMask);
    take(ctl::Gateway, &ClockDatagram::setGateway);
    take(ctl::DnsServer, &ClockDatagram::setDnsServer);
}

}  // namespace

bool BuildWriteSettings(DialogControls& controls, ClockDatagram& buffer) {
    if (!ValidateAddresses(controls)) return false;
    buffer.Clear();
    if (controls.IsChecked(ctl::DaylightSaving) && !CheckDaylightSavingRule(controls)) return false;
    BeginRequest(buffer, Command::WriteSettings);
    TakeTimeServers(controls, buffer);
    TakeClockAddresses(controls, buffer);
    if (!CheckEnergySavingRule(controls)) return false;
    if (!TakeSettingCodes(controls, buffer)) {
        RefuseBrightness(controls);
        return false;
    }
    return true;
}

bool SendToSelectedClock(const DialogControls& controls, ClockDatagram& buffer,
                         const ExchangeOptions& options) {
    const std::optional<Ipv4Address> clock = SelectedClockAddress(controls);
    if (!clock) return false;
    const auto library = NetworkLibrary::Start(1, 1);
    if (!library) return false;
    auto socket = OpenExchangeSocket(options.port);
    ApplyChecksum(buffer);
    return socket && socket->SendTo(*clock, options.port, buffer.bytes());
}

}  // namespace horavane
