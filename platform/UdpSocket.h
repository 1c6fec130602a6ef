#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/NetTypes.h"

namespace horavane {

// The network library of the platform (Winsock on Windows; nothing to start on POSIX).
// Every exchange starts it for as long as its socket lives and releases it again.
class NetworkLibrary {
  public:
    // nullopt when the library cannot start or does not grant exactly the requested version.
    [[nodiscard]] static std::optional<NetworkLibrary> Start(int major, int minor);
    NetworkLibrary(NetworkLibrary&& other) noexcept;
    NetworkLibrary& operator=(NetworkLibrary&& other) noexcept;
    NetworkLibrary(const NetworkLibrary&) = delete;
    NetworkLibrary& operator=(const NetworkLibrary&) = delete;
    ~NetworkLibrary();

  private:
    NetworkLibrary() = default;
    bool started_ = false;
};

struct ReceivedDatagram {
    std::size_t length = 0;  // bytes stored, at most the buffer's size
    Ipv4Address source;
    std::uint16_t sourcePort = 0;
};

// One IPv4 UDP socket. SO_REUSEADDR is set before binding so that the program can share the clock
// port with simulated clocks bound to their own loopback addresses on the same machine.
class UdpSocket {
  public:
    enum class Wait { Readable, TimedOut, Failed };

    [[nodiscard]] static std::optional<UdpSocket> Create();
    // Without address reuse: its bind fails where any other socket has the address and port, also
    // one bound to every address with reuse. The simulator probes its clocks' addresses with it.
    [[nodiscard]] static std::optional<UdpSocket> CreateExclusive();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;
    ~UdpSocket();

    // Binds to address:port (0.0.0.0 for every local address). On failure `error` gets the reason.
    bool Bind(Ipv4Address address, std::uint16_t port, std::string* error = nullptr);
    // One send call of exactly the given bytes.
    bool SendTo(Ipv4Address destination, std::uint16_t port, std::span<const std::uint8_t> bytes);
    [[nodiscard]] Wait WaitReadable(std::chrono::milliseconds limit);
    // Zeroes the buffer, then stores at most buffer.size() bytes of the next datagram; a longer
    // datagram is cut to that size. nullopt when the receive call failed (the buffer stays zero).
    std::optional<ReceivedDatagram> ReceiveInto(std::span<std::uint8_t> buffer);
    // Asks the system to hold up to `bytes` of received datagrams (it may grant less).
    void SetReceiveBuffer(int bytes);
    // The port actually bound; useful after binding port 0.
    [[nodiscard]] std::uint16_t LocalPort() const;
    // The operating system's handle, so one thread can wait on many sockets at once.
    [[nodiscard]] std::intptr_t NativeHandle() const { return handle_; }
    void Close();

  private:
    explicit UdpSocket(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_ = -1;
};

}  // namespace horavane
