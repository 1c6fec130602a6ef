// The platform layer on the system it runs on: real sockets on 127.0.0.1 (which Wine, too, binds as
// asked), the system's own adapter list and, on Windows, the Winsock version check.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/Adapters.h"
#include "platform/UdpSocket.h"

namespace horavane {
namespace {

using std::chrono::milliseconds;

constexpr Ipv4Address kLoopback{{127, 0, 0, 1}};

#ifdef _WIN32
TEST(NetworkLibrary, StartsOnlyWithExactlyTheVersionAskedAndReleasesARefusedStart) {
    EXPECT_TRUE(NetworkLibrary::Start(1, 1)) << "the exchanges' version";
    EXPECT_TRUE(NetworkLibrary::Start(2, 2)) << "the search's version";
    {
        const auto refused = NetworkLibrary::Start(3, 0);
        EXPECT_FALSE(refused) << "Winsock grants 2.2 when asked for 3.0";
    }
    EXPECT_FALSE(UdpSocket::Create()) << "the refused start was released: no socket without Winsock";
}
#endif

// A datagram longer than the buffer is cut to the buffer's size (WSAEMSGSIZE on Windows). How long
// the wait waits (select on Windows, poll elsewhere) the real one-second sweep shows.
TEST(UdpSocket, CutsALongDatagramToTheBuffer) {
    const auto network = NetworkLibrary::Start(2, 2);
    ASSERT_TRUE(network);
    auto sender = UdpSocket::Create();
    auto receiver = UdpSocket::Create();
    ASSERT_TRUE(sender && receiver);
    ASSERT_TRUE(sender->Bind(kLoopback, 0));
    ASSERT_TRUE(receiver->Bind(kLoopback, 0));

    std::vector<std::uint8_t> oversized(300);
    for (std::size_t i = 0; i < oversized.size(); ++i) oversized[i] = static_cast<std::uint8_t>(i * 7 + 1);
    ASSERT_TRUE(sender->SendTo(kLoopback, receiver->LocalPort(), oversized));
    ASSERT_EQ(receiver->WaitReadable(milliseconds(2000)), UdpSocket::Wait::Readable);
    std::vector<std::uint8_t> buffer(95, 0xEE);
    const auto got = receiver->ReceiveInto(buffer);
    ASSERT_TRUE(got) << "a long datagram is cut, not lost";
    EXPECT_EQ(got->length, 95U);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(oversized.begin(), oversized.begin() + 95));
    EXPECT_EQ(got->source, kLoopback);
    EXPECT_EQ(got->sourcePort, sender->LocalPort());
    EXPECT_EQ(receiver->WaitReadable(milliseconds(0)), UdpSocket::Wait::TimedOut) << "nothing left over";
}

// GetAdaptersInfo on Windows (asked for the size first, then the list), getifaddrs elsewhere; which
// adapter a request carries the exchange tests show on adapters of their own.
TEST(SystemAdapters, AreNamedAndLeaveLoopbackOut) {
    const auto adapters = ListSystemAdapters();
    if (!adapters) GTEST_SKIP() << "this machine has no network adapter but loopback";
    ASSERT_FALSE(adapters->empty());
    for (const AdapterInfo& adapter : *adapters) {
        EXPECT_FALSE(adapter.name.empty());
        EXPECT_NE(adapter.address.octets[0], 127) << adapter.name;
    }
}

}  // namespace
}  // namespace horavane
