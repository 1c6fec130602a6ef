#include "platform/PortLock.h"

#include <algorithm>
#include <thread>
#include <utility>

#ifdef _WIN32
#include "platform/Windows.h"
// After windows.h, which it needs.
#include <sddl.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace horavane {

using Clock = std::chrono::steady_clock;

// How often a waiter looks again: short enough that a freed port is taken within a blink, long
// enough that eight waiting programs cost nothing.
constexpr std::chrono::milliseconds kLookAgain{10};

std::string PortHolder::Describe() const {
    if (program.empty() && processId == 0) return "another program";
    std::string text = program.empty() ? "a program" : program;
    if (processId != 0) text += " (pid " + std::to_string(processId) + ")";
    return text;
}

struct PortLockAccess {
    static PortLock Make(std::intptr_t primary, std::intptr_t secondary, void* view) {
        PortLock lock;
        lock.primary_ = primary;
        lock.secondary_ = secondary;
        lock.view_ = view;
        return lock;
    }
};

PortLock::PortLock(PortLock&& other) noexcept
    : primary_(std::exchange(other.primary_, -1)),
      secondary_(std::exchange(other.secondary_, -1)),
      view_(std::exchange(other.view_, nullptr)) {}

PortLock& PortLock::operator=(PortLock&& other) noexcept {
    if (this != &other) {
        Release();
        primary_ = std::exchange(other.primary_, -1);
        secondary_ = std::exchange(other.secondary_, -1);
        view_ = std::exchange(other.view_, nullptr);
    }
    return *this;
}

PortLock::~PortLock() {
    Release();
}

bool PortLock::Guards() const {
    return primary_ != -1;
}

namespace {

// The wait common to both systems: `tryTake` looks once and says whether the lock is now ours.
template <typename TryTake, typename ReadHolder>
PortLockAttempt WaitFor(const PortWait& wait, TryTake tryTake, ReadHolder readHolder) {
    PortLockAttempt attempt;
    const auto deadline = Clock::now() + wait.limit;
    for (;;) {
        if (auto lock = tryTake()) {
            attempt.lock = std::move(*lock);
            return attempt;
        }
        if (!attempt.waited) {
            attempt.waited = true;
            if (wait.onWaiting) wait.onWaiting(readHolder());
        }
        const auto now = Clock::now();
        if (wait.stop.stop_requested() || now >= deadline) {
            attempt.stopped = wait.stop.stop_requested();
            attempt.holder = readHolder();
            return attempt;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(kLookAgain, deadline - now));
    }
}

// Told last, with everything of the attempt let go, so that the caller may leave by an exception.
PortLockAttempt Told(const PortWait& wait, PortLockAttempt attempt) {
    if (!attempt.lock && !attempt.stopped && wait.onGaveUp) wait.onGaveUp(attempt.holder);
    if (attempt.waited && wait.onWaitEnded) wait.onWaitEnded();
    return attempt;
}

// A lock that cannot be had safely is never passed by: going ahead unguarded, or taking another
// place's lock, would let another user split the programs' lock without anyone noticing.
PortLockAttempt Refused(const PortWait& wait, std::string problem) {
    PortLockAttempt attempt;
    attempt.refusal = std::move(problem);
    if (wait.onRefused)
        wait.onRefused(attempt.refusal);
    else if (wait.onGaveUp)
        wait.onGaveUp(attempt.holder);
    return attempt;
}

constexpr std::size_t kLongestProgramName = 127;

}  // namespace

std::optional<PortHolder> ParsePortHolderText(std::string_view text) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    const std::size_t space = text.find(' ');
    const std::string_view digits = text.substr(0, space);
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::uint64_t processId = 0;
    for (const char digit : digits) processId = processId * 10 + static_cast<std::uint64_t>(digit - '0');
    if (processId == 0 || processId > 0xFFFFFFFFu) return std::nullopt;
    const std::string_view program =
        space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    if (program.size() > kLongestProgramName) return std::nullopt;
    for (const char c : program)
        if (c < 0x20 || c > 0x7e) return std::nullopt;
    return PortHolder{std::string(program), static_cast<std::uint32_t>(processId)};
}

