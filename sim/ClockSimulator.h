#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/NetTypes.h"
#include "protocol/ClockDatagram.h"

namespace horavane::sim {

// Ways a simulated clock misbehaves on purpose, for tests and demos.
struct FaultSwitches {
    bool silent = false;                          // answers nothing
    int wrongChecksumReplies = 0;                 // the next K replies carry a wrong checksum
    bool zeroChecksum = false;                    // replies carry checksum byte 0
    std::optional<std::size_t> shortReplyLength;  // replies cut to L bytes
    bool duplicateReplies = false;                // every reply sent twice
    std::chrono::milliseconds delay{0};           // before each reply
    std::optional<std::uint8_t> direction;        // direction byte of replies (a wrong one)
    bool ignoreWrites = false;                    // takes WriteSettings but keeps its settings
};

// A site of clocks: one /16's worth of hosts.
inline constexpr int kMaxSimulatedClocks = 65024;

// Where clock `index` listens: from `first` up to host .254 of its /24, then from the same host
// number in each next /24: with 127.0.0.2, clocks 0 to 252 are 127.0.0.2 to .254 (as a /24 sweep
// finds them), clock 253 is 127.0.1.2, and so on. No clock is ever host .0 or .255.
[[nodiscard]] Ipv4Address SimulatedClockAddress(Ipv4Address first, int index);

struct SimulatorOptions {
    int clocks = 1;
    Ipv4Address firstAddress{{127, 0, 0, 2}};     // see SimulatedClockAddress
    std::uint16_t port = ClockPort;               // 0: pick a free port, see ClockSimulator::port()
    std::optional<std::string> stateFile;         // JSON; keeps written settings across restarts
    std::function<void(const std::string&)> log;  // each datagram in hex with its source, when set
    bool recordReceived = false;                  // keep what Received() returns (bounded), for tests
};

// Clocks on loopback addresses of this machine, answering as real clocks on a LAN would. Each
// clock has a socket bound to its own address: the program under test binds the same port on every
// address, and the system gives a datagram to the socket bound most exactly, so only an address of
// its own lets a clock take its requests while the replies reach the program. One thread serves
// them all, waiting on every socket at once.
class ClockSimulator {
  public:
    explicit ClockSimulator(SimulatorOptions options);
    ~ClockSimulator();  // stops
    ClockSimulator(const ClockSimulator&) = delete;
    ClockSimulator& operator=(const ClockSimulator&) = delete;

    // Binds every clock's socket and starts answering. false with a one-line reason when an
    // address or the port cannot be bound.
    [[nodiscard]] bool Start(std::string* error = nullptr);
    void Stop();

    [[nodiscard]] std::uint16_t port() const;
    [[nodiscard]] int clockCount() const;
    [[nodiscard]] Ipv4Address address(int clock) const;

    void SetFaults(int clock, const FaultSwitches& faults);
    // The clock's current settings as the status reply it would send (checksum applied).
    [[nodiscard]] ClockDatagram StatusReply(int clock) const;
    // Overwrites the clock's settings from a datagram laid out like a WriteSettings request.
    // Takes every field a status reply carries, serial number, MAC, syncState and
    // currentTimeServer included; start from StatusReply() to change only some of them.
    void SetSettings(int clock, const ClockDatagram& settings);
    // Requests of each command the clock has received and accepted, since start.
    [[nodiscard]] int RequestsReceived(int clock, Command command) const;
    // The datagrams the clock has received, accepted or not, as received: the latest 1,000 and at
    // most 256 KiB of them, and only when the options ask for the record.
    [[nodiscard]] std::vector<std::vector<std::uint8_t>> Received(int clock) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace horavane::sim
