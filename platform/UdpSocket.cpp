#include "platform/UdpSocket.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace horavane {
namespace {

#ifdef _WIN32
using NativeSocket = SOCKET;
constexpr std::intptr_t kInvalid = static_cast<std::intptr_t>(INVALID_SOCKET);
std::string LastError() {
    return "socket error " + std::to_string(WSAGetLastError());
}
#else
using NativeSocket = int;
constexpr std::intptr_t kInvalid = -1;
std::string LastError() {
    return std::strerror(errno);
}
#endif

NativeSocket Native(std::intptr_t handle) {
    return static_cast<NativeSocket>(handle);
}

sockaddr_in MakeAddress(Ipv4Address address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr, address.octets.data(), 4);  // already in network order
    return sa;
}

}  // namespace

std::optional<NetworkLibrary> NetworkLibrary::Start([[maybe_unused]] int major, [[maybe_unused]] int minor) {
    NetworkLibrary library;
#ifdef _WIN32
    WSADATA data{};
    if (WSAStartup(MAKEWORD(major, minor), &data) != 0) return std::nullopt;
    library.started_ = true;
    if (LOBYTE(data.wVersion) != major || HIBYTE(data.wVersion) != minor) return std::nullopt;
#else
    library.started_ = true;
#endif
    return library;
}

NetworkLibrary::NetworkLibrary(NetworkLibrary&& other) noexcept
    : started_(std::exchange(other.started_, false)) {}

NetworkLibrary& NetworkLibrary::operator=(NetworkLibrary&& other) noexcept {
    std::swap(started_, other.started_);
    return *this;
}

NetworkLibrary::~NetworkLibrary() {
#ifdef _WIN32
    if (started_) WSACleanup();
#endif
}

std::optional<UdpSocket> UdpSocket::Create() {
    const NativeSocket s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (static_cast<std::intptr_t>(s) == kInvalid) return std::nullopt;
    int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
    return UdpSocket(static_cast<std::intptr_t>(s));
}

std::optional<UdpSocket> UdpSocket::CreateExclusive() {
    const NativeSocket s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (static_cast<std::intptr_t>(s) == kInvalid) return std::nullopt;
#ifdef _WIN32
    // Windows lets a bind without reuse succeed beside a socket that has reuse, unless told not to.
    BOOL on = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
#endif
    return UdpSocket(static_cast<std::intptr_t>(s));
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : handle_(std::exchange(other.handle_, kInvalid)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, kInvalid);
    }
    return *this;
}

UdpSocket::~UdpSocket() {
    Close();
}

void UdpSocket::Close() {
    if (handle_ == kInvalid) return;
#ifdef _WIN32
    ::closesocket(Native(handle_));
#else
    ::close(Native(handle_));
#endif
    handle_ = kInvalid;
}

bool UdpSocket::Bind(Ipv4Address address, std::uint16_t port, std::string* error) {
    const sockaddr_in sa = MakeAddress(address, port);
    if (::bind(Native(handle_), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) return true;
    if (error != nullptr) *error = LastError();
    return false;
}

void UdpSocket::SetReceiveBuffer(int bytes) {
    ::setsockopt(Native(handle_), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

std::uint16_t UdpSocket::LocalPort() const {
    sockaddr_in sa{};
#ifdef _WIN32
    int length = sizeof sa;
#else
    socklen_t length = sizeof sa;
#endif
    if (::getsockname(Native(handle_), reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
    return ntohs(sa.sin_port);
}

bool UdpSocket::SendTo(Ipv4Address destination, std::uint16_t port, std::span<const std::uint8_t> bytes) {
    const sockaddr_in sa = MakeAddress(destination, port);
#ifdef _WIN32
    const auto sent =
        ::sendto(Native(handle_), reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
#else
    const auto sent = ::sendto(Native(handle_), bytes.data(), bytes.size(), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
#endif
    return sent == static_cast<std::remove_const_t<decltype(sent)>>(bytes.size());
}

UdpSocket::Wait UdpSocket::WaitReadable(std::chrono::milliseconds limit) {
    const auto ms = std::max<std::chrono::milliseconds::rep>(0, limit.count());
#ifdef _WIN32
    fd_set read{};
    FD_ZERO(&read);
    FD_SET(Native(handle_), &read);
    timeval tv{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    const int n = ::select(0, &read, nullptr, nullptr, &tv);
    if (n < 0) return Wait::Failed;
    return n > 0 && FD_ISSET(Native(handle_), &read) ? Wait::Readable : Wait::TimedOut;
#else
    pollfd pfd{Native(handle_), POLLIN, 0};
    const int n = ::poll(&pfd, 1, static_cast<int>(ms));
    if (n < 0) return Wait::Failed;
    if (n == 0) return Wait::TimedOut;
    return (pfd.revents & POLLIN) != 0 ? Wait::Readable : Wait::Failed;
#endif
}

std::optional<ReceivedDatagram> UdpSocket::ReceiveInto(std::span<std::uint8_t> buffer) {
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    sockaddr_in from{};
#ifdef _WIN32
    int fromLength = sizeof from;
    const int n =
        ::recvfrom(Native(handle_), reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()),
                   0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    // Winsock reports a datagram longer than the buffer as WSAEMSGSIZE after filling the buffer.
    if (n < 0 && WSAGetLastError() != WSAEMSGSIZE) return std::nullopt;
    const std::size_t length = n < 0 ? buffer.size() : static_cast<std::size_t>(n);
#else
    socklen_t fromLength = sizeof from;
    const ssize_t n = ::recvfrom(Native(handle_), buffer.data(), buffer.size(), 0,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) {
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
        return std::nullopt;
    }
    const std::size_t length = static_cast<std::size_t>(n);
#endif
    ReceivedDatagram received;
    received.length = std::min(length, buffer.size());
    std::memcpy(received.source.octets.data(), &from.sin_addr, 4);
    received.sourcePort = ntohs(from.sin_port);
    return received;
}

}  // namespace horavane