namespace {}  // namespace

#ifdef _WIN32

namespace {

// What a holder leaves for those who wait: its process id and its program's name.
struct HolderRecord {
    DWORD processId;
    wchar_t program[64];
};

// Every user of the machine, in every session, may wait for the lock, take it and read its record:
// without this a global object belongs to its creator and a second user could not even look.
class EveryoneMayUse {
  public:
    EveryoneMayUse() {
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;GA;;;WD)", SDDL_REVISION_1,
                                                                 &descriptor_, nullptr))
            attributes_.lpSecurityDescriptor = descriptor_;
    }
    ~EveryoneMayUse() {
        if (descriptor_ != nullptr) LocalFree(descriptor_);
    }
    EveryoneMayUse(const EveryoneMayUse&) = delete;
    EveryoneMayUse& operator=(const EveryoneMayUse&) = delete;
    SECURITY_ATTRIBUTES* get() { return &attributes_; }

  private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

std::wstring ObjectName(const std::string& place, std::uint16_t port, const wchar_t* what) {
    return std::wstring(place.begin(), place.end()) + L"HoravaneClockPort" + std::to_wstring(port) + what;
}

std::string Narrow(const wchar_t* text) {
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 1) return {};
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), needed, nullptr, nullptr);
    narrow.resize(static_cast<std::size_t>(needed - 1));
    return narrow;
}

std::wstring OwnProgramName() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    if (const auto slash = name.find_last_of(L"\\/"); slash != std::wstring::npos) name.erase(0, slash + 1);
    if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".exe") == 0)
        name.resize(name.size() - 4);
    return name;
}

HANDLE OpenMutexAt(const std::string& place, std::uint16_t port, bool create) {
    const std::wstring name = ObjectName(place, port, L"");
    if (!create) return OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
    EveryoneMayUse everyone;
    HANDLE mutex = CreateMutexW(everyone.get(), FALSE, name.c_str());
    // Made by another user before us without our rights to create, but ours to use.
    if (mutex == nullptr) mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
    return mutex;
}

std::optional<PortHolder> ReadRecord(const std::vector<std::string>& places, std::uint16_t port) {
    for (const std::string& place : places) {
        HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, ObjectName(place, port, L"Holder").c_str());
        if (mapping == nullptr) continue;
        std::optional<PortHolder> holder;
        if (const auto* record = static_cast<const HolderRecord*>(
                MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(HolderRecord)))) {
            HolderRecord copy = *record;
            copy.program[std::size(copy.program) - 1] = L'\0';
            // Any program of the session may write the record: it is taken as the lock file's text.
            if (copy.processId != 0)
                holder = ParsePortHolderText(std::to_string(copy.processId) + " " + Narrow(copy.program))
                             .value_or(PortHolder{});
            UnmapViewOfFile(record);
        }
        CloseHandle(mapping);
        if (holder) return holder;
    }
    return std::nullopt;
}

// Names this process as the holder, in the mutex's namespace where it may, else in the session's.
PortLock Publish(HANDLE mutex, const std::string& place, std::uint16_t port) {
    EveryoneMayUse everyone;
    HANDLE mapping = nullptr;
    for (const std::string& where : {place, std::string("Local\\")}) {
        mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, everyone.get(), PAGE_READWRITE, 0,
                                     sizeof(HolderRecord), ObjectName(where, port, L"Holder").c_str());
        if (mapping != nullptr) break;
    }
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(HolderRecord)) : nullptr;
    if (view != nullptr) {
        HolderRecord record{GetCurrentProcessId(), {}};
        const std::wstring name = OwnProgramName();
        name.copy(record.program, std::size(record.program) - 1);
        *static_cast<HolderRecord*>(view) = record;
    }
    return PortLockAccess::Make(reinterpret_cast<std::intptr_t>(mutex),
                                mapping ? reinterpret_cast<std::intptr_t>(mapping) : -1, view);
}

}  // namespace

