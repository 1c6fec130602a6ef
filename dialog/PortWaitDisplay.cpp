#include "dialog/PortWaitDisplay.h"

#include <memory>

#include "dialog/ControlIds.h"
#include "dialog/SearchWorker.h"

namespace horavane {

std::string WaitingForPortText(const PortHolder& holder) {
    return "Waiting for the clock port: held by " + holder.Describe();
}

std::string PortHeldText(std::uint16_t port, const PortHolder& holder) {
    return "The clock port " + std::to_string(port) + " is held by " + holder.Describe() +
           ". Nothing was sent: try again when it is free.";
}

std::string PortUnguardedText(std::uint16_t port, std::string_view problem) {
    return "The clock port " + std::to_string(port) + " cannot be guarded: " + std::string(problem) +
           ". Nothing was sent.";
}

PortWait PortWaitOnWindow(DialogControls& controls, std::uint16_t port, std::chrono::milliseconds limit) {
    PortWait wait;
    wait.limit = limit;
    auto before = std::make_shared<std::string>();
    wait.onWaiting = [&controls, before](const PortHolder& holder) {
        *before = controls.GetText(ctl::StatusLine);
        controls.SetText(ctl::StatusLine, WaitingForPortText(holder));
        controls.PaintNow(ctl::StatusLine);
    };
    wait.onGaveUp = [&controls, port](const PortHolder& holder) {
        controls.ShowAppMessage(PortHeldText(port, holder));
    };
    wait.onWaitEnded = [&controls, before] { controls.SetText(ctl::StatusLine, *before); };
    wait.onRefused = [&controls, port](const std::string& problem) {
        controls.ShowAppMessage(PortUnguardedText(port, problem));
    };
    return wait;
}

PortWait PortWaitOnWorker(SearchView& view, std::uint16_t port, const PortWait& own, std::stop_token stop) {
    PortWait wait;
    wait.limit = own.limit;
    wait.stop = stop;
    // A closing window is touched no more.
    wait.onWaiting = [&view, stop, own](const PortHolder& holder) {
        if (!stop.stop_requested()) view.SetStatusText(WaitingForPortText(holder));
        if (own.onWaiting) own.onWaiting(holder);
    };
    wait.onGaveUp = [&view, stop, port, own](const PortHolder& holder) {
        if (!stop.stop_requested()) view.SetStatusText(PortHeldText(port, holder));
        if (own.onGaveUp) own.onGaveUp(holder);
    };
    wait.onWaitEnded = own.onWaitEnded;
    wait.onRefused = [&view, stop, port, own](const std::string& problem) {
        if (!stop.stop_requested()) view.SetStatusText(PortUnguardedText(port, problem));
        if (own.onRefused) own.onRefused(problem);
    };
    return wait;
}

}  // namespace horavane
