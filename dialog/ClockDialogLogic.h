#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dialog/DialogControls.h"
#include "protocol/ClockDatagram.h"
#include "protocol/Exchange.h"
#include "protocol/StatusQuery.h"
#include "protocol/WriteRecorder.h"

namespace horavane {

// The status line after a Modify that went out but could not be recorded.
[[nodiscard]] std::string NotRecordedText(std::string_view reason);
// What the status line says when a write that was recorded did not go out and its record could not be
// taken back.
[[nodiscard]] std::string NotSentText(std::string_view reason);

// The main window's behaviour, written once against the control interface: the Qt window, the
// native Win32 window, the tests and the command line drive the same handlers. Owns the window's
// datagram buffer, which the query and the write share, one at a time on one thread (the search
// receives into a buffer of its own).
class ClockDialogLogic {
  public:
    // How long a query or Modify waits for a clock port another program holds: on a window's thread
    // a few seconds at most (kWindowPortWait); for the command line as long as its options say.
    enum class PortWaitBound { Window, Options };

    explicit ClockDialogLogic(DialogControls& controls, ExchangeOptions options = {},
                              PortWaitBound portWaitBound = PortWaitBound::Window);

    void OnInitDialog();                   // fills the drop-down lists
    [[nodiscard]] bool OnSearchClicked();  // true when the caller must start the SearchWorker
    QueryOutcome OnClockSelected();        // status query of the selected clock
    bool OnModify();                       // checks, then one WriteSettings; true when it was sent
    void OnDynamicIp();
    void OnStaticIp();
    // Enter pressed while the control `focusedId` has the focus (0: none of the ids) and no push
    // button has it. Only the search field acts on it, as a click on Search: the same result.
    // Anywhere else Enter does nothing, so it can never end the window and lose the edits.
    [[nodiscard]] bool OnEnter(int focusedId);

    // The two halves of Modify. BuildWriteSettings runs the checks in their order, showing the
    // first refusal, and otherwise leaves the WriteSettings request in the buffer (checksum not yet
    // applied). SendToSelectedClock sends the buffer once to the selected clock, recording the
    // write first when a recorder is set; a record that fails is said in the status line.
    [[nodiscard]] bool BuildWriteSettings();
    bool SendToSelectedClock();

    // Without one (the default) nothing is recorded. The recorder must outlive the logic.
    void SetWriteRecorder(WriteRecorder* recorder) { recorder_ = recorder; }

    [[nodiscard]] const ExchangeOptions& options() const { return options_; }
    [[nodiscard]] ClockDatagram& buffer() { return buffer_; }

  private:
    // The options of an exchange on the window's thread: a clock port held by another program is
    // waited for a few seconds at most, shown in the status line, then refused in a message box.
    [[nodiscard]] ExchangeOptions OnWindowThread();

    // What the window last knew a clock to hold: its last query's reply, then the window's own
    // writes to it. The buffer cannot keep it: a Modify clears it before it builds the request.
    struct KnownClock {
        Ipv4Address address;
        ClockStatus status;
    };
    void ShowRecorded(const std::optional<std::string>& failure);
    void KnowWritten(Ipv4Address clock);

    DialogControls& controls_;
    ExchangeOptions options_;
    PortWaitBound portWaitBound_;
    ClockDatagram buffer_;
    std::optional<KnownClock> known_;
    WriteRecorder* recorder_ = nullptr;
    // The status line's note of a record that failed, and what the line showed before it: taken
    // back once a later write is recorded, so that the note never outlives the fault.
    std::optional<std::string> notRecorded_;
    std::string statusBeforeNote_;
};

}  // namespace horavane
