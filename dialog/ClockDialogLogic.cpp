#include "dialog/ClockDialogLogic.h"

#include <algorithm>
#include <utility>

#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"
#include "dialog/PortWaitDisplay.h"
#include "dialog/SearchWorker.h"
#include "protocol/ClockCodec.h"
#include "protocol/ConfigurationWrite.h"
#include "settings/Messages.h"
#include "settings/SettingCodes.h"
#include "settings/SettingsChecks.h"

namespace horavane {

ClockDialogLogic::ClockDialogLogic(DialogControls& controls, ExchangeOptions options,
                                   PortWaitBound portWaitBound)
    : controls_(controls), options_(std::move(options)), portWaitBound_(portWaitBound) {}

void ClockDialogLogic::OnInitDialog() {
    FillDialogLists(controls_);
}

bool ClockDialogLogic::OnSearchClicked() {
    return PrepareSearch(controls_);
}

QueryOutcome ClockDialogLogic::OnClockSelected() {
    const std::optional<Ipv4Address> clock = SelectedClockAddress(controls_);
    ClearClockInformation(controls_);
    // Whatever the window knew of a clock is no longer on show.
    known_.reset();
    if (!clock) return {};
    const QueryOutcome outcome =
        QueryClock(*clock, buffer_, OnWindowThread(), [this, &clock](const ClockDatagram& reply) {
            known_ = KnownClock{*clock, DecodeStatus(reply)};
            ShowReply(controls_, known_->status);
        });
    if (outcome.checksumError) controls_.ShowAppMessage(msg::kChecksumError);
    return outcome;
}

bool ClockDialogLogic::OnModify() {
    if (!BuildWriteSettings()) return false;
    return SendToSelectedClock();
}

// The address checks come before the buffer is touched; the later ones after it was cleared, so
// a refused press never leaves an earlier request ready to go.
bool ClockDialogLogic::BuildWriteSettings() {
    const SettingsForm form = ReadSettingsForm(controls_);
    const auto refuse = [this](const Refusal& refusal) {
        ShowRefusal(controls_, refusal);
        return false;
    };
    if (const auto refusal = ValidateAddresses(form)) return refuse(*refusal);
    buffer_.Clear();
    if (const auto refusal = FirstRefusal(form)) return refuse(*refusal);
    // The checks above refuse every form TakeSettingCodes cannot take; should one ever slip past
    // them, nothing is built rather than a request from an empty value.
    const std::optional<ClockSettings> settings = TakeSettingCodes(form);
    if (!settings) return false;
    buffer_ = BuildWriteRequest(*settings);
    return true;
}

std::string NotRecordedText(std::string_view reason) {
    return "Sent, but not recorded in the journal: " + std::string(reason);
}

std::string NotSentText(std::string_view reason) {
    return "Not sent, but its record stays in the journal: " + std::string(reason);
}

bool ClockDialogLogic::SendToSelectedClock() {
    const std::optional<Ipv4Address> clock = SelectedClockAddress(controls_);
    if (!clock) return false;
    // The window's write goes out as it always did, whatever becomes of its record.
    std::optional<std::string> failure;
    bool recorded = false;
    const bool sent = SendWrite(*clock, buffer_, OnWindowThread(), [&] {
        if (recorder_) {
            failure = recorder_->Record(
                *clock, known_ && known_->address == *clock ? &known_->status : nullptr, buffer_);
            recorded = !failure;
        }
        return true;
    });
    if (!sent) {
        // A record of a write that never left would be undone by restore: it goes with the write.
        if (recorded) {
            if (const auto kept = recorder_->Unsent()) controls_.SetText(ctl::StatusLine, NotSentText(*kept));
        }
        return false;
    }
    if (recorder_) ShowRecorded(failure);
    KnowWritten(*clock);
    return true;
}

// A note of a failed record stays until a later write is recorded, then the status line shows
// again what it showed before the note.
void ClockDialogLogic::ShowRecorded(const std::optional<std::string>& failure) {
    const bool noteShown = notRecorded_ && controls_.GetText(ctl::StatusLine) == *notRecorded_;
    if (failure) {
        if (!noteShown) statusBeforeNote_ = controls_.GetText(ctl::StatusLine);
        notRecorded_ = NotRecordedText(*failure);
        controls_.SetText(ctl::StatusLine, *notRecorded_);
        return;
    }
    if (noteShown) controls_.SetText(ctl::StatusLine, statusBeforeNote_);
    notRecorded_.reset();
}

// The window does not read a clock back after a write; the clock holds what it was sent, as far as
// the window knows, so a second Modify's "before" is the first one's write, never the older reply.
void ClockDialogLogic::KnowWritten(Ipv4Address clock) {
    const ClockSettings written = DecodeStatus(buffer_).settings;
    if (known_ && known_->address == clock)
        known_->status.settings = written;
    else
        known_ = KnownClock{clock, ClockStatus{written, {}, {}, {}, {}}};
}

// The window's own display comes first, then whatever the options' owner wants told (the command
// line leaves by an exception when it gives up).
ExchangeOptions ClockDialogLogic::OnWindowThread() {
    ExchangeOptions options = options_;
    const PortWait& own = options_.lockWait;
    const auto limit =
        portWaitBound_ == PortWaitBound::Window ? std::min(own.limit, kWindowPortWait) : own.limit;
    PortWait shown = PortWaitOnWindow(controls_, options_.port, limit);
    shown.stop = own.stop;
    options.lockWait = shown;
    options.lockWait.onWaiting = [shown, own](const PortHolder& holder) {
        shown.onWaiting(holder);
        if (own.onWaiting) own.onWaiting(holder);
    };
    options.lockWait.onRefused = [shown, own](const std::string& problem) {
        if (own.onRefused) own.onRefused(problem);
        shown.onRefused(problem);
    };
    options.lockWait.onGaveUp = [shown, own](const PortHolder& holder) {
        if (own.onGaveUp) own.onGaveUp(holder);
        shown.onGaveUp(holder);
    };
    options.lockWait.onWaitEnded = [shown, own] {
        shown.onWaitEnded();
        if (own.onWaitEnded) own.onWaitEnded();
    };
    return options;
}

bool ClockDialogLogic::OnEnter(int focusedId) {
    return focusedId == ctl::SearchAddress && OnSearchClicked();
}

void ClockDialogLogic::OnDynamicIp() {
    horavane::OnDynamicIp(controls_);
}

void ClockDialogLogic::OnStaticIp() {
    horavane::OnStaticIp(controls_);
}

}  // namespace horavane
