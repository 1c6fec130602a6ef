#include "protocol/SubnetSweep.h"

#include <algorithm>
#include <array>

namespace horavane {
namespace {

// How often a wait looks at a stop request, so that closing the window never waits a full second.
constexpr std::chrono::milliseconds kStopCheckInterval{50};

using Time = DatagramPort::Time;

enum class WaitEnd { Datagram, Silence, Stopped };

struct Sweep {
    DatagramPort& port;
    SweepSink& sink;
    const std::stop_token& stop;
    const ClockDatagram request;  // sent as built, whatever arrives meanwhile
    const Ipv4Address subnet;     // a.b.c; the host number goes last
    const std::uint16_t clockPort;
    const std::chrono::milliseconds wait;
    int lastHost = 0;
    ClockDatagram received;         // the sweep's own; the window's buffer belongs to the window's thread
    std::array<bool, 256> heard{};  // the hosts of the subnet that have answered, by host number
};

void SendNextBatch(Sweep& sweep) {
    const int last = std::min(sweep.lastHost + kSweepBatchSize, kLastHost);
    for (int host = sweep.lastHost + 1; host <= last; ++host) {
        Ipv4Address destination = sweep.subnet;
        destination.octets[3] = static_cast<std::uint8_t>(host);
        sweep.port.SendTo(destination, sweep.clockPort, sweep.request.bytes());
    }
    sweep.lastHost = last;
}

// Waits for a datagram until `deadline`. A failing wait is sat out like a silent one instead of
// being retried at once, so a broken socket cannot make the sweep spin.
WaitEnd AwaitDatagram(Sweep& sweep, Time deadline) {
    for (;;) {
        if (sweep.stop.stop_requested()) return WaitEnd::Stopped;
        const Time now = sweep.port.Now();
        if (now >= deadline) return WaitEnd::Silence;
        const auto slice =
            std::min(std::chrono::ceil<std::chrono::milliseconds>(deadline - now), kStopCheckInterval);
        switch (sweep.port.WaitReadable(slice)) {
            case UdpSocket::Wait::Readable:
                return WaitEnd::Datagram;
            case UdpSocket::Wait::Failed:
                sweep.port.SleepUntil(std::min(now + slice, deadline));
                break;
            case UdpSocket::Wait::TimedOut:
                break;
        }
    }
}

// Only an accepted reply names a clock. The program's own request, when the workstation lies in
// the swept subnet, arrives here too and is dropped for its direction. Whether a host of the
// subnet that was asked answered for the first time: only that holds the next batch, so that the
// sweep waits at most one extra wait per host, whatever anyone sends.
bool ReceiveAndReport(Sweep& sweep) {
    const auto from = sweep.port.ReceiveInto(sweep.received.bytes());
    if (!from || !AcceptAsReply(sweep.received)) return false;
    sweep.sink.ClockAnswered(from->source);
    const Ipv4Address source = from->source;
    const std::uint8_t host = source.octets[3];
    const bool inSubnet =
        std::equal(source.octets.begin(), source.octets.begin() + 3, sweep.subnet.octets.begin());
    if (!inSubnet || host < kFirstHost || host > sweep.lastHost || sweep.heard[host]) return false;
    sweep.heard[host] = true;
    return true;
}

// Reads datagrams as they come until a full wait passes in which no clock answered anew. false
// when stopped.
bool ListUntilSilent(Sweep& sweep) {
    Time silentBy = sweep.port.Now() + sweep.wait;
    for (;;) {
        switch (AwaitDatagram(sweep, silentBy)) {
            case WaitEnd::Datagram:
                if (ReceiveAndReport(sweep)) silentBy = sweep.port.Now() + sweep.wait;
                break;
            case WaitEnd::Silence:
                return true;
            case WaitEnd::Stopped:
                return false;
        }
    }
}

bool SweepPaced(Sweep& sweep) {
    for (;;) {
        if (!ListUntilSilent(sweep)) return false;
        if (sweep.lastHost >= kLastHost) return true;
        SendNextBatch(sweep);
        sweep.sink.BatchSent(sweep.lastHost);
    }
}

}  // namespace

SweepEnd SweepSubnet(SweepSink& sink, const ExchangeOptions& options, std::stop_token stop) {
    const auto port = OpenExchangePort(options, 2, 2, 0, DestinationRule::SweptHost);
    if (!port) return SweepEnd::NotStarted;
    const auto own = FindOwnAdapter(options);
    if (!own) return SweepEnd::NoAdapter;
    const ClockDatagram request = BuildOwnRequest(Command::Search, *own);

    const std::optional<Ipv4Address> subnet = sink.SubnetToSweep();
    if (stop.stop_requested()) return SweepEnd::Stopped;
    if (!subnet) return SweepEnd::NotStarted;

    Sweep sweep{*port, sink, stop, request, *subnet, options.port, options.wait, 0, {}, {}};
    SendNextBatch(sweep);
    sink.FirstBatchSent(sweep.lastHost);
    return SweepPaced(sweep) ? SweepEnd::Finished : SweepEnd::Stopped;
}

}  // namespace horavane
