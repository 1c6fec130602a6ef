#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/UdpSocket.h"

namespace horavane::sim {

// Waits on many sockets at once. On Linux an epoll set, so that ten thousand silent clocks cost
// nothing per wait; elsewhere (Windows) a poll over all of them, which is as fast for the few
// hundred clocks a demonstration there holds.
class SocketPoll {
  public:
    // The sockets must outlive the poll and stay where they are.
    explicit SocketPoll(const std::vector<UdpSocket>& sockets);
    ~SocketPoll();
    SocketPoll(const SocketPoll&) = delete;
    SocketPoll& operator=(const SocketPoll&) = delete;

    // false with the reason when the set-up failed; the poll then never reports a socket readable.
    [[nodiscard]] bool Ready(std::string* error) const;

    // Waits up to `limit` until any socket has a datagram to read; returns the indexes of readable
    // ones (empty on a timeout or a failed wait).
    [[nodiscard]] std::vector<std::size_t> WaitForReadable(std::chrono::milliseconds limit);

  private:
    // Read again only by the poll of the Windows branch; the epoll set is given each socket once.
    [[maybe_unused]] const std::vector<UdpSocket>& sockets_;
    int epoll_ = -1;
    std::string failure_;
};

// Lets this process hold `count` more sockets than it has open, raising its soft limit of open
// files towards the hard one where the system has such limits. false with the reason when it cannot.
[[nodiscard]] bool AllowSockets(std::size_t count, std::string* error);

}  // namespace horavane::sim
