#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace horavane {

// Who holds a clock port's lock, as far as the system can tell: a program of another user, or one
// caught between taking the lock and naming itself, stays unnamed.
struct PortHolder {
    std::string program;          // empty when unknown
    std::uint32_t processId = 0;  // 0 when unknown

    // "horavanectl (pid 1234)", or "another program" when nothing is known.
    [[nodiscard]] std::string Describe() const;
};

// How long a program waits for a held clock port, and what it is told meanwhile. Both calls come on
// the waiting thread.
struct PortWait {
    std::chrono::milliseconds limit{30000};
    std::stop_token stop;  // a requested stop ends the wait at once, as if the limit had run out
    // Once, when the port is found held and the wait begins.
    std::function<void(const PortHolder&)> onWaiting;
    // When the limit ran out (not on a stop): who held the port then. Everything of the attempt is
    // let go before, so that the caller may leave by an exception.
    std::function<void(const PortHolder&)> onGaveUp;
    // Once, after onWaiting (and onGaveUp), when the wait ends: with the lock taken or not.
    std::function<void()> onWaitEnded;
    // When the lock cannot be had safely (a planted file or link, another user's file, a place
    // where none can be made): what is wrong and where. The program must then not go ahead
    // unguarded; as with onGaveUp, everything is let go before. Without it, onGaveUp is told.
    std::function<void(const std::string& problem)> onRefused;
};

// The lock itself, held for as long as the object lives. It is released by the thread that took it
// (the Windows mutex belongs to a thread), which every exchange does: it opens and closes its port in
// one call.
class PortLock {
  public:
    PortLock() = default;
    PortLock(PortLock&& other) noexcept;
    PortLock& operator=(PortLock&& other) noexcept;
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;
    ~PortLock();

    // false only for a lock moved from: a taken lock always guards the port.
    [[nodiscard]] bool Guards() const;

  private:
    friend struct PortLockAccess;
    void Release();
    std::intptr_t primary_ = -1;    // the lock file (POSIX), the mutex (Windows)
    std::intptr_t secondary_ = -1;  // the holder's shared record (Windows)
    void* view_ = nullptr;          // its mapped view (Windows)
};

struct PortLockAttempt {
    std::optional<PortLock> lock;  // set when taken
    PortHolder holder;             // who held the port when it was not taken (read at the end)
    bool stopped = false;          // the wait ended by a stop request
    bool waited = false;           // the port was found held at first
    std::string refusal;           // set when the lock could not be had safely: what and where
};

// Where the locks may be kept. On POSIX, folders: the first that exists is the place, the same for
// every user whatever their environment (/run/lock, else /tmp), and a problem there is never taken
// as a reason to go elsewhere. On Windows, the kernel's global namespace alone: a lock in a
// session's own would not keep out the programs of other sessions.
[[nodiscard]] std::vector<std::string> SystemPortLockPlaces();

// The holder's record as a lock file holds it: "PID PROGRAM\n". Anyone may write the file, so only
// a decimal process id from 1 to 4294967295 and a program name of printable ASCII, at most 127
// bytes, are taken; nullopt for anything else (then the holder stays unnamed).
[[nodiscard]] std::optional<PortHolder> ParsePortHolderText(std::string_view text);

// Takes the workstation-wide lock of one clock-port number, waiting for it as `wait` says. Every
// user of the machine takes the same lock; programs on other port numbers never wait for each other.
// On POSIX the lock file must be a regular file with one name, of root or of the user, mode 0666,
// in a folder of root or the user that others may write to only when it is sticky: anything else
// could be removed or swapped by another user to split the lock, so it is refused (`refusal`,
// onRefused), never passed by.
[[nodiscard]] PortLockAttempt TakePortLock(std::uint16_t port, const PortWait& wait,
                                           const std::vector<std::string>& places = SystemPortLockPlaces());

// Who holds the lock of `port` now; nullopt when nobody does (or no lock can be found).
[[nodiscard]] std::optional<PortHolder> PortLockHolder(
    std::uint16_t port, const std::vector<std::string>& places = SystemPortLockPlaces());

}  // namespace horavane
