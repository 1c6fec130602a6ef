#pragma once

#ifndef _WIN32
#include <sys/types.h>
#endif

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace horavane::test {

using Ms = std::chrono::milliseconds;

// A program started by a test in a session of its own, with stdin from /dev/null so that a
// password prompt cannot wait for a person, and stdout and stderr captured. Killed on destruction
// if it is still running, so no test leaves a process behind. On Windows the program gets no
// console at all, stdin is NUL, and every signal ends it at once.
class ChildProcess {
  public:
    explicit ChildProcess(std::vector<std::string> argv);  // argv[0]: the program's path
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line the program writes to stdout, within `limit`, without its line end (\n or \r\n).
    std::optional<std::string> ReadLine(Ms limit);
    // The exit status once the program has ended within `limit`; nullopt when it is still running
    // or was ended by a signal.
    std::optional<int> Wait(Ms limit);
    void Signal(int signal) const;
    // Everything written so far and not yet read as a line.
    std::string Stdout();
    std::string Stderr();

  private:
    // Moves what the pipes hold into the buffers, waiting up to `limit` for the first bytes, so
    // that a chatty program never blocks on a full pipe while a test waits for its end.
    void Drain(Ms limit);

#ifdef _WIN32
    void* process_ = nullptr;  // HANDLEs
    void* out_ = nullptr;
    void* err_ = nullptr;
#else
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
#endif
    bool outOpen_ = false;
    bool errOpen_ = false;
    bool ended_ = false;
    std::string outText_;
    std::string errText_;
};

struct ProcessResult {
    int exitCode = -1;  // -1 when the program had to be killed or did not start
    std::string out;
    std::string err;
    Ms elapsed{0};
};

// Runs a program to its end; killed after `limit`.
ProcessResult RunProgram(std::vector<std::string> argv, Ms limit = Ms(60'000));

// A horavane-sim on a free port, ended by SIGTERM with the object; ends by itself after a minute
// unless told otherwise, should the test itself be killed.
class SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& extraArgs = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    [[nodiscard]] std::uint16_t port() const { return port_; }
    [[nodiscard]] bool started() const { return port_ != 0; }
    // The banner line, or what the program said instead of it.
    [[nodiscard]] const std::string& Banner() const { return banner_; }

  private:
    ChildProcess process_;
    std::uint16_t port_ = 0;
    std::string banner_;
};

}  // namespace horavane::test
