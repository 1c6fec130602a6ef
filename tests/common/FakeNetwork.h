#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/DatagramPort.h"
#include "protocol/Exchange.h"
#include "sim/ClockSimulator.h"

namespace horavane::test {

using Bytes = std::vector<std::uint8_t>;
using Ms = std::chrono::milliseconds;

inline Bytes ToBytes(const ClockDatagram& d) {
    return Bytes(d.bytes().begin(), d.bytes().end());
}

// What a clock sends back for one datagram: `after` the datagram arrived.
struct Answer {
    Ms after{0};
    Bytes bytes;
};

// The network of one test, behind the exchanges' datagram port: clocks that answer through
// scripted functions, every datagram recorded, and a clock of its own that moves only while an
// exchange waits or sleeps. A sweep of 26 one-second waits runs in no time, and runs the same way
// every time.
class FakeNetwork {
  public:
    using Responder = std::function<std::vector<Answer>(const Bytes& datagram)>;
    struct Sent {
        Ms at;
        std::uint16_t fromPort;
        Ipv4Address to;
        std::uint16_t toPort;
        Bytes bytes;
    };

    FakeNetwork();

    // Datagrams sent to `address` are answered by `responder`, from that address and port.
    void AddClock(Ipv4Address address, Responder responder);
    // A datagram that arrives at `at` on the clock port from `source`, asked for or not.
    void Deliver(Ms at, Ipv4Address source, Bytes bytes);

    // Options that reach this network: the clock port, the given wait, a workstation with one
    // adapter at 127.0.0.1.
    [[nodiscard]] ExchangeOptions Options(Ms wait = Ms(1000));

    [[nodiscard]] std::vector<Sent> sent() const;
    [[nodiscard]] std::vector<PortRequest> opened() const;
    [[nodiscard]] Ms now() const;

  private:
    class Port;
    struct Arrival {
        std::chrono::nanoseconds at;
        Ipv4Address source;
        std::uint16_t sourcePort;
        std::uint16_t toPort;
        Bytes bytes;
    };

    mutable std::mutex mutex_;
    const DatagramPort::Time start_;
    std::chrono::nanoseconds now_{0};
    std::map<Ipv4Address, std::shared_ptr<Responder>> clocks_;
    std::vector<Arrival> pending_;
    std::vector<Sent> sent_;
    std::vector<PortRequest> opened_;
};

// A clock that answers as a simulated clock does: a status reply to Search and QueryStatus, the
// settings taken from WriteSettings, with the simulator's fault switches. `state` is the clock's,
// shared so that a test can look at what a write changed.
FakeNetwork::Responder SimulatedClock(std::shared_ptr<ClockDatagram> state, sim::FaultSwitches faults = {});
FakeNetwork::Responder SimulatedClock(int index = 0, sim::FaultSwitches faults = {});

}  // namespace horavane::test
