#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "protocol/ClockDialogLogic.h"
#include "settings/ControlIds.h"
#include "settings/InMemoryControls.h"
#include "sim/ClockSimulator.h"
#include "tests/common/TestSupport.h"

namespace horavane::test {

inline Ipv4Address Ip(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return {{a, b, c, d}};
}

inline IpFieldValue Field(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return IpFieldValue::From(Ip(a, b, c, d));
}

// Designated initialisers would leave the optional switches without an initialiser, which the
// warning flags refuse; a setter keeps each test's one fault readable.
template <typename Set>
sim::FaultSwitches Faults(Set set) {
    sim::FaultSwitches faults;
    set(faults);
    return faults;
}

// A clock set up the way an installer would leave it: valid for every check, so that what the
// query shows can be written straight back.
inline ClockDatagram InstalledClockSettings() {
    ClockDatagram d;
    d.setDstStartMonth(3);
    d.setDstStartWhen(2, 7);  // second Sunday
    d.setDstStartHour(2);
    d.setDstEndMonth(10);
    d.setDstEndWhen(6, 7);  // last Sunday
    d.setDstEndHour(3);
    d.setTzHours(0x08);
    d.setTimeFormat(24);
    d.setBrightness(3);
    d.setSaveFromHour(22);
    d.setSaveToHour(6);
    d.setTimeServerCount(2);
    d.setTimeServer(0, Ip(10, 0, 0, 1));
    d.setTimeServer(2, Ip(10, 0, 0, 3));
    d.setDynamicIp(0);
    d.setClockIp(Ip(192, 168, 1, 50));
    d.setSubnetMask(Ip(255, 255, 255, 0));
    d.setGateway(Ip(192, 168, 1, 1));
    d.setDnsServer(Ip(192, 168, 1, 2));
    d.setSyncState(1);
    d.setCurrentTimeServer(Ip(10, 0, 0, 3));
    d.setSerialNumber("HV-0042");
    d.setMac({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E});
    return d;
}

// Simulated clocks at 127.0.0.2 onwards on a port of their own, and the window's logic over
// in-memory controls pointed at them with short waits.
class ClockFixture : public ::testing::Test {
  protected:
    void StartClocks(int count) {
        sim::SimulatorOptions simOptions;
        simOptions.clocks = count;
        simOptions.port = 0;
        sim_ = std::make_unique<sim::ClockSimulator>(simOptions);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
        options_ = OptionsFor(sim_->port());
        logic_ = std::make_unique<ClockDialogLogic>(controls_, options_);
        logic_->OnInitDialog();
    }

    sim::ClockSimulator& sim() { return *sim_; }
    ClockDialogLogic& logic() { return *logic_; }

    // Lists the clock, as a search would have, and selects it.
    void SelectClock(int clock) {
        const std::string address = sim_->address(clock).ToString();
        if (controls_.ListFindExact(ctl::ClockList, address) < 0) controls_.ListAdd(ctl::ClockList, address);
        controls_.SelectListEntry(ctl::ClockList, controls_.ListFindExact(ctl::ClockList, address));
    }

    // A write is not answered; wait (bounded) until the clock has taken `count` of them.
    bool AwaitWrites(int clock, int count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (sim_->RequestsReceived(clock, Command::WriteSettings) < count) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    [[nodiscard]] std::string IpText(int id) const {
        const IpFieldValue value = controls_.GetIp(id);
        return value.IsBlank() ? std::string() : value.Address().ToString();
    }

    InMemoryControls controls_ = InMemoryControls::WithDialogData();
    ExchangeOptions options_;

  private:
    std::unique_ptr<sim::ClockSimulator> sim_;
    std::unique_ptr<ClockDialogLogic> logic_;
};

}  // namespace horavane::test
