#include "protocol/StatusQuery.h"

namespace horavane {
namespace {

// Waits without an accepted reply (or after one) before the query ends.
constexpr int kWaitsPerRequest = 2;

enum class Received { Nothing, Accepted, Ignored, BadChecksum };

// One wait for a datagram from `clock`. A datagram from any other address never reaches the
// buffer and does not end the wait: a second program's clock, a late reply to another query or a
// forged datagram could otherwise be shown, and written back, as this clock's settings. The wait
// keeps its deadline, so a flood of strangers cannot stretch it.
Received ReceiveOne(DatagramPort& port, Ipv4Address clock, ClockDatagram& buffer,
                    std::chrono::milliseconds wait) {
    const DatagramPort::Time deadline = port.Now() + wait;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - port.Now());
        if (left <= std::chrono::milliseconds::zero()) return Received::Nothing;
        if (port.WaitReadable(left) != UdpSocket::Wait::Readable) return Received::Nothing;
        ClockDatagram received;
        const auto from = port.ReceiveInto(received.bytes());
        if (from && from->source != clock) continue;
        // A failed receive leaves the buffer zero, which passes the checksum as a request would and
        // so is ignored rather than taken for a damaged reply.
        buffer = received;
        if (!ApplyChecksum(buffer)) return Received::BadChecksum;
        if (buffer.direction() != static_cast<std::uint8_t>(Direction::Reply)) return Received::Ignored;
        return Received::Accepted;
    }
}

}  // namespace

QueryOutcome QueryClock(Ipv4Address clock, ClockDatagram& buffer, const ExchangeOptions& options,
                        const ReplySink& onReply) {
    QueryOutcome outcome;
    const auto port = OpenExchangePort(options, 1, 1);
    if (!port) return outcome;
    if (!port->Allows(clock)) {
        outcome.destinationRefused = true;
        return outcome;
    }

    for (int request = 1; request <= kMaxRequestsPerClock; ++request) {
        // The adapter list is read afresh for every request built.
        const auto own = FindOwnAdapter(options);
        if (!own) return outcome;
        buffer = BuildOwnRequest(Command::QueryStatus, *own);
        port->SendTo(clock, options.port, buffer.bytes());
        outcome.sent = true;
        outcome.requestsSent = request;

        bool resend = false;
        for (int waits = 0; waits < kWaitsPerRequest && !resend;) {
            switch (ReceiveOne(*port, clock, buffer, options.wait)) {
                case Received::BadChecksum:
                    if (request == kMaxRequestsPerClock) {
                        outcome.checksumError = true;
                        return outcome;
                    }
                    resend = true;
                    break;
                case Received::Accepted:
                    ++outcome.repliesAccepted;
                    if (onReply) onReply(buffer);
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