void PortLock::Release() {
    if (view_ != nullptr) {
        // The record goes first, so that nobody is named who no longer holds the port.
        *static_cast<HolderRecord*>(view_) = HolderRecord{};
        UnmapViewOfFile(view_);
        view_ = nullptr;
    }
    if (secondary_ != -1) CloseHandle(reinterpret_cast<HANDLE>(std::exchange(secondary_, -1)));
    if (primary_ != -1) {
        const auto mutex = reinterpret_cast<HANDLE>(std::exchange(primary_, -1));
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
}

std::vector<std::string> SystemPortLockPlaces() {
    return {"Global\\"};
}

PortLockAttempt TakePortLock(std::uint16_t port, const PortWait& wait,
                             const std::vector<std::string>& places) {
    // One place only: a mutex of the session's own namespace would not keep out the other sessions'
    // programs, so a global one that cannot be had (another user made it without our rights) is
    // refused rather than passed by.
    const std::string place = places.empty() ? std::string() : places.front();
    HANDLE mutex = place.empty() ? nullptr : OpenMutexAt(place, port, true);
    if (mutex == nullptr) {
        const DWORD code = GetLastError();
        return Refused(wait, "the clock port's lock " + Narrow(ObjectName(place, port, L"").c_str()) +
                                 " cannot be had (error " + std::to_string(code) +
                                 "): another user may have made it without rights for others");
    }
    auto attempt = WaitFor(
        wait,
        [&]() -> std::optional<PortLock> {
            // An abandoned mutex is ours as well: its holder ended without letting go.
            const DWORD result = WaitForSingleObject(mutex, 0);
            if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return std::nullopt;
            return Publish(mutex, place, port);
        },
        [&] { return ReadRecord(places, port).value_or(PortHolder{}); });
    if (!attempt.lock) CloseHandle(mutex);
    return Told(wait, std::move(attempt));
}

std::optional<PortHolder> PortLockHolder(std::uint16_t port, const std::vector<std::string>& places) {
    for (const std::string& place : places) {
        HANDLE mutex = OpenMutexAt(place, port, false);
        if (mutex == nullptr) continue;
        const DWORD result = WaitForSingleObject(mutex, 0);
        const bool held = result != WAIT_OBJECT_0 && result != WAIT_ABANDONED;
        if (!held) ReleaseMutex(mutex);
        CloseHandle(mutex);
        if (held) return ReadRecord(places, port).value_or(PortHolder{});
    }
    return std::nullopt;
}

#else

namespace {

std::string LockPath(const std::string& folder, std::uint16_t port) {
    return folder + "/horavane-clock-port-" + std::to_string(port) + ".lock";
}

std::string LockModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

bool OwnedByRootOrUs(uid_t owner) {
    return owner == 0 || owner == ::geteuid();
}

// The first of the places that exists; a problem with it is reported, never passed by for the next.
// Whoever else may write to the folder could remove the file and make a second one, unless the
// folder is sticky, where only the file's owner (root, or us) may.
std::optional<std::string> LockFolder(const std::vector<std::string>& places, std::string& problem) {
    for (const std::string& folder : places) {
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0) {
            if (errno == ENOENT) continue;
            problem = "the lock folder " + folder + " cannot be looked at: " + std::strerror(errno);
        } else if (!S_ISDIR(info.st_mode)) {
            problem = "the lock folder " + folder + " is not a folder";
        } else if (!OwnedByRootOrUs(info.st_uid)) {
            problem = "the lock folder " + folder + " belongs to another user (uid " +
                      std::to_string(info.st_uid) + "), who could replace the lock";
        } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (info.st_mode & S_ISVTX) == 0) {
            problem = "the lock folder " + folder + " may be written by others and is not sticky (mode " +
                      LockModeText(info.st_mode) + "), so anyone could replace the lock";
        } else {
            return folder;
        }
        return std::nullopt;
    }
    problem = "no folder for the clock port's lock: none of /run/lock and /tmp exists";
    return std::nullopt;
}

