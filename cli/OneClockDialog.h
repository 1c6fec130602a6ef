#pragma once

#include <string>

#include "dialog/ClockDialogLogic.h"
#include "dialog/InMemoryControls.h"

namespace horavane::cli {

// A fresh main window in memory showing one clock: OnInitDialog run, the
// clock's address put into the clock list and selected. Query() is the list's selection change.
class OneClockDialog {
  public:
    OneClockDialog(Ipv4Address clock, const ExchangeOptions& options);
    OneClockDialog(const OneClockDialog&) = delete;
    OneClockDialog& operator=(const OneClockDialog&) = delete;

    QueryOutcome Query() { return logic_.OnClockSelected(); }

    [[nodiscard]] InMemoryControls& controls() { return controls_; }
    [[nodiscard]] ClockDialogLogic& logic() { return logic_; }
    [[nodiscard]] const std::string& address() const { return address_; }

  private:
    std::string address_;
    InMemoryControls controls_;
    ClockDialogLogic logic_;
};

// What the commands say when an exchange could send nothing for want of an adapter.
inline constexpr const char* kNothingSentNoAdapter = "nothing could be sent: no network adapter";

// Exit code of a query: 0 when a reply was shown, 4 after "Error CheckSum", 3 otherwise.
[[nodiscard]] int QueryExitCode(const QueryOutcome& outcome);

// Prints on stderr what the operator would have been shown: the message boxes of the controls,
// or that nothing could be sent, or that no reply came.
void ReportQueryFailure(const QueryOutcome& outcome, const InMemoryControls& controls,
                        const std::string& address);

// Prints the message boxes recorded in the controls on stderr, "TITLE: text" when titled.
void PrintMessages(const InMemoryControls& controls);

}  // namespace horavane::cli
