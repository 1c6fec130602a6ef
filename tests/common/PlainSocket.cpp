#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>

#include "tests/common/SimSupport.h"

namespace horavane::test {
namespace {

#ifdef _WIN32
using NativeSocket = SOCKET;
using SocketLength = int;
const std::intptr_t kNoSocket = static_cast<std::intptr_t>(INVALID_SOCKET);
#else
using NativeSocket = int;
using SocketLength = socklen_t;
constexpr std::intptr_t kNoSocket = -1;
#endif

NativeSocket Native(std::intptr_t handle) {
    return static_cast<NativeSocket>(handle);
}

}  // namespace

PlainSocket::PlainSocket(Ipv4Address address, std::uint16_t port)
    : network_(NetworkLibrary::Start(2, 2)),
      fd_(static_cast<std::intptr_t>(::socket(AF_INET, SOCK_DGRAM, 0))) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr, address.octets.data(), 4);
    bound_ = fd_ != kNoSocket && ::bind(Native(fd_), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
    SocketLength length = sizeof sa;
    if (bound_ && ::getsockname(Native(fd_), reinterpret_cast<sockaddr*>(&sa), &length) == 0)
        port_ = ntohs(sa.sin_port);
}

PlainSocket::~PlainSocket() {
    if (fd_ == kNoSocket) return;
#ifdef _WIN32
    ::closesocket(Native(fd_));
#else
    ::close(Native(fd_));
#endif
}

}  // namespace horavane::test
