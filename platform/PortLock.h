#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
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

    // false for the empty lock handed out when the system has no place for one: the exchange then
    // goes ahead unguarded, as it did before there was a lock.
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
};

// Where the locks are kept, tried in order: folders on POSIX (/run/lock, then the temporary
// folder), kernel namespaces on Windows (Global\, then Local\ where the global one is refused).
[[nodiscard]] std::vector<std::string> SystemPortLockPlaces();

// Takes the workstation-wide lock of one clock-port number, waiting for it as `wait` says. Every
// user of the machine takes the same lock; programs on other port numbers never wait for each other.
[[nodiscard]] PortLockAttempt TakePortLock(std::uint16_t port, const PortWait& wait,
                                           const std::vector<std::string>& places = SystemPortLockPlaces());

// Who holds the lock of `port` now; nullopt when nobody does (or no lock can be found).
[[nodiscard]] std::optional<PortHolder> PortLockHolder(
    std::uint16_t port, const std::vector<std::string>& places = SystemPortLockPlaces());

}  // namespace horavane
