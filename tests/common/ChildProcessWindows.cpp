// The Windows side of ChildProcess: CreateProcess with pipes instead of fork and exec.

#include <algorithm>
#include <array>
#include <mutex>
#include <string>

#include "platform/Windows.h"
#include "tests/common/ChildProcess.h"

namespace horavane::test {
namespace {

using Clock = std::chrono::steady_clock;

// One command line from separate arguments, quoted so that the C runtime's parser gives them back
// unchanged: backslashes count only in front of a quote.
std::wstring CommandLine(const std::vector<std::string>& argv) {
    std::wstring line;
    for (const std::string& arg : argv) {
        if (!line.empty()) line += L' ';
        line += L'"';
        std::size_t backslashes = 0;
        for (const char c : arg) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            line.append(c == '"' ? 2 * backslashes + 1 : backslashes, L'\\');
            backslashes = 0;
            line += static_cast<wchar_t>(static_cast<unsigned char>(c));
        }
        line.append(2 * backslashes, L'\\');
        line += L'"';
    }
    return line;
}

HANDLE AsHandle(void* handle) {
    return static_cast<HANDLE>(handle);
}

// Handles are inherited by every child created while they are inheritable: one child at a time,
// so that no child holds another's pipe open (the close-on-exec of the POSIX side).
std::mutex g_startLock;

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv) {
    if (argv.empty()) return;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const std::lock_guard lock(g_startLock);
    HANDLE outRead = nullptr;
    HANDLE outWrite = nullptr;
    HANDLE errRead = nullptr;
    HANDLE errWrite = nullptr;
    const HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                  OPEN_EXISTING, 0, nullptr);
    const bool piped = in != INVALID_HANDLE_VALUE && CreatePipe(&outRead, &outWrite, &inheritable, 0) &&
                       CreatePipe(&errRead, &errWrite, &inheritable, 0) &&
                       SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0) &&
                       SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION info{};
    std::wstring line = CommandLine(argv);
    // No console: a password prompt finds no terminal to wait on, as under setsid on POSIX.
    const bool started = piped && CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                                 DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr,
                                                 nullptr, &startup, &info);
    for (const HANDLE handle : {in, outWrite, errWrite})
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    if (!started) {
        if (outRead != nullptr) CloseHandle(outRead);
        if (errRead != nullptr) CloseHandle(errRead);
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    out_ = outRead;
    err_ = errRead;
    outOpen_ = errOpen_ = true;
}

ChildProcess::~ChildProcess() {
    if (process_ != nullptr) {
        if (!ended_) {
            TerminateProcess(AsHandle(process_), 1);
            WaitForSingleObject(AsHandle(process_), INFINITE);
        }
        CloseHandle(AsHandle(process_));
    }
    if (out_ != nullptr) CloseHandle(AsHandle(out_));
    if (err_ != nullptr) CloseHandle(AsHandle(err_));
}

// Anonymous pipes cannot be polled: look at what each holds and read only that, so that no read
// blocks, and try again every few milliseconds until the first bytes or the limit.
void ChildProcess::Drain(Ms limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        bool got = false;
        for (int i = 0; i < 2; ++i) {
            bool& open = i == 0 ? outOpen_ : errOpen_;
            if (!open) continue;
            DWORD available = 0;
            if (!PeekNamedPipe(AsHandle(i == 0 ? out_ : err_), nullptr, 0, nullptr, &available, nullptr)) {
                open = false;  // the program has closed its end
                continue;
            }
            while (available > 0) {
                std::array<char, 4096> buffer{};
                DWORD read = 0;
                const DWORD wanted = std::min<DWORD>(available, static_cast<DWORD>(buffer.size()));
                if (!ReadFile(AsHandle(i == 0 ? out_ : err_), buffer.data(), wanted, &read, nullptr) ||
                    read == 0) {
                    open = false;
                    break;
                }
                (i == 0 ? outText_ : errText_).append(buffer.data(), read);
                available -= read;
                got = true;
            }
        }
        if (got || (!outOpen_ && !errOpen_) || Clock::now() >= deadline) return;
        Sleep(2);
    }
}

std::optional<int> ChildProcess::Wait(Ms limit) {
    const auto deadline = Clock::now() + limit;
    while (process_ != nullptr && !ended_) {
        if (WaitForSingleObject(AsHandle(process_), 5) == WAIT_OBJECT_0) {
            ended_ = true;
            // What the program wrote last is in the pipes until they report their end.
            const auto drainEnd = Clock::now() + Ms(100);
            while ((outOpen_ || errOpen_) && Clock::now() < drainEnd) Drain(Ms(5));
            DWORD status = 0;
            if (!GetExitCodeProcess(AsHandle(process_), &status)) return std::nullopt;
            return static_cast<int>(status);
        }
        if (Clock::now() > deadline) return std::nullopt;
        Drain(Ms(0));
    }
    return std::nullopt;
}

// Windows has no signals to send to another program: every signal ends it, with status 1.
void ChildProcess::Signal(int /*signal*/) const {
    if (process_ != nullptr && !ended_) TerminateProcess(AsHandle(process_), 1);
}

}  // namespace horavane::test
