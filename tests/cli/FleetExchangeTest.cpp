#include "protocol/FleetExchange.h"
#include "settings/ControlIds.h"
#include "settings/InMemoryControls.h"
#include "tests/common/SimSupport.h"

namespace horavane::test {
namespace {

using std::chrono::milliseconds;

struct Fleet {
    std::vector<std::unique_ptr<InMemoryControls>> windows;
    std::vector<FleetClock> clocks;

    void Add(Ipv4Address address) {
        windows.push_back(std::make_unique<InMemoryControls>(InMemoryControls::WithDialogData()));
        clocks.push_back(FleetClock{address, windows.back().get()});
    }
};

class FleetExchangeTest : public SimulatorTest {
  protected:
    void SetUp() override { StartClocks(5); }
};

TEST_F(FleetExchangeTest, RoutesRepliesBySourceAndResendsPerClock) {
    sim().SetFaults(1, Faults([](sim::FaultSwitches& f) { f.wrongChecksumReplies = 2; }));
    sim().SetFaults(2, Faults([](sim::FaultSwitches& f) { f.wrongChecksumReplies = 6; }));
    sim().SetFaults(3, Faults([](sim::FaultSwitches& f) { f.silent = true; }));
    sim().SetFaults(4, Faults([](sim::FaultSwitches& f) { f.duplicateReplies = true; }));
    Fleet fleet;
    // Listed out of order, plus an address where no clock lives.
    for (int clock : {4, 3, 2, 1, 0}) fleet.Add(sim().address(clock));
    fleet.Add(Ipv4Address{{127, 0, 0, 99}});

    ASSERT_TRUE(RunFleetQuery(fleet.clocks, Options()));

    auto clock = [&](int index) -> FleetClock& { return fleet.clocks[static_cast<std::size_t>(4 - index)]; };
    auto serial = [&](int index) { return clock(index).controls->GetText(ctl::SerialNumber); };
    EXPECT_EQ(serial(0), "HV-2026-1001");
    EXPECT_EQ(clock(0).requestsSent, 1);
    EXPECT_EQ(serial(1), "HV-2026-1002");
    EXPECT_EQ(clock(1).requestsSent, 3) << "two wrong checksums, two resends to that clock alone";
    EXPECT_EQ(sim().RequestsReceived(1, Command::QueryStatus), 3);
    EXPECT_TRUE(clock(2).checksumError);
    EXPECT_EQ(clock(2).requestsSent, 6);
    EXPECT_EQ(sim().RequestsReceived(2, Command::QueryStatus), 6);
    const auto& messages = fleet.windows[2]->messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Error CheckSum");
    EXPECT_EQ(serial(2), "");
    EXPECT_FALSE(clock(3).Answered());
    EXPECT_EQ(clock(3).requestsSent, 1);
    EXPECT_EQ(clock(4).repliesShown, 2) << "a second reply is shown over the first";
    EXPECT_EQ(serial(4), "HV-2026-1005");
    EXPECT_FALSE(fleet.clocks.back().Answered());
    EXPECT_EQ(sim().RequestsReceived(0, Command::QueryStatus), 1);
}

TEST_F(FleetExchangeTest, EndsOneWaitAfterTheLastAnswerAndTwoWaitsWithoutAny) {
    Fleet answering;
    for (int clock = 0; clock < 5; ++clock) answering.Add(sim().address(clock));
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunFleetQuery(answering.clocks, Options(milliseconds(200))));
    const auto answered = std::chrono::steady_clock::now() - start;
    EXPECT_GE(answered, milliseconds(200));
    EXPECT_LT(answered, milliseconds(400));

    Fleet silent;
    silent.Add(Ipv4Address{{127, 0, 0, 99}});
    start = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunFleetQuery(silent.clocks, Options(milliseconds(200))));
    const auto nothing = std::chrono::steady_clock::now() - start;
    EXPECT_GE(nothing, milliseconds(400));
    EXPECT_LT(nothing, milliseconds(600));
}

TEST_F(FleetExchangeTest, WritesReachEveryClockOnceAndNothingWithoutAnAdapter) {
    std::vector<FleetWrite> writes;
    for (int clock = 0; clock < 5; ++clock) {
        ClockDatagram request = sim().StatusReply(clock);
        BeginRequest(request, Command::WriteSettings);
        request.setTzHours(0x08);
        writes.push_back(FleetWrite{sim().address(clock), request});
    }
    EXPECT_EQ(SendFleetWrites(writes, Options()), 5);
    std::this_thread::sleep_for(milliseconds(100));
    for (int clock = 0; clock < 5; ++clock) {
        EXPECT_EQ(sim().RequestsReceived(clock, Command::WriteSettings), 1);
        EXPECT_EQ(sim().StatusReply(clock).tzHours(), 0x08);
    }

    Fleet fleet;
    fleet.Add(sim().address(0));
    ExchangeOptions noAdapter = Options();
    noAdapter.adapters = [] { return std::optional<std::vector<AdapterInfo>>(); };
    EXPECT_FALSE(RunFleetQuery(fleet.clocks, noAdapter));
    EXPECT_EQ(sim().RequestsReceived(0, Command::QueryStatus), 0);
}

}  // namespace
}  // namespace horavane::test
