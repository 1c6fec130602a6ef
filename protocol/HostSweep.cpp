#include "protocol/HostSweep.h"

#include <algorithm>

#include "protocol/RequestPacer.h"

namespace horavane {
namespace {

constexpr int kSettleWaits = 3;

}  // namespace

bool SweepHosts(const std::vector<Ipv4Address>& hosts, const ExchangeOptions& options,
                const std::function<void(Ipv4Address clock)>& onClock) {
    const auto port = OpenExchangePort(options, 2, 2, kFleetReceiveBuffer);
    const auto own = port ? FindOwnAdapter(options) : std::nullopt;
    if (!own) return false;
    const ClockDatagram request = BuildOwnRequest(Command::Search, *own);
    ClockDatagram received;  // the request above is sent as built, whatever arrives meanwhile
    std::vector<Ipv4Address> asked = hosts;
    std::sort(asked.begin(), asked.end());
    // Only a host that was asked is a clock of these blocks; a reply from anywhere else is none of
    // the operator's business here.
    const auto receiveOne = [&] {
        const auto from = port->ReceiveInto(received.bytes());
        if (from && AcceptAsReply(received) && std::binary_search(asked.begin(), asked.end(), from->source) &&
            onClock)
            onClock(from->source);
    };

    RequestPacer pacer(options.rate, port->Now());
    for (const Ipv4Address host : hosts) {
        // Replies to the first requests are taken in between, so that the receive queue never
        // overflows while a large sweep is still sending.
        ReceiveUntil(*port, pacer.NextSlot(), receiveOne);
        pacer.Take(port->Now());
        port->SendTo(host, options.port, request.bytes());
    }

    const DatagramPort::Time giveUp = port->Now() + kSettleWaits * options.wait;
    for (;;) {
        const DatagramPort::Time now = port->Now();
        if (now >= giveUp) return true;
        const auto limit = std::min(options.wait, std::chrono::ceil<std::chrono::milliseconds>(giveUp - now));
        const UdpSocket::Wait wait = port->WaitReadable(limit);
        if (wait != UdpSocket::Wait::Readable) {
            // A failing wait is sat out as a silent one, so that a broken socket cannot spin.
            if (wait == UdpSocket::Wait::Failed) port->SleepUntil(now + limit);
            return true;
        }
        receiveOne();
    }
}

}  // namespace horavane
