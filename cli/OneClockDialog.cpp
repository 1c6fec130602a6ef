#include "cli/OneClockDialog.h"

#include <iostream>

#include "cli/ExitCodes.h"
#include "cli/OutputText.h"
#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"

namespace horavane::cli {

OneClockDialog::OneClockDialog(Ipv4Address clock, const ExchangeOptions& options)
    : address_(clock.ToString()), logic_(controls_, options, ClockDialogLogic::PortWaitBound::Options) {
    logic_.OnInitDialog();
    controls_.ListAdd(ctl::ClockList, address_);
    controls_.SelectListEntry(ctl::ClockList, 0);
}

int QueryExitCode(const QueryOutcome& outcome) {
    if (outcome.checksumError) return kExitChecksum;
    return outcome.repliesAccepted > 0 ? kExitOk : kExitNoReply;
}

void PrintMessages(const InMemoryControls& controls) {
    for (const auto& message : controls.messages()) {
        // The window's message boxes may quote what a clock or the operator typed.
        PrintLine(std::cerr,
                  (message.title ? Untrusted{*message.title} + ": " : Message("")) + Untrusted{message.text});
    }
}

void ReportQueryFailure(const QueryOutcome& outcome, const InMemoryControls& controls,
                        const std::string& address) {
    if (outcome.checksumError) {
        PrintMessages(controls);
        return;
    }
    if (outcome.destinationRefused)
        std::cerr << "horavanectl: nothing was sent: " << address << " is no clock's address\n";
    else if (!outcome.sent)
        std::cerr << "horavanectl: " << kNothingSentNoAdapter << "\n";
    else if (outcome.repliesAccepted == 0)
        std::cerr << "horavanectl: no reply from " << address << "\n";
}

}  // namespace horavane::cli