// The one lock file every user shares, or the reason it cannot be trusted. Made readable and
// writable by everyone whatever the umask. In a sticky folder an existing file of another user must
// not be opened with O_CREAT (protected_regular refuses it), so it is opened plainly first.
int OpenLockFile(const std::string& folder, std::uint16_t port, std::string& problem) {
    const std::string path = LockPath(folder, port);
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    int fd = -1;
    for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
        fd = ::open(path.c_str(), O_RDWR | kFlags);
        // Read-only still locks; the mode check below says what is wrong with the file.
        if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | kFlags);
        if (fd >= 0 || errno != ENOENT) break;
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | kFlags, 0666);
        if (fd >= 0 && ::fchmod(fd, 0666) != 0) {
            problem = "cannot make the lock file " + path + " usable by every user: " + std::strerror(errno);
            ::close(fd);
            return -1;
        }
        if (fd < 0 && errno != EEXIST) break;  // made by another program in between: open that one
    }
    if (fd < 0) {
        problem = errno == ELOOP
                      ? "the lock file " + path + " is a link, which a lock file never is: remove it"
                      : "the lock file " + path + " cannot be opened: " + std::strerror(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        problem = "the lock file " + path + " cannot be looked at: " + std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        problem = "the lock file " + path + " is not a regular file: remove it";
    else if (!OwnedByRootOrUs(info.st_uid))
        problem = "the lock file " + path + " belongs to another user (uid " + std::to_string(info.st_uid) +
                  "), who could remove it and split the lock (root can make it for every user: "
                  "install -m 0666 /dev/null " +
                  path + ")";
    else if ((info.st_mode & 07777) != 0666)
        problem = "the lock file " + path + " has mode " + LockModeText(info.st_mode) +
                  " instead of 0666: remove it";
    else if (info.st_nlink != 1)
        problem = "the lock file " + path + " has another name besides (" + std::to_string(info.st_nlink) +
                  " links): remove it";
    else
        return fd;
    ::close(fd);
    return -1;
}

PortHolder ReadRecord(int fd) {
    char text[160] = {};
    const ssize_t length = ::pread(fd, text, sizeof text - 1, 0);
    if (length <= 0) return {};
    return ParsePortHolderText(std::string_view(text, static_cast<std::size_t>(length)))
        .value_or(PortHolder{});
}

void WriteRecord(int fd) {
    const std::string record =
        std::to_string(::getpid()) + " " + std::string(program_invocation_short_name) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, record.data(), record.size(), 0);
    }
}

}  // namespace

void PortLock::Release() {
    if (primary_ == -1) return;
    const int fd = static_cast<int>(std::exchange(primary_, -1));
    // The record goes first, so that nobody is named who no longer holds the port.
    [[maybe_unused]] const int emptied = ::ftruncate(fd, 0);
    ::close(fd);  // and with the last descriptor, the lock
}

// Not $TMPDIR: each user may set their own, which would give each their own lock.
std::vector<std::string> SystemPortLockPlaces() {
    return {"/run/lock", "/tmp"};
}

PortLockAttempt TakePortLock(std::uint16_t port, const PortWait& wait,
                             const std::vector<std::string>& places) {
    std::string problem;
    const std::optional<std::string> folder = LockFolder(places, problem);
    const int fd = folder ? OpenLockFile(*folder, port, problem) : -1;
    if (fd < 0) return Refused(wait, std::move(problem));
    auto attempt = WaitFor(
        wait,
        [&]() -> std::optional<PortLock> {
            while (::flock(fd, LOCK_EX | LOCK_NB) != 0)
                if (errno != EINTR) return std::nullopt;
            WriteRecord(fd);
            return PortLockAccess::Make(fd, -1, nullptr);
        },
        [&] { return ReadRecord(fd); });
    if (!attempt.lock) ::close(fd);
    return Told(wait, std::move(attempt));
}

// Only the file TakePortLock would take, judged as it judges it: a planted one names nobody.
std::optional<PortHolder> PortLockHolder(std::uint16_t port, const std::vector<std::string>& places) {
    std::string problem;
    const std::optional<std::string> folder = LockFolder(places, problem);
    if (!folder) return std::nullopt;
    const int fd = ::open(LockPath(*folder, port).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    std::optional<PortHolder> holder;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && OwnedByRootOrUs(info.st_uid) &&
        ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        holder = ReadRecord(fd);
    ::close(fd);
    return holder;
}

#endif

}  // namespace horavane
