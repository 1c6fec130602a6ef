#include "protocol/StatusQuery.h"

namespace horavane {
namespace {

// Waits without an accepted reply (or after one) before the query ends.
constexpr int kWaitsPerRequest = 2;

enum class Received { Nothing, Accepted, Ignored, BadChecksum };

Received ReceiveOne(DatagramPort& port, ClockDatagram& buffer, std::chrono::milliseconds wait) {
    if (port.WaitReadable(wait) != UdpSocket::Wait::Readable) return Received::Nothing;
    // A failed receive leaves the buffer zero, which passes the checksum as a request would and
    // so is ignored rather than taken for a damaged reply.
    port.ReceiveInto(buffer.bytes());
    if (!ApplyChecksum(buffer)) return Received::BadChecksum;
    if (buffer.direction() != static_cast<std::uint8_t>(Direction::Reply)) return Received::Ignored;
    return Received::Accepted;
}

}  // namespace

QueryOutcome QueryClock(Ipv4Address clock, ClockDatagram& buffer, const ExchangeOptions& options,
                        const ReplySink& onReply) {
    QueryOutcome outcome;
    const auto port = OpenExchangePort(options, 1, 1);
    if (!port) return outcome;

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
            switch (ReceiveOne(*port, buffer, options.wait)) {
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
