#pragma once

#include <chrono>
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
    int repliesAccepted = 0;     // a clock that answers twice before the exchange ends counts twice
    bool checksumError = false;  // six requests all drew a wrong checksum: "Error CheckSum"
    std::chrono::microseconds responseTime{0};  // from the first request to the first accepted reply
    bool destinationRefused = false;            // no clock can have the address (GuardedPort): never asked

    [[nodiscard]] bool Answered() const { return repliesAccepted > 0 && !checksumError; }
};

// Called with each accepted reply and the index of the clock it came from.
using FleetReplySink = std::function<void(std::size_t clock, const ClockDatagram& reply)>;

// The status query of many clocks from ONE endpoint on the clock port. Every clock is asked in
// ascending address order at the pace of `options.rate`, and replies are routed by their source
// address while the requests still go out. A wrong checksum draws a resend to that clock alone (six
// requests at most, after which it is given up); a clock that has not answered one wait after its
// last request is given up too, and nothing either sends later is taken. Done as soon as every
// clock has answered or been given up: clocks that answer at once cost no wait at all. Addresses
// must be distinct. The outcomes are in the order of `clocks`; nullopt when nothing could be sent
// (no network library, socket or adapter).
[[nodiscard]] std::optional<std::vector<FleetOutcome>> QueryFleet(const std::vector<Ipv4Address>& clocks,
                                                                  const ExchangeOptions& options,
                                                                  const FleetReplySink& onReply);

// One WriteSettings request for one clock (checksum not yet applied).
struct FleetWrite {
    Ipv4Address address;
    ClockDatagram request;
    bool sent = false;
};

// Sends every write once from one endpoint on the clock port, one datagram per clock, as fast as
// the socket takes them within `options.rate`. Nothing is received. Returns how many went.
// `onceOpen`, when given, runs after the endpoint is open (the clock port is this program's) and
// every request's checksum applied, before the first datagram; when it returns false nothing is
// sent. A batch holding an address where no clock can be is refused whole before `onceOpen`. The
// window's Modify sends through here too (SendWrite), so there is one send path.
int SendFleetWrites(std::vector<FleetWrite>& writes, const ExchangeOptions& options,
                    const std::function<bool()>& onceOpen = {});

}  // namespace horavane
