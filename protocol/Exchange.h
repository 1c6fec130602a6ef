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

// Where an exchange's datagrams may go. Every exchange sends through the endpoint OpenExchangePort
// gives it, and that endpoint refuses the rest, so that no address can reach the wire unjudged
// whether an operator typed it, a fleet file named it or a window's list held it.
enum class DestinationRule {
    // A clock named as one: never 0.x.x.x, never 224.0.0.0 and above (multicast, reserved,
    // broadcast), never host 0 or 255 of a /24 (RefusedClockAddress).
    Clock,
    // A host of the subnet the window's search sweeps: never host 0 or 255 of a /24, which also
    // keeps 255.255.255.255 out. The window's own sweep takes any subnet, as it always has.
    SweptHost,
};

// The endpoint of one exchange, as the exchanges see it: sends to an address the rule refuses are
// dropped and return false, nothing going out.
class GuardedPort final : public DatagramPort {
  public:
    GuardedPort(std::unique_ptr<DatagramPort> port, DestinationRule rule);

    // Whether a datagram to `destination` would go out, asked before anything is prepared for it.
    [[nodiscard]] bool Allows(Ipv4Address destination) const;

    bool SendTo(Ipv4Address destination, std::uint16_t port, std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] UdpSocket::Wait WaitReadable(std::chrono::milliseconds limit) override;
    std::optional<ReceivedDatagram> ReceiveInto(std::span<std::uint8_t> buffer) override;
    [[nodiscard]] Time Now() const override;
    void SleepUntil(Time until) override;

  private:
    std::unique_ptr<DatagramPort> port_;
    DestinationRule rule_;
};

// The endpoint of one exchange, on the clock port, with the network library at the version the
// exchange asks for (the search 2.2, everything else 1.1), and a receive buffer of `receiveBuffer`
// bytes (0: the system's default); its sends judged by `rule`. nullptr when no endpoint can be had.
[[nodiscard]] std::unique_ptr<GuardedPort> OpenExchangePort(const ExchangeOptions& options, int libraryMajor,
                                                            int libraryMinor, int receiveBuffer = 0,
                                                            DestinationRule rule = DestinationRule::Clock);

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
