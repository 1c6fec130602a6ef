#include "ProcessSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace horavane::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string MakeTempDir() {
    std::string pattern = (fs::temp_directory_path() / "horavanectl-test-XXXXXX").string();
    const char* dir = ::mkdtemp(pattern.data());
    return dir ? std::string(dir) : std::string();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Child side: own session (no controlling terminal), stdin from /dev/null, output to files.
[[noreturn]] void ExecChild(const std::vector<std::string>& argv, const std::string& outPath,
                            const std::string& errPath) {
    ::setsid();
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

int Spawn(const std::vector<std::string>& argv, const std::string& outPath, const std::string& errPath) {
    const pid_t pid = ::fork();
    if (pid == 0) ExecChild(argv, outPath, errPath);
    return pid;
}

// Waits for the child until `deadline`; kills it when it is not done by then. -1 when killed.
int WaitForExit(int pid, Clock::time_point deadline) {
    int status = 0;
    while (true) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0) return -1;
        if (Clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

ProcessResult RunProgram(const std::vector<std::string>& argv, std::chrono::seconds limit) {
    ProcessResult result;
    const std::string dir = MakeTempDir();
    const std::string outPath = dir + "/out";
    const std::string errPath = dir + "/err";
    const auto start = Clock::now();
    const int pid = Spawn(argv, outPath, errPath);
    if (pid > 0) result.exitCode = WaitForExit(pid, start + limit);
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    result.out = ReadAll(outPath);
    result.err = ReadAll(errPath);
    fs::remove_all(dir);
    return result;
}

SimProcess::SimProcess(const std::vector<std::string>& extraArgs) {
    const std::string dir = MakeTempDir();
    outPath_ = dir + "/out";
    errPath_ = dir + "/err";
    std::vector<std::string> argv = {HORAVANE_SIM_PATH, "--port", "0"};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    if (std::find(extraArgs.begin(), extraArgs.end(), "--exit-after") == extraArgs.end())
        argv.insert(argv.end(), {"--exit-after", "60"});
    pid_ = Spawn(argv, outPath_, errPath_);
    // The banner names the port the clocks took: "horavane-sim: N clocks on A-B port P".
    const std::regex banner(R"(port (\d+))");
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (pid_ > 0 && Clock::now() < deadline) {
        std::smatch match;
        const std::string out = ReadAll(outPath_);
        if (std::regex_search(out, match, banner)) {
            port_ = static_cast<std::uint16_t>(std::stoi(match[1].str()));
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        if (WaitForExit(pid_, Clock::now() + std::chrono::seconds(3)) < 0) ::kill(pid_, SIGKILL);
    }
    if (!outPath_.empty()) fs::remove_all(fs::path(outPath_).parent_path());
}

std::string SimProcess::Banner() const {
    return ReadAll(outPath_) + ReadAll(errPath_);
}

ProcessResult RunCtl(const SimProcess& sim, std::vector<std::string> args) {
    const std::vector<std::string> exchange = {
        "--port", std::to_string(sim.port()), "--wait-ms", "150", "--own-address", "127.0.0.1"};
    args.insert(args.end(), exchange.begin(), exchange.end());
    return RunCtlPlain(std::move(args));
}

ProcessResult RunCtlPlain(std::vector<std::string> args) {
    args.insert(args.begin(), HORAVANECTL_PATH);
    return RunProgram(args);
}

TempFile::TempFile(const std::string& content, const std::string& name) : dir_(MakeTempDir()) {
    path_ = dir_ + "/" + name;
    if (!content.empty()) std::ofstream(path_, std::ios::binary) << content;
}

TempFile::~TempFile() {
    fs::remove_all(dir_);
}

}  // namespace horavane::test
