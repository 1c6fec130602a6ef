#pragma once

#include <memory>
#include <string>

#include "protocol/ClockDialogLogic.h"
#include "settings/ControlIds.h"
#include "settings/InMemoryControls.h"
#include "tests/common/SimSupport.h"

namespace horavane::test {

inline IpFieldValue Field(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return IpFieldValue::From(Ip(a, b, c, d));
}

// The text an address field shows, "" when blank.
inline std::string IpText(const InMemoryControls& controls, int id) {
    const IpFieldValue value = controls.GetIp(id);
    return value.IsBlank() ? std::string() : value.Address().ToString();
}

// The window's logic over in-memory controls, pointed at simulated clocks with short waits.
class DialogLogicTest : public SimulatorTest {
  protected:
    void StartClocks(int count) {
        SimulatorTest::StartClocks(count);
        if (HasFatalFailure() || IsSkipped()) return;
        options_ = Options();
        logic_ = std::make_unique<ClockDialogLogic>(controls_, options_);
        logic_->OnInitDialog();
    }

    ClockDialogLogic& logic() { return *logic_; }

    // Lists the clock, as a search would have, and selects it.
    void SelectClock(int clock) {
        const std::string address = sim().address(clock).ToString();
        if (controls_.ListFindExact(ctl::ClockList, address) < 0) controls_.ListAdd(ctl::ClockList, address);
        controls_.SelectListEntry(ctl::ClockList, controls_.ListFindExact(ctl::ClockList, address));
    }

    [[nodiscard]] std::string IpText(int id) const { return test::IpText(controls_, id); }

    InMemoryControls controls_ = InMemoryControls::WithDialogData();
    ExchangeOptions options_;

  private:
    std::unique_ptr<ClockDialogLogic> logic_;
};

}  // namespace horavane::test
