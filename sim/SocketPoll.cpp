#include "sim/SocketPoll.h"

#include <algorithm>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

namespace horavane::sim {

std::vector<std::size_t> WaitForAnyReadable(const std::vector<UdpSocket>& sockets,
                                            std::chrono::milliseconds limit) {
    std::vector<pollfd> fds;
    fds.reserve(sockets.size());
    for (const auto& socket : sockets) {
        pollfd fd{};
#ifdef _WIN32
        fd.fd = static_cast<SOCKET>(socket.NativeHandle());
#else
        fd.fd = static_cast<int>(socket.NativeHandle());
#endif
        fd.events = POLLIN;
        fds.push_back(fd);
    }
    const int ms = static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(limit.count(), 0, 1000));
#ifdef _WIN32
    const int ready = ::WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), ms);
#else
    const int ready = ::poll(fds.data(), static_cast<nfds_t>(fds.size()), ms);
#endif
    std::vector<std::size_t> readable;
    if (ready <= 0) return readable;
    for (std::size_t i = 0; i < fds.size(); ++i)
        if ((fds[i].revents & (POLLIN | POLLERR)) != 0) readable.push_back(i);
    return readable;
}

}  // namespace horavane::sim
