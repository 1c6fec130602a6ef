#include "sim/ClockSimulator.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>
#include <span>
#include <thread>
#include <utility>

#include "platform/PortLock.h"
#include "platform/UdpSocket.h"
#include "platform/VisibleText.h"
#include "sim/ClockBehaviour.h"
#include "sim/FaultSpec.h"
#include "sim/SocketPoll.h"
#include "sim/StateFile.h"

namespace horavane::sim {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Short enough that Stop() returns well within 100 ms, long enough not to spin.
constexpr auto kPollSlice = std::chrono::milliseconds(20);
// Larger than any datagram a test sends, so that an oversized one is seen (and dropped) whole.
constexpr std::size_t kReceiveBufferSize = 2048;
// The record of received datagrams, kept only when asked for, is bounded per clock in count and in
// bytes: a stream of junk must not grow the simulator without end.
constexpr std::size_t kReceivedKept = 1000;
constexpr std::size_t kReceivedBytesKept = 256 * 1024;
// A free port found for clock 0 may be taken on another clock's address; try a few fresh ones.
constexpr int kPortAttempts = 5;

struct Clock {
    ClockDatagram state;
    FaultSwitches faults;
    std::array<int, 4> requests{};  // by command code 1..3
    std::deque<std::vector<std::uint8_t>> received;
    std::size_t receivedBytes = 0;  // in `received`
};

struct OutgoingReply {
    SteadyClock::time_point due;
    std::size_t clock = 0;
    Ipv4Address destination;
    std::uint16_t destinationPort = 0;
    std::vector<std::uint8_t> bytes;
    int copies = 1;
};

// What becomes of one received datagram, decided under the lock and carried out after it.
struct Handling {
    std::string note;
    std::optional<OutgoingReply> reply;
};

bool IsLoopback(Ipv4Address address) {
    return address.octets[0] == 127;
}

}  // namespace

Ipv4Address SimulatedClockAddress(Ipv4Address first, int index) {
    const std::uint32_t host = first.octets[3];
    const std::uint32_t perSubnet = host >= 1 && host <= 254 ? 255 - host : 1;
    const auto i = static_cast<std::uint32_t>(index);
    return Ipv4Address::FromUint32(first.ToUint32() + (i / perSubnet) * 256 + i % perSubnet);
}

struct ClockSimulator::Impl {
    explicit Impl(SimulatorOptions o) : options(std::move(o)) {
        const int count = std::clamp(options.clocks, 0, kMaxSimulatedClocks);
        for (int i = 0; i < count; ++i) {
            addresses.push_back(SimulatedClockAddress(options.firstAddress, i));
            clocks.push_back(Clock{DefaultClockState(i), {}, {}, {}, 0});
        }
        if (options.stateFile) stateFile.emplace(*options.stateFile);
    }

    [[nodiscard]] bool CheckAddresses(std::string* error) const;
    [[nodiscard]] bool BindAll(std::string* error);
    [[nodiscard]] bool BindAllTo(std::uint16_t wanted, std::string* error);
    void Serve();
    void ReceiveOn(std::size_t clock);
    Handling Handle(std::size_t clock, std::span<const std::uint8_t> raw, const ReceivedDatagram& from);
    void TakeWrite(Clock& clock, const ClockDatagram& write, Handling& handling);
    static void Record(Clock& clock, std::span<const std::uint8_t> raw);
    void Send(const OutgoingReply& reply);
    void SendDue();
    [[nodiscard]] std::chrono::milliseconds NextWait() const;
    void Log(const std::string& line) const {
        if (options.log) options.log(line);
    }
    [[nodiscard]] std::string Endpoint(std::size_t clock) const {
        return addresses[clock].ToString() + ":" + std::to_string(port.load());
    }

    const SimulatorOptions options;
    std::vector<Ipv4Address> addresses;  // fixed at construction

    mutable std::mutex mutex;
    std::vector<Clock> clocks;           // guarded by mutex
    std::optional<StateFile> stateFile;  // guarded by mutex

