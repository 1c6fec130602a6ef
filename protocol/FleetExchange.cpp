#include "protocol/FleetExchange.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <numeric>
#include <optional>
#include <thread>

#include "platform/UdpSocket.h"
#include "protocol/StatusQuery.h"
#include "settings/Messages.h"

namespace horavane {
namespace {

using Clock = std::chrono::steady_clock;

// A single query gives up after its sixth request drew a wrong checksum; each clock of a fleet
// gets the same allowance.
constexpr int kMaxRequests = 6;
// Worst case of one clock in a single query: two waits after each of its six requests. The fleet
// never listens longer than that after its last send, however chatty the network is.
constexpr int kWaitsAllowed = 2 * kMaxRequests + 2;
// Between writes to different clocks, so that a burst does not arrive as one flood.
constexpr auto kWriteGap = std::chrono::microseconds(200);

struct OwnAdapter {
    Ipv4Address address;
    MacAddress mac{};
};

// The last adapter of the system's list is the one a request carries.
std::optional<OwnAdapter> FindOwnAdapter(const ExchangeOptions& options) {
    if (!options.adapters) return std::nullopt;
    const auto adapters = options.adapters();
    if (!adapters || adapters->empty()) return std::nullopt;
    return OwnAdapter{adapters->back().address, adapters->back().mac};
}

std::optional<UdpSocket> OpenClockPortSocket(const ExchangeOptions& options) {
    auto socket = UdpSocket::Create();
    // A failed bind goes unnoticed, as in the single exchanges: the requests go out all the same.
    if (socket) socket->Bind(Ipv4Address{}, options.port);
    return socket;
}

class FleetQuery {
  public:
    FleetQuery(std::vector<FleetClock>& fleet, const ExchangeOptions& options, UdpSocket& socket,
               const OwnAdapter& own)
        : fleet_(fleet), options_(options), socket_(socket) {
        BuildAddressedRequest(request_, Command::QueryStatus, own.address, own.mac);
        for (std::size_t i = 0; i < fleet_.size(); ++i) byAddress_.emplace(fleet_[i].address, i);
    }

    void SendAllAscending() {
        std::vector<std::size_t> order(fleet_.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        const auto deadline = Clock::now() + kWaitsAllowed * options_.wait;
        std::sort(order.begin(), order.end(),
                  [this](std::size_t a, std::size_t b) { return fleet_[a].address < fleet_[b].address; });
        for (std::size_t index : order) {
            FleetClock& clock = fleet_[index];
            clock.requestsSent = 0;
            clock.repliesShown = 0;
            clock.checksumError = false;
            ClearClockInformation(*clock.controls);
            Send(clock);
            // Replies of the first clocks arrive while the last are still asked; taking them in
            // now keeps the socket's receive queue from overflowing with a large fleet.
            DrainReady(deadline);
        }
    }

    void ListenUntilDone() {
        const auto deadline = Clock::now() + kWaitsAllowed * options_.wait;
        int silentWaits = 0;
        while (Clock::now() < deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (socket_.WaitReadable(std::min(options_.wait, left)) == UdpSocket::Wait::Readable) {
                silentWaits = 0;
                HandleOne();
                DrainReady(deadline);
                continue;
            }
            ++silentWaits;
            if (silentWaits >= 2 || (silentWaits >= 1 && AllSettled())) return;
        }
    }

  private:
    void Send(FleetClock& clock) {
        ++clock.requestsSent;
        socket_.SendTo(clock.address, options_.port, request_.bytes());
    }

    void DrainReady(Clock::time_point deadline) {
        while (Clock::now() < deadline &&
               socket_.WaitReadable(std::chrono::milliseconds(0)) == UdpSocket::Wait::Readable)
            HandleOne();
    }

    void HandleOne() {
        ClockDatagram received;
        const auto datagram = socket_.ReceiveInto(received.bytes());
        if (!datagram) return;
        const auto found = byAddress_.find(datagram->source);
        if (found == byAddress_.end()) return;
        FleetClock& clock = fleet_[found->second];
        if (clock.checksumError) return;
        if (!ApplyChecksum(received)) {
            if (clock.requestsSent >= kMaxRequests) {
                clock.checksumError = true;
                clock.controls->ShowAppMessage(msg::kChecksumError);
            } else {
                Send(clock);
            }
            return;
        }
        if (received.direction() != static_cast<std::uint8_t>(Direction::Reply)) return;
        ShowReply(*clock.controls, received);
        ++clock.repliesShown;
    }

    [[nodiscard]] bool AllSettled() const {
        return std::all_of(fleet_.begin(), fleet_.end(),
                           [](const FleetClock& c) { return c.Answered() || c.checksumError; });
    }

    std::vector<FleetClock>& fleet_;
    const ExchangeOptions& options_;
    UdpSocket& socket_;
    ClockDatagram request_;
    std::map<Ipv4Address, std::size_t> byAddress_;
};

}  // namespace

bool RunFleetQuery(std::vector<FleetClock>& fleet, const ExchangeOptions& options) {
    for (FleetClock& clock : fleet) {
        clock.requestsSent = 0;
        clock.repliesShown = 0;
        clock.checksumError = false;
    }
    if (fleet.empty()) return true;
    const auto library = NetworkLibrary::Start(1, 1);
    if (!library) return false;
    const auto own = FindOwnAdapter(options);
    if (!own) return false;
    auto socket = OpenClockPortSocket(options);
    if (!socket) return false;
    FleetQuery query(fleet, options, *socket, *own);
    query.SendAllAscending();
    query.ListenUntilDone();
    return true;
}

int SendFleetWrites(std::vector<FleetWrite>& writes, const ExchangeOptions& options) {
    const auto library = NetworkLibrary::Start(1, 1);
    if (!library) return 0;
    auto socket = OpenClockPortSocket(options);
    if (!socket) return 0;
    int sent = 0;
    for (FleetWrite& write : writes) {
        if (sent > 0) std::this_thread::sleep_for(kWriteGap);
        ApplyChecksum(write.request);
        write.sent = socket->SendTo(write.address, options.port, write.request.bytes());
        if (write.sent) ++sent;
    }
    return sent;
}

}  // namespace horavane
