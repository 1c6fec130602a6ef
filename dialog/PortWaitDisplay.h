#pragma once

#include <chrono>
#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>

#include "dialog/DialogControls.h"
#include "platform/PortLock.h"

namespace horavane {

class SearchView;

// How long a query or a Modify waits for a clock port another program holds: the window's thread
// waits, so only a few seconds, and then says so and sends nothing.
inline constexpr std::chrono::milliseconds kWindowPortWait{5000};

// "Waiting for the clock port: held by horavanectl (pid 1234)"
[[nodiscard]] std::string WaitingForPortText(const PortHolder& holder);
// "The clock port 6869 is held by horavanectl (pid 1234). Nothing was sent: try again when it is free."
[[nodiscard]] std::string PortHeldText(std::uint16_t port, const PortHolder& holder);
// The message when the port's lock cannot be had safely (a planted lock file): what and where.
[[nodiscard]] std::string PortUnguardedText(std::uint16_t port, std::string_view problem);

// A wait on the window's own thread: the status line says what it waits for (painted at once, the
// thread being blocked) and gets its text back afterwards; a wait that runs out ends in a message box.
[[nodiscard]] PortWait PortWaitOnWindow(DialogControls& controls, std::uint16_t port,
                                        std::chrono::milliseconds limit);

// A wait on the search's worker, as long as `own` says: told through the view, ended by the stop of
// a closing window, and when it runs out the status line says so. `own`'s callbacks are told after
// the view (the command line leaves by an exception when it gives up).
[[nodiscard]] PortWait PortWaitOnWorker(SearchView& view, std::uint16_t port, const PortWait& own,
                                        std::stop_token stop);

}  // namespace horavane
