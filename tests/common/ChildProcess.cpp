#include "tests/common/ChildProcess.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <csignal>
#include <regex>
#include <utility>

namespace horavane::test {
namespace {

using Clock = std::chrono::steady_clock;

// Windows programs end their lines with \r\n; the tests compare lines, whichever system wrote them.
std::string WithoutCarriageReturns(std::string text) {
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
    return text;
}

}  // namespace

// Starting, reading, waiting and signalling on Windows are in ChildProcessWindows.cpp.
#ifndef _WIN32
namespace {

// Only async-signal-safe calls between fork and exec: other threads of the test may hold locks.
[[noreturn]] void ExecChild(char* const* argv, const int out[2], const int err[2]) {
    ::setsid();
    const int in = ::open("/dev/null", O_RDONLY);
    if (in < 0) ::_exit(127);
    ::dup2(in, STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    ::close(out[0]);
    ::close(err[0]);
    ::execv(argv[0], argv);
    ::_exit(127);
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv) {
    int out[2];
    int err[2];
    // Close-on-exec, so that one child never holds another's pipes open; dup2 clears it on 1 and 2.
    if (argv.empty() || ::pipe2(out, O_CLOEXEC) != 0) return;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    std::vector<char*> args;
    for (auto& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) ExecChild(args.data(), out, err);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
    outOpen_ = errOpen_ = pid_ > 0;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !ended_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
}

void ChildProcess::Drain(Ms limit) {
    int timeout = static_cast<int>(limit.count());
    while (outOpen_ || errOpen_) {
        // A negative descriptor is one that poll skips: that pipe is at its end.
        std::array<pollfd, 2> fds{pollfd{outOpen_ ? out_ : -1, POLLIN, 0},
                                  pollfd{errOpen_ ? err_ : -1, POLLIN, 0}};
        if (::poll(fds.data(), fds.size(), timeout) <= 0) return;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
            std::array<char, 4096> buffer{};
            const auto n = ::read(fds[i].fd, buffer.data(), buffer.size());
            if (n > 0)
                (i == 0 ? outText_ : errText_).append(buffer.data(), static_cast<std::size_t>(n));
            else
                (i == 0 ? outOpen_ : errOpen_) = false;
        }
        timeout = 0;
    }
}

std::optional<int> ChildProcess::Wait(Ms limit) {
    const auto deadline = Clock::now() + limit;
    while (pid_ > 0 && !ended_) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            ended_ = true;
            Drain(Ms(100));
            if (WIFEXITED(status)) return WEXITSTATUS(status);
            return std::nullopt;
        }
        if (Clock::now() > deadline) return std::nullopt;
        Drain(Ms(5));
    }
    return std::nullopt;
}

void ChildProcess::Signal(int signal) const {
    if (pid_ > 0 && !ended_) ::kill(pid_, signal);
}
#endif

std::optional<std::string> ChildProcess::ReadLine(Ms limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (const auto end = outText_.find('\n'); end != std::string::npos) {
            std::string line = outText_.substr(0, end);
            outText_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        const auto left = std::chrono::duration_cast<Ms>(deadline - Clock::now());
        if (left.count() <= 0 || !outOpen_) return std::nullopt;
        Drain(std::min(left, Ms(20)));
    }
}

std::string ChildProcess::Stdout() {
    Drain(Ms(0));
    return WithoutCarriageReturns(std::exchange(outText_, {}));
}

std::string ChildProcess::Stderr() {
    Drain(Ms(0));
    return WithoutCarriageReturns(std::exchange(errText_, {}));
}

ProcessResult RunProgram(std::vector<std::string> argv, Ms limit) {
    ProcessResult result;
    const auto start = Clock::now();
    ChildProcess child(std::move(argv));
    result.exitCode = child.Wait(limit).value_or(-1);
    result.elapsed = std::chrono::duration_cast<Ms>(Clock::now() - start);
    result.out = child.Stdout();
    result.err = child.Stderr();
    return result;
}

namespace {

std::vector<std::string> SimArguments(const std::vector<std::string>& extraArgs) {
    std::vector<std::string> argv = {HORAVANE_SIM_PATH, "--port", "0"};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    if (std::find(extraArgs.begin(), extraArgs.end(), "--exit-after") == extraArgs.end())
        argv.insert(argv.end(), {"--exit-after", "60"});
    return argv;
}

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& extraArgs) : process_(SimArguments(extraArgs)) {
    // "horavane-sim: N clocks on A-B port P"; a sanitizer build can take a while to come up.
    banner_ = process_.ReadLine(Ms(5000)).value_or(process_.Stderr());
    std::smatch match;
    if (std::regex_search(banner_, match, std::regex(R"(port (\d+)$)")))
        port_ = static_cast<std::uint16_t>(std::stoi(match[1].str()));
}

SimProcess::~SimProcess() {
    process_.Signal(SIGTERM);
    (void)process_.Wait(Ms(3000));
}

}  // namespace horavane::test
