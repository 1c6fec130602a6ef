#include "tests/common/FakeNetwork.h"

#include <algorithm>
#include <cstring>

#include "sim/ClockBehaviour.h"
#include "tests/common/TestSupport.h"

namespace horavane::test {

class FakeNetwork::Port final : public DatagramPort {
  public:
    Port(FakeNetwork& network, std::uint16_t localPort) : network_(network), localPort_(localPort) {}

    bool SendTo(Ipv4Address destination, std::uint16_t port, std::span<const std::uint8_t> bytes) override {
        const Bytes datagram(bytes.begin(), bytes.end());
        std::shared_ptr<Responder> responder;
        std::chrono::nanoseconds at;
        {
            const std::lock_guard lock(network_.mutex_);
            at = network_.now_;
            network_.sent_.push_back(
                Sent{std::chrono::duration_cast<Ms>(at), localPort_, destination, port, datagram});
            const auto clock = network_.clocks_.find(destination);
            if (clock == network_.clocks_.end()) return true;
            responder = clock->second;
        }
        // Called outside the lock, on the one copy a clock has, so that its state carries over.
        const std::vector<Answer> answers = (*responder)(datagram);
        const std::lock_guard lock(network_.mutex_);
        for (const Answer& answer : answers)
            network_.pending_.push_back(
                Arrival{at + answer.after, destination, port, localPort_, answer.bytes});
        return true;
    }

    UdpSocket::Wait WaitReadable(std::chrono::milliseconds limit) override {
        const std::lock_guard lock(network_.mutex_);
        const auto next = NextFor(network_.now_ + limit);
        if (next == network_.pending_.end()) {
            network_.now_ += limit;
            return UdpSocket::Wait::TimedOut;
        }
        network_.now_ = std::max(network_.now_, next->at);
        return UdpSocket::Wait::Readable;
    }

    std::optional<ReceivedDatagram> ReceiveInto(std::span<std::uint8_t> buffer) override {
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
        const std::lock_guard lock(network_.mutex_);
        const auto next = NextFor(network_.now_);
        if (next == network_.pending_.end()) return std::nullopt;
        const std::size_t length = std::min(buffer.size(), next->bytes.size());
        std::memcpy(buffer.data(), next->bytes.data(), length);
        const ReceivedDatagram received{length, next->source, next->sourcePort};
        network_.pending_.erase(next);
        return received;
    }

    Time Now() const override {
        const std::lock_guard lock(network_.mutex_);
        return network_.start_ + network_.now_;
    }

    void SleepUntil(Time until) override {
        const std::lock_guard lock(network_.mutex_);
        network_.now_ = std::max(network_.now_, until - network_.start_);
    }

  private:
    // The earliest datagram for this port that has arrived by `by`.
    std::vector<Arrival>::iterator NextFor(std::chrono::nanoseconds by) {
        auto best = network_.pending_.end();
        for (auto it = network_.pending_.begin(); it != network_.pending_.end(); ++it)
            if (it->toPort == localPort_ && it->at <= by &&
                (best == network_.pending_.end() || it->at < best->at))
                best = it;
        return best;
    }

    FakeNetwork& network_;
    std::uint16_t localPort_;
};

FakeNetwork::FakeNetwork() : start_(std::chrono::steady_clock::now()) {}

void FakeNetwork::AddClock(Ipv4Address address, Responder responder) {
    const std::lock_guard lock(mutex_);
    clocks_[address] = std::make_shared<Responder>(std::move(responder));
}

void FakeNetwork::Deliver(Ms at, Ipv4Address source, Bytes bytes) {
    const std::lock_guard lock(mutex_);
    pending_.push_back(Arrival{at, source, ClockPort, ClockPort, std::move(bytes)});
}

ExchangeOptions FakeNetwork::Options(Ms wait) {
    ExchangeOptions options;
    options.wait = wait;
    options.adapters = LoopbackAdapter;
    options.openPort = [this](const PortRequest& request) -> std::unique_ptr<DatagramPort> {
        const std::lock_guard lock(mutex_);
        opened_.push_back(request);
        return std::make_unique<Port>(*this, request.localPort);
    };
    return options;
}

std::vector<FakeNetwork::Sent> FakeNetwork::sent() const {
    const std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<PortRequest> FakeNetwork::opened() const {
    const std::lock_guard lock(mutex_);
    return opened_;
}

Ms FakeNetwork::now() const {
    const std::lock_guard lock(mutex_);
    return std::chrono::duration_cast<Ms>(now_);
}

FakeNetwork::Responder SimulatedClock(std::shared_ptr<ClockDatagram> state, sim::FaultSwitches faults) {
    return [state = std::move(state), faults](const Bytes& bytes) mutable -> std::vector<Answer> {
        ClockDatagram request(bytes);
        if (!ApplyChecksum(request) || request.direction() != static_cast<std::uint8_t>(Direction::Request))
            return {};
        if (request.command() == static_cast<std::uint8_t>(Command::WriteSettings)) {
            if (!faults.ignoreWrites) sim::TakeWrittenSettings(*state, request);
            return {};
        }
        const auto reply = sim::ApplyFaults(sim::BuildStatusReply(*state, request.command()), faults);
        if (!reply) return {};
        return std::vector<Answer>(faults.duplicateReplies ? 2 : 1, Answer{faults.delay, *reply});
    };
}

FakeNetwork::Responder SimulatedClock(int index, sim::FaultSwitches faults) {
    return SimulatedClock(std::make_shared<ClockDatagram>(sim::DefaultClockState(index)), faults);
}

}  // namespace horavane::test
