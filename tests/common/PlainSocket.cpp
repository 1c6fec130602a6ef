#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>

#include "tests/common/SimSupport.h"

namespace horavane::test {

PlainSocket::PlainSocket(Ipv4Address address, std::uint16_t port)
    : network_(NetworkLibrary::Start(2, 2)),
      fd_(static_cast<std::intptr_t>(::socket(AF_INET, SOCK_DGRAM, 0))) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr, address.octets.data(), 4);
    const auto native = static_cast<decltype(::socket(AF_INET, SOCK_DGRAM, 0))>(fd_);
    bound_ = ::bind(native, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
    socklen_t length = sizeof sa;
    if (bound_ && ::getsockname(native, reinterpret_cast<sockaddr*>(&sa), &length) == 0)
        port_ = ntohs(sa.sin_port);
}

// A failed socket() leaves an invalid handle, which bind and close refuse harmlessly.
PlainSocket::~PlainSocket() {
#ifdef _WIN32
    ::closesocket(static_cast<SOCKET>(fd_));
#else
    ::close(static_cast<int>(fd_));
#endif
}

}  // namespace horavane::test
