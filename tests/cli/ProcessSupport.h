#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace horavane::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when the program had to be killed or did not start
    std::string out;
    std::string err;
    std::chrono::milliseconds elapsed{0};
};

// Runs a program to its end with stdin from /dev/null and no controlling terminal, so that a
// password prompt cannot wait for a person. Killed after `limit`.
ProcessResult RunProgram(const std::vector<std::string>& argv,
                         std::chrono::seconds limit = std::chrono::seconds(60));

// A horavane-sim child on a free port that ends by itself after a minute; stopped by the destructor.
class SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& extraArgs = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    [[nodiscard]] std::uint16_t port() const { return port_; }
    [[nodiscard]] bool started() const { return port_ != 0; }
    [[nodiscard]] std::string Banner() const;

  private:
    int pid_ = -1;
    std::uint16_t port_ = 0;
    std::string outPath_;
    std::string errPath_;
};

// horavanectl against `sim`, with the tests' short waits and a loopback workstation address.
ProcessResult RunCtl(const SimProcess& sim, std::vector<std::string> args);
// horavanectl with exactly the given arguments.
ProcessResult RunCtlPlain(std::vector<std::string> args);

// A file in a fresh temporary folder that is removed with the object.
class TempFile {
  public:
    explicit TempFile(const std::string& content = "", const std::string& name = "file");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    [[nodiscard]] const std::string& path() const { return path_; }

  private:
    std::string dir_;
    std::string path_;
};

}  // namespace horavane::test
