#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace horavane::test {

// A program started by a test, with its stdout and stderr captured. Killed on destruction if it
// is still running, so no test leaves a process behind.
class ChildProcess {
  public:
    explicit ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The first line the program writes to stdout, within `limit`.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit);
    // The exit status once the program has ended within `limit`; nullopt when it is still running
    // or was ended by a signal.
    std::optional<int> Wait(std::chrono::milliseconds limit);
    void Signal(int signal) const;
    // What the program wrote to stderr; call after Wait.
    std::string Stderr();

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    int stderr_ = -1;
    bool ended_ = false;
    std::string pending_;
};

}  // namespace horavane::test
