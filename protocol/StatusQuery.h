#pragma once

#include <functional>

#include "protocol/ClockDatagram.h"
#include "protocol/Exchange.h"

namespace horavane {

struct QueryOutcome {
    bool sent = false;                // false when the query stopped before its first request
    int requestsSent = 0;             // 1..6
    int repliesAccepted = 0;          // a second reply within the listening second counts again
    bool checksumError = false;       // the sixth request drew a wrong checksum too
    bool destinationRefused = false;  // no clock can have the address (GuardedPort): nothing was sent
};

// Called with each accepted reply as it arrives; the caller shows it (a later one over an earlier).
using ReplySink = std::function<void(const ClockDatagram& reply)>;

// Asks one clock for its status: one QueryStatus request, resent only after a reply with a wrong
// checksum (six requests at most), then listening until two waits have passed without an
// accepted reply since the last send. Only datagrams from `clock` count: one from any other
// address is dropped and leaves the wait running. Runs on the caller's thread and blocks for its
// waits.
// `buffer` is the window's datagram buffer: each request is built and each datagram received in
// it, so afterwards it holds the last datagram received from `clock`, or the last request when
// nothing came.
QueryOutcome QueryClock(Ipv4Address clock, ClockDatagram& buffer, const ExchangeOptions& options,
                        const ReplySink& onReply);

}  // namespace horavane
