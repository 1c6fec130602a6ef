#include "protocol/SubnetSweep.h"

#include <algorithm>

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
    ClockDatagram received;  // the sweep's own; the window's buffer belongs to the window's thread
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

// Any datagram ends a wait; only an accepted reply names a clock. The program's own request,
// when the workstation lies in the swept subnet, arrives here too and is dropped for its
// direction.
void ReceiveAndReport(Sweep& sweep) {
    const auto from = sweep.port.ReceiveInto(sweep.received.bytes());
    if (from && AcceptAsReply(sweep.received)) sweep.sink.ClockAnswered(from->source);
}

// Reads datagrams as they come until a full wait passes in silence. false when stopped.
bool ListUntilSilent(Sweep& sweep) {
    for (;;) {
        switch (AwaitDatagram(sweep, sweep.port.Now() + sweep.wait)) {
            case WaitEnd::Datagram:
                ReceiveAndReport(sweep);
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
    const auto port = OpenExchangePort(options, 2, 2);
    const auto own = port ? FindOwnAdapter(options) : std::nullopt;
    if (!own) return SweepEnd::NotStarted;
    const ClockDatagram request = BuildOwnRequest(Command::Search, *own);

    const std::optional<Ipv4Address> subnet = sink.SubnetToSweep();
    if (stop.stop_requested()) return SweepEnd::Stopped;
    if (!subnet) return SweepEnd::NotStarted;

    Sweep sweep{*port, sink, stop, request, *subnet, options.port, options.wait, 0, {}};
    SendNextBatch(sweep);
    sink.FirstBatchSent(sweep.lastHost);
    return SweepPaced(sweep) ? SweepEnd::Finished : SweepEnd::Stopped;
}

}  // namespace horavane
