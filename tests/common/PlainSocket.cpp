#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "tests/common/SimSupport.h"

namespace horavane::test {

PlainSocket::PlainSocket(Ipv4Address address, std::uint16_t port) : fd_(::socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr, address.octets.data(), 4);
    bound_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
    socklen_t length = sizeof sa;
    if (bound_ && ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &length) == 0)
        port_ = ntohs(sa.sin_port);
}

PlainSocket::~PlainSocket() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace horavane::test
