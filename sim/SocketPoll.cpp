#include "sim/SocketPoll.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#include <sys/resource.h>
#endif
#ifdef __linux__
#include <sys/epoll.h>
#include <unistd.h>
#endif

namespace horavane::sim {
namespace {

int Milliseconds(std::chrono::milliseconds limit) {
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(limit.count(), 0, 1000));
}

}  // namespace

bool SocketPoll::Ready(std::string* error) const {
    if (failure_.empty()) return true;
    if (error != nullptr) *error = "the clocks' sockets cannot be polled (" + failure_ + ")";
    return false;
}

#ifdef __linux__

SocketPoll::SocketPoll(const std::vector<UdpSocket>& sockets) : sockets_(sockets) {
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0) {
        failure_ = std::string("epoll_create1: ") + std::strerror(errno);
        return;
    }
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = i;
        if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, static_cast<int>(sockets[i].NativeHandle()), &event) != 0) {
            // A clock left out of the set would never answer: no clock is served rather than some.
            failure_ = std::string("epoll_ctl: ") + std::strerror(errno);
            ::close(epoll_);
            epoll_ = -1;
            return;
        }
    }
}

SocketPoll::~SocketPoll() {
    if (epoll_ >= 0) ::close(epoll_);
}

std::vector<std::size_t> SocketPoll::WaitForReadable(std::chrono::milliseconds limit) {
    std::vector<std::size_t> readable;
    if (epoll_ < 0) return readable;
    std::array<epoll_event, 256> events{};
    const int ready =
        ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), Milliseconds(limit));
    for (int i = 0; i < ready; ++i)
        readable.push_back(static_cast<std::size_t>(events[static_cast<std::size_t>(i)].data.u64));
    return readable;
}

#else

SocketPoll::SocketPoll(const std::vector<UdpSocket>& sockets) : sockets_(sockets) {}

SocketPoll::~SocketPoll() = default;

std::vector<std::size_t> SocketPoll::WaitForReadable(std::chrono::milliseconds limit) {
    std::vector<pollfd> fds;
    fds.reserve(sockets_.size());
    for (const auto& socket : sockets_) {
        pollfd fd{};
#ifdef _WIN32
        fd.fd = static_cast<SOCKET>(socket.NativeHandle());
#else
        fd.fd = static_cast<int>(socket.NativeHandle());
#endif
        fd.events = POLLIN;
        fds.push_back(fd);
    }
#ifdef _WIN32
    const int ready = ::WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), Milliseconds(limit));
#else
    const int ready = ::poll(fds.data(), static_cast<nfds_t>(fds.size()), Milliseconds(limit));
#endif
    std::vector<std::size_t> readable;
    if (ready <= 0) return readable;
    for (std::size_t i = 0; i < fds.size(); ++i)
        if ((fds[i].revents & (POLLIN | POLLERR)) != 0) readable.push_back(i);
    return readable;
}

#endif

bool AllowSockets(std::size_t count, std::string* error) {
#ifdef _WIN32
    (void)count;
    (void)error;
    return true;  // Winsock has no per-process limit of this kind
#else
    // Room for what the process already holds (standard streams, the state file, an epoll set).
    constexpr rlim_t kSpare = 64;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return true;
    const rlim_t wanted = static_cast<rlim_t>(count) + kSpare;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        const rlim_t highest = limit.rlim_max;
        limit.rlim_cur = highest == RLIM_INFINITY ? wanted : std::min(wanted, highest);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        if (limit.rlim_cur < wanted) {
            if (error != nullptr)
                *error = std::to_string(count) + (count == 1 ? " clock needs" : " clocks need") +
                         " as many open sockets, but this process may open " + std::to_string(highest) +
                         " files at most: raise the limit (ulimit -Hn) or simulate fewer";
            return false;
        }
    }
    return true;
#endif
}

}  // namespace horavane::sim