    std::atomic<std::uint16_t> port{0};
    std::atomic<bool> stopping{false};
    bool running = false;  // the owner's thread only

    // Winsock on Windows, held while the clocks run; declared before the sockets so that they close
    // first.
    std::optional<NetworkLibrary> network;
    // Owned by the service thread while it runs.
    std::vector<UdpSocket> sockets;
    std::unique_ptr<SocketPoll> poll;  // over `sockets`, made before the service thread starts
    std::vector<OutgoingReply> delayed;
    std::thread thread;
};

bool ClockSimulator::Impl::CheckAddresses(std::string* error) const {
    std::string reason;
    const auto host = options.firstAddress.octets[3];
    if (options.clocks < 1 || options.clocks > kMaxSimulatedClocks) {
        reason = "the number of clocks must lie between 1 and " + std::to_string(kMaxSimulatedClocks);
    } else if (host == 0 || host == 255) {
        reason = "the first clock must be host 1 to 254 of its /24";
    } else if (!IsLoopback(options.firstAddress) || !IsLoopback(addresses.back())) {
        // Simulated clocks must never answer from, or appear on, a real network.
        reason = "simulated clocks must lie within 127.0.0.1 to 127.255.255.254";
    }
    if (reason.empty()) return true;
    if (error != nullptr) *error = reason;
    return false;
}

namespace {

// The clocks' sockets share their port with the program under test, which binds it on every address,
// so they bind with address reuse; and so would a second simulator's, which would then take this
// one's traffic. A bind without reuse first finds the address taken by either.
bool Taken(Ipv4Address address, std::uint16_t port, std::string* error) {
    auto probe = UdpSocket::CreateExclusive();
    std::string reason;
    if (!probe || probe->Bind(address, port, &reason)) return false;
    if (error != nullptr) {
        const auto holder = PortLockHolder(port);
        *error = address.ToString() + ":" + std::to_string(port) + " is taken by " +
                 (holder ? holder->Describe() + ", which holds the clock port"
                         : std::string("another program (a simulator, or a program on the clock port)")) +
                 ": " + reason;
    }
    return true;
}

}  // namespace

bool ClockSimulator::Impl::BindAll(std::string* error) {
    if (!AllowSockets(addresses.size(), error)) return false;
    if (options.port != 0) return BindAllTo(options.port, error);
    for (int attempt = 0; attempt < kPortAttempts; ++attempt)
        if (BindAllTo(0, error)) return true;
    return false;
}

bool ClockSimulator::Impl::BindAllTo(std::uint16_t wanted, std::string* error) {
    sockets.clear();
    std::uint16_t chosen = wanted;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        if (chosen != 0 && Taken(addresses[i], chosen, error)) {
            sockets.clear();
            return false;
        }
        auto socket = UdpSocket::Create();
        std::string reason = "cannot open a UDP socket";
        if (!socket || !socket->Bind(addresses[i], chosen, &reason)) {
            if (error != nullptr)
                *error =
                    "cannot bind " + addresses[i].ToString() + ":" + std::to_string(chosen) + ": " + reason;
            sockets.clear();
            return false;
        }
        if (chosen == 0) chosen = socket->LocalPort();
        sockets.push_back(std::move(*socket));
    }
    port = chosen;
    return true;
}

void ClockSimulator::Impl::Serve() {
    while (!stopping.load()) {
        for (const std::size_t clock : poll->WaitForReadable(NextWait())) ReceiveOn(clock);
        SendDue();
    }
}

std::chrono::milliseconds ClockSimulator::Impl::NextWait() const {
    auto wait = kPollSlice;
    const auto now = SteadyClock::now();
    for (const auto& reply : delayed) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(reply.due - now);
        wait = std::clamp(left, std::chrono::milliseconds(0), wait);
    }
    return wait;
}

