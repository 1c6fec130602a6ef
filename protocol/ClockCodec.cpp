#include "protocol/ClockCodec.h"

namespace horavane {
namespace {

RulePoint StartOf(const ClockDatagram& d) {
    return {d.dstStartMonth(), d.dstStartWeek(), d.dstStartDay(), d.dstStartHour()};
}

RulePoint EndOf(const ClockDatagram& d) {
    return {d.dstEndMonth(), d.dstEndWeek(), d.dstEndDay(), d.dstEndHour()};
}

}  // namespace

ClockStatus DecodeStatus(const ClockDatagram& reply) {
    ClockStatus status;
    ClockSettings& s = status.settings;
    s.dstStart = StartOf(reply);
    s.dstEnd = EndOf(reply);
    s.timeZone = {reply.tzHours(), reply.tzMinutes()};
    s.timeFormat = reply.timeFormat();
    s.brightness = reply.brightness();
    s.saveFromHour = reply.saveFromHour();
    s.saveToHour = reply.saveToHour();
    s.timeServerCount = reply.timeServerCount();
    s.dynamicIp = reply.dynamicIp();
    for (std::size_t slot = 0; slot < s.timeServers.size(); ++slot)
        s.timeServers[slot] = reply.timeServer(slot);
    s.clockIp = reply.clockIp();
    s.subnetMask = reply.subnetMask();
    s.gateway = reply.gateway();
    s.dnsServer = reply.dnsServer();
    status.syncState = reply.syncState();
    status.currentTimeServer = reply.currentTimeServer();
    status.serialNumber = reply.serialNumber();
    status.mac = reply.mac();
    return status;
}

void EncodeSettings(const ClockSettings& s, ClockDatagram& d) {
    d.setDstStartMonth(s.dstStart.month);
    d.setDstStartWhen(s.dstStart.week, s.dstStart.day);
    d.setDstStartHour(s.dstStart.hour);
    d.setDstEndMonth(s.dstEnd.month);
    d.setDstEndWhen(s.dstEnd.week, s.dstEnd.day);
    d.setDstEndHour(s.dstEnd.hour);
    d.setTzHours(s.timeZone.hours);
    d.setTzMinutes(s.timeZone.minutes);
    d.setTimeFormat(s.timeFormat);
    d.setBrightness(s.brightness);
    d.setSaveFromHour(s.saveFromHour);
    d.setSaveToHour(s.saveToHour);
    d.setTimeServerCount(s.timeServerCount);
    d.setDynamicIp(s.dynamicIp);
    for (std::size_t slot = 0; slot < s.timeServers.size(); ++slot)
        d.setTimeServer(slot, s.timeServers[slot]);
    d.setClockIp(s.clockIp);
    d.setSubnetMask(s.subnetMask);
    d.setGateway(s.gateway);
    d.setDnsServer(s.dnsServer);
}

void EncodeStatus(const ClockStatus& status, ClockDatagram& d) {
    EncodeSettings(status.settings, d);
    d.setSyncState(status.syncState);
    d.setCurrentTimeServer(status.currentTimeServer);
    d.setSerialNumber(status.serialNumber);
    d.setMac(status.mac);
}

ClockDatagram BuildWriteRequest(const ClockSettings& settings) {
    ClockDatagram request;
    BeginRequest(request, Command::WriteSettings);
    EncodeSettings(settings, request);
    return request;
}

}  // namespace horavane
