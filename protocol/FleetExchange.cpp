#include "protocol/FleetExchange.h"

#include <algorithm>
#include <cassert>
#include <deque>
#include <numeric>

#include "protocol/RequestPacer.h"

namespace horavane {
namespace {

using Time = DatagramPort::Time;

// However chatty the network, one look at the port takes at most this many datagrams before the
// exchange sees to its requests and its clocks' waits again.
constexpr int kDrainLimit = 1024;

// Where one clock stands; kept beside its outcome.
struct ClockProgress {
    Time firstSent{};
    Time deadline{};  // one wait after the latest request
    bool settled = false;
    bool givenUp = false;
};

// A wait that runs out; a resend queues a later one for the same clock, and the earlier is then
// stale. Requests go out in time order, so the queue is in deadline order.
struct Pending {
    std::size_t clock;
    Time deadline;
};

class FleetQuery {
  public:
    FleetQuery(const std::vector<Ipv4Address>& clocks, const ExchangeOptions& options, GuardedPort& port,
               const OwnAdapter& own, const FleetReplySink& onReply)
        : options_(options),
          port_(port),
          onReply_(onReply),
          request_(BuildOwnRequest(Command::QueryStatus, own)),
          pacer_(options.rate, port.Now()),
          states_(clocks.size()),
          order_(clocks.size()),
          unsettled_(clocks.size()) {
        outcomes_.reserve(clocks.size());
        for (const Ipv4Address address : clocks) outcomes_.push_back(FleetOutcome{address});
        std::iota(order_.begin(), order_.end(), std::size_t{0});
        std::sort(order_.begin(), order_.end(), [this](std::size_t a, std::size_t b) {
            return outcomes_[a].address < outcomes_[b].address;
        });
    }

    void SendAll() {
        for (const std::size_t index : order_) {
            // Replies to the first requests are taken in between, so that the receive queue never
            // overflows while a large fleet is still being asked.
            ReceiveUntil(port_, pacer_.NextSlot(), [this] { HandleOne(); });
            GiveUpOverdue();
            Send(index);
        }
    }

    void ListenUntilDone() {
        while (unsettled_ > 0) {
            DrainReady();
            GiveUpOverdue();
            if (unsettled_ == 0 || pending_.empty()) return;
            const Time now = port_.Now();
            const Time until = pending_.front().deadline;
            if (until <= now) continue;
            switch (port_.WaitReadable(std::chrono::ceil<std::chrono::milliseconds>(until - now))) {
                case UdpSocket::Wait::Failed:
                    port_.SleepUntil(until);  // sat out, so that a broken socket cannot spin
                    break;
                case UdpSocket::Wait::Readable:
                case UdpSocket::Wait::TimedOut:
                    break;
            }
        }
    }

    std::vector<FleetOutcome> TakeOutcomes() { return std::move(outcomes_); }

  private:
    void Send(std::size_t index) {
        FleetOutcome& clock = outcomes_[index];
        ClockProgress& state = states_[index];
        if (!port_.Allows(clock.address)) {
            clock.destinationRefused = state.givenUp = true;
            Settle(state);
            return;
        }
        const Time now = port_.Now();
        if (clock.requestsSent++ == 0) state.firstSent = now;
        pacer_.Take(now);
        port_.SendTo(clock.address, options_.port, request_.bytes());
        state.deadline = now + options_.wait;
        pending_.push_back(Pending{index, state.deadline});
    }

    void DrainReady() {
        for (int taken = 0; taken < kDrainLimit; ++taken) {
            if (port_.WaitReadable(std::chrono::milliseconds(0)) != UdpSocket::Wait::Readable) return;
            HandleOne();
        }
    }

    void GiveUpOverdue() {
        const Time now = port_.Now();
        while (!pending_.empty()) {
            const Pending& front = pending_.front();
            ClockProgress& state = states_[front.clock];
            if (!state.settled && front.deadline == state.deadline) {
                if (front.deadline > now) return;
                state.givenUp = true;
                Settle(state);
            }
            pending_.pop_front();
        }
    }

    void Settle(ClockProgress& state) {
        if (state.settled) return;
        state.settled = true;
        --unsettled_;
    }

