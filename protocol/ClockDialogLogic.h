#pragma once

#include "protocol/ClockDatagram.h"
#include "protocol/ExchangeOptions.h"
#include "protocol/StatusQuery.h"
#include "settings/DialogControls.h"

namespace horavane {

// The main window's behaviour, written once against the control interface: the Qt dialog, the
// tests and the command line drive the same handlers. Owns the window's datagram buffer, which the
// query and the write share on the window's thread.
class ClockDialogLogic {
  public:
    ClockDialogLogic(DialogControls& controls, ExchangeOptions options = {});

    void OnInitDialog();                   // fills the daylight-saving lists
    [[nodiscard]] bool OnSearchClicked();  // true when the caller must start the SearchWorker
    QueryOutcome OnClockSelected();        // status query of the selected clock
    bool OnModify();                       // checks, then one WriteSettings; true when it was sent
    void OnDynamicIp();
    void OnStaticIp();

    [[nodiscard]] const ExchangeOptions& options() const { return options_; }
    [[nodiscard]] ClockDatagram& buffer() { return buffer_; }

  private:
    DialogControls& controls_;
    ExchangeOptions options_;
    ClockDatagram buffer_;
};

}  // namespace horavane