void ClockSimulator::Impl::ReceiveOn(std::size_t clock) {
    std::array<std::uint8_t, kReceiveBufferSize> buffer{};
    const auto received = sockets[clock].ReceiveInto(buffer);
    if (!received) return;
    const std::span<const std::uint8_t> raw(buffer.data(), received->length);
    Handling handling = Handle(clock, raw, *received);
    if (options.log) {
        Log("in  " + Endpoint(clock) + " <- " + received->source.ToString() + ":" +
            std::to_string(received->sourcePort) + " " + std::to_string(raw.size()) +
            " bytes: " + ToHex(raw) + (handling.note.empty() ? "" : " (" + handling.note + ")"));
    }
    if (!handling.reply) return;
    if (handling.reply->due <= SteadyClock::now()) {
        Send(*handling.reply);
    } else {
        delayed.push_back(std::move(*handling.reply));
    }
}

Handling ClockSimulator::Impl::Handle(std::size_t index, std::span<const std::uint8_t> raw,
                                      const ReceivedDatagram& from) {
    Handling handling;
    ClockDatagram datagram(raw);  // a short datagram reads as if padded with zero bytes
    const std::lock_guard lock(mutex);
    Clock& clock = clocks[index];
    if (options.recordReceived) Record(clock, raw);

    if (!ApplyChecksum(datagram)) {
        handling.note = "ignored: wrong checksum";
        return handling;
    }
    if (datagram.direction() != static_cast<std::uint8_t>(Direction::Request)) {
        handling.note = "ignored: not a request";
        return handling;
    }
    const std::uint8_t command = datagram.command();
    switch (static_cast<Command>(command)) {
        case Command::QueryStatus:
        case Command::Search: {
            ++clock.requests[command];
            auto bytes = ApplyFaults(BuildStatusReply(clock.state, command), clock.faults);
            if (!bytes) {
                handling.note = "silent";
                return handling;
            }
            const auto delay = std::clamp(clock.faults.delay, std::chrono::milliseconds(0),
                                          std::chrono::milliseconds(kMaxDelayMs));
            handling.reply = OutgoingReply{
                SteadyClock::now() + delay,           index, from.source, from.sourcePort, std::move(*bytes),
                clock.faults.duplicateReplies ? 2 : 1};
            return handling;
        }
        case Command::WriteSettings:
            ++clock.requests[command];
            TakeWrite(clock, datagram, handling);
            return handling;
    }
    handling.note = "ignored: unknown command";
    return handling;
}

void ClockSimulator::Impl::Record(Clock& clock, std::span<const std::uint8_t> raw) {
    clock.received.emplace_back(raw.begin(), raw.end());
    clock.receivedBytes += raw.size();
    while (clock.received.size() > kReceivedKept || clock.receivedBytes > kReceivedBytesKept) {
        clock.receivedBytes -= clock.received.front().size();
        clock.received.pop_front();
    }
}

void ClockSimulator::Impl::TakeWrite(Clock& clock, const ClockDatagram& write, Handling& handling) {
    if (clock.faults.ignoreWrites) {
        handling.note = "write ignored";
        return;
    }
    TakeWrittenSettings(clock.state, write);
    handling.note = "settings taken";
    if (!stateFile) return;
    std::vector<ClockDatagram> states;
    for (const auto& c : clocks) states.push_back(c.state);
    std::string error;
    if (!stateFile->Save(addresses, states, &error)) {
        handling.note += "; state file not saved: " + error;
        std::fprintf(stderr, "horavane-sim: state file not saved: %s\n", VisibleText(error).c_str());
    }
}

void ClockSimulator::Impl::Send(const OutgoingReply& reply) {
    for (int copy = 0; copy < reply.copies; ++copy) {
        // Only ever back to where the request came from.
        sockets[reply.clock].SendTo(reply.destination, reply.destinationPort, reply.bytes);
        if (options.log) {
            Log("out " + Endpoint(reply.clock) + " -> " + reply.destination.ToString() + ":" +
                std::to_string(reply.destinationPort) + " " + std::to_string(reply.bytes.size()) +
                " bytes: " + ToHex(reply.bytes));
        }
    }
}

