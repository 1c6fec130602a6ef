#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

#include "platform/UdpSocket.h"

namespace horavane::sim {

// Waits up to `limit` until any of the sockets has a datagram to read; returns the indexes of the
// readable ones (empty on a timeout or a failed wait).
[[nodiscard]] std::vector<std::size_t> WaitForAnyReadable(const std::vector<UdpSocket>& sockets,
                                                          std::chrono::milliseconds limit);

}  // namespace horavane::sim
