#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/UdpSocket.h"
#include "protocol/ClockDatagram.h"
#include "sim/ClockSimulator.h"
#include "tests/common/FakeNetwork.h"
#include "tests/common/TestSupport.h"
#include "tests/common/WineSupport.h"

namespace horavane::test {

inline Bytes Request(Command command) {
    ClockDatagram d;
    BuildAddressedRequest(d, command, kWorkstation, kWorkstationMac);
    return ToBytes(d);
}

struct Arrival {
    Bytes bytes;
    Ipv4Address source;
    std::uint16_t sourcePort = 0;
};

// The workstation side of a test (or a clock's): a socket with a port of its own.
class TestClient {
  public:
    explicit TestClient(Ipv4Address address = kWorkstation)
        : network_(NetworkLibrary::Start(2, 2)), socket_(*UdpSocket::Create()) {
        socket_.Bind(address, 0);
    }

    void Send(Ipv4Address clock, std::uint16_t port, std::span<const std::uint8_t> bytes) {
        socket_.SendTo(clock, port, bytes);
    }

    std::optional<Arrival> Receive(Ms limit = Ms(500)) {
        if (socket_.WaitReadable(limit) != UdpSocket::Wait::Readable) return std::nullopt;
        std::vector<std::uint8_t> buffer(2048);
        const auto got = socket_.ReceiveInto(buffer);
        if (!got) return std::nullopt;
        buffer.resize(got->length);
        return Arrival{buffer, got->source, got->sourcePort};
    }

    [[nodiscard]] std::uint16_t port() const { return socket_.LocalPort(); }

  private:
    std::optional<NetworkLibrary> network_;  // Winsock on Windows, before the socket and after it
    UdpSocket socket_;
};

// A socket bound WITHOUT SO_REUSEADDR, which nothing else may then bind next to: how another
// program holding the clock port looks. Closed on destruction.
class PlainSocket {
  public:
    explicit PlainSocket(Ipv4Address address, std::uint16_t port = 0);
    ~PlainSocket();
    PlainSocket(const PlainSocket&) = delete;
    PlainSocket& operator=(const PlainSocket&) = delete;
    [[nodiscard]] bool bound() const { return bound_; }
    [[nodiscard]] std::uint16_t port() const { return port_; }

  private:
    std::optional<NetworkLibrary> network_;
    std::intptr_t fd_;
    bool bound_ = false;
    std::uint16_t port_ = 0;
};

// Simulated clocks at 127.0.0.2 onwards on a free port, and a workstation socket to talk to them.
class SimulatorTest : public ::testing::Test {
  protected:
    // The tests read back what the clocks received, so they ask for the record unless told otherwise.
    static sim::SimulatorOptions Recording() {
        sim::SimulatorOptions options;
        options.recordReceived = true;
        return options;
    }

    void SetUp() override { HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses); }

    void StartClocks(int count, sim::SimulatorOptions options = Recording()) {
        options.clocks = count;
        options.port = 0;
        sim_ = std::make_unique<sim::ClockSimulator>(std::move(options));
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }

    sim::ClockSimulator& sim() { return *sim_; }
    [[nodiscard]] ExchangeOptions Options(Ms wait = Ms(150)) const { return OptionsFor(sim_->port(), wait); }

    void SendTo(int clock, const Bytes& bytes) { client_.Send(sim_->address(clock), sim_->port(), bytes); }

    std::optional<Arrival> Ask(int clock, Command command = Command::QueryStatus, Ms limit = Ms(500)) {
        SendTo(clock, Request(command));
        return client_.Receive(limit);
    }

    // A write is never answered: a test learns that it has arrived from the clock's count, within
    // two seconds.
    bool AwaitWrites(int clock, int count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (sim_->RequestsReceived(clock, Command::WriteSettings) < count) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(Ms(2));
        }
        return true;
    }

    TestClient client_;
    std::unique_ptr<sim::ClockSimulator> sim_;
};

}  // namespace horavane::test