void ClockSimulator::Impl::SendDue() {
    const auto now = SteadyClock::now();
    const auto due = std::stable_partition(delayed.begin(), delayed.end(),
                                           [now](const OutgoingReply& r) { return r.due > now; });
    for (auto it = due; it != delayed.end(); ++it) Send(*it);
    delayed.erase(due, delayed.end());
}

ClockSimulator::ClockSimulator(SimulatorOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

ClockSimulator::~ClockSimulator() {
    Stop();
}

bool ClockSimulator::Start(std::string* error) {
    if (impl_->running) return true;
    if (!impl_->CheckAddresses(error)) return false;
    {
        const std::lock_guard lock(impl_->mutex);
        if (impl_->stateFile) {
            std::vector<ClockDatagram> states;
            for (const auto& clock : impl_->clocks) states.push_back(clock.state);
            if (!impl_->stateFile->Load(impl_->addresses, states, error)) return false;
            for (std::size_t i = 0; i < states.size(); ++i) impl_->clocks[i].state = states[i];
        }
        for (auto& clock : impl_->clocks) {
            clock.requests = {};
            clock.received.clear();
            clock.receivedBytes = 0;
        }
    }
    if (!impl_->network) impl_->network = NetworkLibrary::Start(2, 2);
    if (!impl_->network) {
        if (error != nullptr) *error = "the network library did not start";
        return false;
    }
    if (!impl_->BindAll(error)) return false;
    impl_->poll = std::make_unique<SocketPoll>(impl_->sockets);
    if (!impl_->poll->Ready(error)) {
        impl_->poll.reset();
        impl_->sockets.clear();
        return false;
    }
    impl_->stopping = false;
    impl_->thread = std::thread([impl = impl_.get()] { impl->Serve(); });
    impl_->running = true;
    return true;
}

void ClockSimulator::Stop() {
    if (!impl_ || !impl_->running) return;
    impl_->stopping = true;
    impl_->thread.join();
    impl_->delayed.clear();
    impl_->poll.reset();
    impl_->sockets.clear();
    impl_->network.reset();
    impl_->running = false;
}

std::uint16_t ClockSimulator::port() const {
    return impl_->port.load();
}

int ClockSimulator::clockCount() const {
    return static_cast<int>(impl_->addresses.size());
}

Ipv4Address ClockSimulator::address(int clock) const {
    return impl_->addresses.at(static_cast<std::size_t>(clock));
}

void ClockSimulator::SetFaults(int clock, const FaultSwitches& faults) {
    const std::lock_guard lock(impl_->mutex);
    impl_->clocks.at(static_cast<std::size_t>(clock)).faults = faults;
}

ClockDatagram ClockSimulator::StatusReply(int clock) const {
    const std::lock_guard lock(impl_->mutex);
    return BuildStatusReply(impl_->clocks.at(static_cast<std::size_t>(clock)).state,
                            static_cast<std::uint8_t>(Command::QueryStatus));
}

void ClockSimulator::SetSettings(int clock, const ClockDatagram& settings) {
    const std::lock_guard lock(impl_->mutex);
    TakeAllSettings(impl_->clocks.at(static_cast<std::size_t>(clock)).state, settings);
}

int ClockSimulator::RequestsReceived(int clock, Command command) const {
    const auto code = static_cast<std::size_t>(command);
    const std::lock_guard lock(impl_->mutex);
    const auto& requests = impl_->clocks.at(static_cast<std::size_t>(clock)).requests;
    return code < requests.size() ? requests[code] : 0;
}

std::vector<std::vector<std::uint8_t>> ClockSimulator::Received(int clock) const {
    const std::lock_guard lock(impl_->mutex);
    const auto& received = impl_->clocks.at(static_cast<std::size_t>(clock)).received;
    return {received.begin(), received.end()};
}

}  // namespace horavane::sim
