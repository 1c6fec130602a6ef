#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <stop_token>

#include "platform/UdpSocket.h"
#include "protocol/SearchWorker.h"
#include "settings/ControlIds.h"
#include "settings/InMemoryControls.h"
#include "settings/Messages.h"
#include "tests/common/TestSupport.h"
#include "tests/protocol/RecordingSearchView.h"

namespace horavane::test {
namespace {

// A port nobody listens on: bound once by the system's choice, then let go.
std::uint16_t FreePort() {
    const auto network = NetworkLibrary::Start(2, 2);
    auto socket = UdpSocket::Create();
    if (!socket || !socket->Bind(Ipv4Address{{127, 0, 0, 1}}, 0)) return 0;
    return socket->LocalPort();
}

// The sweep as the window runs it, with the real one-second wait and nobody answering: ten hosts,
// then a full second of silence before the next ten, 26 batches in all.
TEST(SearchPacing, SilentSubnetTakesTwentySixSecondsInTwentySixBatches) {
    const std::uint16_t port = FreePort();
    ASSERT_NE(port, 0);
    const ExchangeOptions options = OptionsFor(port, std::chrono::milliseconds(1000));
    InMemoryControls controls = InMemoryControls::WithDialogData();
    controls.SetIpParts(ctl::SearchAddress, IpFieldValue::From(Ipv4Address{{127, 0, 0, 200}}));
    RecordingSearchView view(controls);

    const auto start = std::chrono::steady_clock::now();
    RunSearch(view, options, SearchPacing{}, std::stop_token{});
    const auto elapsed = std::chrono::steady_clock::now() - start;

    std::vector<int> expected;
    for (int p = 10; p <= 250; p += 10) expected.push_back(p);
    expected.push_back(254);
    EXPECT_EQ(view.positions(), expected);
    EXPECT_GE(elapsed, std::chrono::seconds(25));
    EXPECT_LE(elapsed, std::chrono::seconds(28));
    EXPECT_EQ(controls.GetText(ctl::StatusLine), msg::kSearchFinished);
    EXPECT_TRUE(controls.ListEntries(ctl::ClockList).empty());
    std::printf("silent sweep of 254 hosts took %.3f s\n", std::chrono::duration<double>(elapsed).count());
}

}  // namespace
}  // namespace horavane::test
