#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/Adapters.h"
#include "platform/DatagramPort.h"
#include "protocol/ClockDatagram.h"

namespace horavane {

// How fast the exchanges with many clocks send (the window's sweep and query keep their own
// pace). The first `burst` requests go at once: one /24's worth, so that a subnet or a fleet of a few
// hundred clocks is asked in one go. From then on `perSecond` on average, so that a sweep of a /16
// (65,024 hosts, 13 seconds) never floods a site.
struct RequestRate {
    double perSecond = 5000;
    int burst = 254;
};

// What an exchange with the clocks may be told from outside. The programs run with the defaults;
// tests choose their own port, shorter waits, a stand-in adapter list and a scripted network.
struct ExchangeOptions {
    std::uint16_t port = ClockPort;  // local and remote port alike
    std::chrono::milliseconds wait{1000};
    RequestRate rate;
    AdapterLister adapters = ListSystemAdapters;
    PortOpener openPort = OpenUdpPort;
    // The wait for the workstation's lock of `port` while another program holds it; each exchange
    // waits afresh when it opens its endpoint.
    PortWait lockWait;
};

// A request goes to one clock at most this often in one query; only replies with a wrong
// checksum cause another.
inline constexpr int kMaxRequestsPerClock = 6;

// The endpoint of one exchange, on the clock port, with the network library at the version the
// exchange asks for (the search 2.2, everything else 1.1), and a receive buffer of `receiveBuffer`
// bytes (0: the system's default).
[[nodiscard]] std::unique_ptr<DatagramPort> OpenExchangePort(const ExchangeOptions& options, int libraryMajor,
                                                             int libraryMinor, int receiveBuffer = 0);

// What the exchanges with many clocks ask for: room for about 200 ms of replies at the default
// rate, so that replies arriving while the program is not scheduled are not dropped.
inline constexpr int kFleetReceiveBuffer = 1 << 20;

// The workstation's address and MAC as a Search or QueryStatus request carries them: those of the
// last adapter the system lists. nullopt without any adapter, and then no such request is sent.
struct OwnAdapter {
    Ipv4Address address;
    MacAddress mac{};
};
[[nodiscard]] std::optional<OwnAdapter> FindOwnAdapter(const ExchangeOptions& options);

// A Search or QueryStatus request from that adapter, checksum applied.
[[nodiscard]] ClockDatagram BuildOwnRequest(Command command, const OwnAdapter& own);

}  // namespace horavane
