#pragma once

#include <chrono>
#include <optional>
#include <stop_token>

#include "protocol/Exchange.h"

namespace horavane {

inline constexpr int kFirstHost = 1;
inline constexpr int kLastHost = 254;  // never .0 or .255 of the subnet
inline constexpr int kSweepBatchSize = 10;

// What the sweep reports, in order, on the thread it runs on.
class SweepSink {
  public:
    virtual ~SweepSink() = default;
    // Asked once the request is built, not before: the subnet whose hosts are swept (the last number
    // is ignored), or nullopt for nothing to sweep.
    virtual std::optional<Ipv4Address> SubnetToSweep() = 0;
    virtual void FirstBatchSent(int lastHost) = 0;
    virtual void BatchSent(int lastHost) = 0;
    // An accepted reply came from this address (possibly again, possibly from outside the subnet).
    virtual void ClockAnswered(Ipv4Address clock) = 0;
};

enum class SweepEnd {
    NotStarted,  // no network library or socket, or no subnet: nothing was sent
    NoAdapter,   // the workstation has no network adapter to put into the request: nothing was sent
    Finished,    // host 254 was asked and the network fell silent
    Stopped,     // a stop was requested
};

// Sends a Search request to hosts 1..254 of the subnet, ten at a time, and reports every sender of
// an accepted reply. The next ten hosts go only after a full wait in which no host of the subnet
// that was asked answered for the first time, so a subnet of clocks still answering slows the sweep
// down instead of flooding them; anything else (a datagram that is no accepted reply, a clock that
// answers again, a stranger) does not hold it, so that a host sending junk cannot keep the sweep,
// and the clock port with it, for ever.
// Returns within one stop-check slice (50 ms) of a stop request. (The command line's faster sweeps
// are SweepHosts.)
SweepEnd SweepSubnet(SweepSink& sink, const ExchangeOptions& options, std::stop_token stop);

}  // namespace horavane
