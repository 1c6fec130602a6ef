#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/PortLock.h"
#include "platform/UdpSocket.h"

namespace horavane {

// The network as an exchange with the clocks sees it: one UDP endpoint that sends to an address,
// waits for a datagram and receives one together with its source, and the clock those waits run
// on. The exchanges know nothing else of sockets, so tests can put a scripted network in its place
// and run a sweep of 26 seconds in no time.
class DatagramPort {
  public:
    using Time = std::chrono::steady_clock::time_point;

    virtual ~DatagramPort() = default;
    // One send call of exactly these bytes; false when it failed.
    virtual bool SendTo(Ipv4Address destination, std::uint16_t port, std::span<const std::uint8_t> bytes) = 0;
    [[nodiscard]] virtual UdpSocket::Wait WaitReadable(std::chrono::milliseconds limit) = 0;
    // Zeroes the buffer, then stores at most its size of the next datagram. nullopt when the receive
    // failed; the buffer then stays zero.
    virtual std::optional<ReceivedDatagram> ReceiveInto(std::span<std::uint8_t> buffer) = 0;
    [[nodiscard]] virtual Time Now() const = 0;
    virtual void SleepUntil(Time until) = 0;
};

// What an exchange asks of its endpoint: the local port to bind on every local address, and the
// version of the platform's network library it starts (Winsock; nothing to start elsewhere).
struct PortRequest {
    std::uint16_t localPort = 0;
    int libraryMajor = 1;
    int libraryMinor = 1;
    // Bytes of received datagrams the system may hold for the endpoint; 0 keeps its default. As
    // much as the system allows is taken.
    int receiveBuffer = 0;
    // How long to wait for the workstation's lock of the local port while another program holds it.
    PortWait lockWait;
};

// nullptr when the network library cannot start at that version, no socket can be had, or the
// port's lock could not be had within its wait (nothing was sent). A failed bind is not a failure: the
// endpoint then sends from whatever port the system picks, as the exchanges have always done.
using PortOpener = std::function<std::unique_ptr<DatagramPort>(const PortRequest&)>;

// The real endpoint: a UDP socket, with the network library and the workstation's lock of the local
// port held for as long as it lives, so that no other program's exchange shares the port and takes
// its replies.
[[nodiscard]] std::unique_ptr<DatagramPort> OpenUdpPort(const PortRequest& request);

// The same, but a port that cannot be bound is a failure too: nullptr with the reason in `error`.
[[nodiscard]] std::unique_ptr<DatagramPort> OpenBoundUdpPort(const PortRequest& request, std::string& error);

}  // namespace horavane