    [[nodiscard]] std::optional<std::size_t> Find(Ipv4Address address) const {
        const auto found = std::lower_bound(
            order_.begin(), order_.end(), address,
            [this](std::size_t index, Ipv4Address wanted) { return outcomes_[index].address < wanted; });
        if (found == order_.end() || outcomes_[*found].address != address) return std::nullopt;
        return *found;
    }

    void HandleOne() {
        ClockDatagram received;
        const auto datagram = port_.ReceiveInto(received.bytes());
        if (!datagram) return;
        const auto index = Find(datagram->source);
        if (!index) return;
        FleetOutcome& clock = outcomes_[*index];
        ClockProgress& state = states_[*index];
        // Not asked yet, given up, or answered and then sending junk: nothing more is taken.
        if (clock.requestsSent == 0 || clock.checksumError || state.givenUp) return;
        if (!ApplyChecksum(received)) {
            if (clock.repliesAccepted > 0) return;
            if (clock.requestsSent >= kMaxRequestsPerClock) {
                clock.checksumError = true;
                Settle(state);
            } else {
                Send(*index);
            }
            return;
        }
        if (received.direction() != static_cast<std::uint8_t>(Direction::Reply)) return;
        if (clock.repliesAccepted++ == 0) {
            clock.responseTime =
                std::chrono::duration_cast<std::chrono::microseconds>(port_.Now() - state.firstSent);
            Settle(state);
        }
        if (onReply_) onReply_(*index, received);
    }

    const ExchangeOptions& options_;
    GuardedPort& port_;
    const FleetReplySink& onReply_;
    const ClockDatagram request_;
    RequestPacer pacer_;
    std::vector<FleetOutcome> outcomes_;
    std::vector<ClockProgress> states_;
    std::vector<std::size_t> order_;  // indexes in ascending address order
    std::deque<Pending> pending_;
    std::size_t unsettled_;
};

}  // namespace

namespace {

[[maybe_unused]] bool AllDistinct(std::vector<Ipv4Address> clocks) {
    std::sort(clocks.begin(), clocks.end());
    return std::adjacent_find(clocks.begin(), clocks.end()) == clocks.end();
}

}  // namespace

std::optional<std::vector<FleetOutcome>> QueryFleet(const std::vector<Ipv4Address>& clocks,
                                                    const ExchangeOptions& options,
                                                    const FleetReplySink& onReply) {
    // Replies are matched to clocks by their source: two entries of one address would share them.
    assert(AllDistinct(clocks) && "QueryFleet: addresses must be distinct");
    if (clocks.empty()) return std::vector<FleetOutcome>{};
    const auto port = OpenExchangePort(options, 1, 1, kFleetReceiveBuffer);
    const auto own = port ? FindOwnAdapter(options) : std::nullopt;
    if (!own) return std::nullopt;
    FleetQuery query(clocks, options, *port, *own, onReply);
    query.SendAll();
    query.ListenUntilDone();
    return query.TakeOutcomes();
}

int SendFleetWrites(std::vector<FleetWrite>& writes, const ExchangeOptions& options,
                    const std::function<bool()>& onceOpen) {
    const auto port = OpenExchangePort(options, 1, 1);
    if (!port) return 0;
    // A write to where no clock can be sends nothing, and nothing is prepared for it either (no
    // journal record in `onceOpen`): the whole batch is refused before anything goes.
    for (const FleetWrite& write : writes)
        if (!port->Allows(write.address)) return 0;
    // Before `onceOpen`, so that a record made there holds each request exactly as it goes.
    for (FleetWrite& write : writes) ApplyChecksum(write.request);
    if (onceOpen && !onceOpen()) return 0;
    RequestPacer pacer(options.rate, port->Now());
    int sent = 0;
    for (FleetWrite& write : writes) {
        if (pacer.NextSlot() > port->Now()) port->SleepUntil(pacer.NextSlot());
        pacer.Take(port->Now());
        write.sent = port->SendTo(write.address, options.port, write.request.bytes());
        if (write.sent) ++sent;
    }
    return sent;
}

}  // namespace horavane
