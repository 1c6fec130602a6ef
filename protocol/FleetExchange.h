#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "platform/NetTypes.h"
#include "protocol/ClockDatagram.h"
#include "protocol/Exchange.h"

namespace horavane {

// What became of one clock in an exchange with many clocks at once.
struct FleetOutcome {
    Ipv4Address address;
    int requestsSent = 0;        // QueryStatus requests, 0..6
    int repliesAccepted = 0;     // a clock that answers twice counts twice
    bool checksumError = false;  // six requests all drew a wrong checksum: "Error CheckSum"

    [[nodiscard]] bool Answered() const { return repliesAccepted > 0 && !checksumError; }
};

// Called with each accepted reply and the index of the clock it came from.
using FleetReplySink = std::function<void(std::size_t clock, const ClockDatagram& reply)>;

// The status query of many clocks from ONE endpoint on the clock port: every clock is asked (in
// ascending address order), replies are routed by their source address, and a wrong checksum draws
// a resend to that clock alone (six requests at most, after which the clock is given up and
// nothing more of it is accepted). Done when every clock has answered or given up and one more
// wait passed silent, or after two silent waits in a row; a source that keeps talking cannot hold
// it beyond a fixed number of waits. Addresses must be distinct. The outcomes are in the order of
// `clocks`; nullopt when nothing could be sent (no network library, socket or adapter).
[[nodiscard]] std::optional<std::vector<FleetOutcome>> QueryFleet(const std::vector<Ipv4Address>& clocks,
                                                                  const ExchangeOptions& options,
                                                                  const FleetReplySink& onReply);

// One WriteSettings request for one clock (checksum not yet applied).
struct FleetWrite {
    Ipv4Address address;
    ClockDatagram request;
    bool sent = false;
};

// Sends every write once from one endpoint on the clock port, with a short gap between sends so
// that a slow clock's receive queue is not flooded. Nothing is received. Returns how many went.
int SendFleetWrites(std::vector<FleetWrite>& writes, const ExchangeOptions& options);

}  // namespace horavane
