#include "protocol/FleetExchange.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <numeric>

namespace horavane {
namespace {

// Worst case of one clock in a single query: two waits after each of its six requests. The fleet
// never listens longer than that after its last send, however chatty the network is.
constexpr int kWaitsAllowed = 2 * kMaxRequestsPerClock + 2;
// Between writes to different clocks, so that a burst does not arrive as one flood.
constexpr auto kWriteGap = std::chrono::microseconds(200);

using Time = DatagramPort::Time;

class FleetQuery {
  public:
    FleetQuery(const std::vector<Ipv4Address>& clocks, const ExchangeOptions& options, DatagramPort& port,
               const OwnAdapter& own, const FleetReplySink& onReply)
        : options_(options),
          port_(port),
          onReply_(onReply),
          request_(BuildOwnRequest(Command::QueryStatus, own)) {
        for (std::size_t i = 0; i < clocks.size(); ++i) {
            outcomes_.push_back(FleetOutcome{clocks[i]});
            byAddress_.emplace(clocks[i], i);
        }
    }

    void SendAllAscending() {
        std::vector<std::size_t> order(outcomes_.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
            return outcomes_[a].address < outcomes_[b].address;
        });
        const Time deadline = port_.Now() + kWaitsAllowed * options_.wait;
        for (std::size_t index : order) {
            Send(outcomes_[index]);
            // Replies of the first clocks arrive while the last are still asked; taking them in
            // now keeps the socket's receive queue from overflowing with a large fleet.
            DrainReady(deadline);
        }
    }

    void ListenUntilDone() {
        const Time deadline = port_.Now() + kWaitsAllowed * options_.wait;
        int silentWaits = 0;
        while (port_.Now() < deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - port_.Now());
            if (port_.WaitReadable(std::min(options_.wait, left)) == UdpSocket::Wait::Readable) {
                silentWaits = 0;
                HandleOne();
                DrainReady(deadline);
                continue;
            }
            ++silentWaits;
            if (silentWaits >= 2 || (silentWaits >= 1 && AllSettled())) return;
        }
    }

    std::vector<FleetOutcome> TakeOutcomes() { return std::move(outcomes_); }

  private:
    void Send(FleetOutcome& clock) {
        ++clock.requestsSent;
        port_.SendTo(clock.address, options_.port, request_.bytes());
    }

    void DrainReady(Time deadline) {
        while (port_.Now() < deadline &&
               port_.WaitReadable(std::chrono::milliseconds(0)) == UdpSocket::Wait::Readable)
            HandleOne();
    }

    void HandleOne() {
        ClockDatagram received;
        const auto datagram = port_.ReceiveInto(received.bytes());
        if (!datagram) return;
        const auto found = byAddress_.find(datagram->source);
        if (found == byAddress_.end()) return;
        FleetOutcome& clock = outcomes_[found->second];
        if (clock.checksumError) return;
        if (!ApplyChecksum(received)) {
            if (clock.requestsSent >= kMaxRequestsPerClock)
                clock.checksumError = true;
            else
                Send(clock);
            return;
        }
        if (received.direction() != static_cast<std::uint8_t>(Direction::Reply)) return;
        ++clock.repliesAccepted;
        if (onReply_) onReply_(found->second, received);
    }

    [[nodiscard]] bool AllSettled() const {
        return std::all_of(outcomes_.begin(), outcomes_.end(),
                           [](const FleetOutcome& c) { return c.repliesAccepted > 0 || c.checksumError; });
    }

    const ExchangeOptions& options_;
    DatagramPort& port_;
    const FleetReplySink& onReply_;
    const ClockDatagram request_;
    std::vector<FleetOutcome> outcomes_;
    std::map<Ipv4Address, std::size_t> byAddress_;
};

}  // namespace

std::optional<std::vector<FleetOutcome>> QueryFleet(const std::vector<Ipv4Address>& clocks,
                                                    const ExchangeOptions& options,
                                                    const FleetReplySink& onReply) {
    if (clocks.empty()) return std::vector<FleetOutcome>{};
    const auto port = OpenExchangePort(options, 1, 1);
    const auto own = port ? FindOwnAdapter(options) : std::nullopt;
    if (!own) return std::nullopt;
    FleetQuery query(clocks, options, *port, *own, onReply);
    query.SendAllAscending();
    query.ListenUntilDone();
    return query.TakeOutcomes();
}

int SendFleetWrites(std::vector<FleetWrite>& writes, const ExchangeOptions& options) {
    const auto port = OpenExchangePort(options, 1, 1);
    if (!port) return 0;
    int sent = 0;
    for (FleetWrite& write : writes) {
        if (sent > 0) port->SleepUntil(port->Now() + kWriteGap);
        ApplyChecksum(write.request);
        write.sent = port->SendTo(write.address, options.port, write.request.bytes());
        if (write.sent) ++sent;
    }
    return sent;
}

}  // namespace horavane
