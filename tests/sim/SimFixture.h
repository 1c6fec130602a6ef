#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim/ClockSimulator.h"
#include "tests/sim/SimTestSupport.h"

namespace horavane::test {

// Simulated clocks on a free port and a workstation socket to talk to them.
class SimFixture : public ::testing::Test {
  protected:
    void StartClocks(int count, sim::SimulatorOptions options = {}) {
        options.clocks = count;
        options.port = 0;
        sim_ = std::make_unique<sim::ClockSimulator>(std::move(options));
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }

    sim::ClockSimulator& sim() { return *sim_; }

    void SendTo(int clock, const Bytes& bytes) { client_.Send(sim_->address(clock), sim_->port(), bytes); }

    // Sends `command` to the clock and returns its one reply, or nullopt.
    std::optional<Arrival> Ask(int clock, Command command = Command::QueryStatus, Ms limit = Ms(500)) {
        SendTo(clock, Request(command));
        return client_.Receive(limit);
    }

    TestClient client_;

  private:
    std::unique_ptr<sim::ClockSimulator> sim_;
};

}  // namespace horavane::test
