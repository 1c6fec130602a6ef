#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/ChildProcess.h"
#include "tests/common/TempFolder.h"
#include "tests/common/WineSupport.h"

namespace horavane::test {

// Where the horavanectl of a test keeps its journal of writes: a folder of the test's own, never
// the journal of whoever runs the tests.
inline std::string StateHome() {
    static const TempFolder folder;
    return folder.path().string();
}

// Where the horavanectl of a test looks for its fleet file: a folder of the test's own holding one
// that names no clock, so that the workstation's file (/etc/horavane/fleet.csv, or
// %ProgramData%\Horavane\fleet.csv) is never read. Tests that need known clocks give --fleet.
inline std::string ConfigHome() {
    static const TempFolder folder;
    static const bool written = [] {
        std::filesystem::create_directories(folder.path() / "horavane");
        std::filesystem::create_directories(folder.path() / "Horavane");
        std::ofstream(folder.path() / "horavane" / "fleet.csv", std::ios::binary)
            << "address,name,location,group\n";
        std::ofstream(folder.path() / "Horavane" / "fleet.csv", std::ios::binary)
            << "address,name,location,group\n";
        return true;
    }();
    (void)written;
    return folder.path().string();
}

// The command line of horavanectl with exactly the given arguments, its journal in `stateHome` and
// its fleet file in ConfigHome() (the child inherits the variables the system's folders are taken
// from).
inline std::vector<std::string> CtlCommand(std::vector<std::string> args,
                                           const std::string& stateHome = StateHome()) {
#ifdef _WIN32
    _putenv_s("LOCALAPPDATA", stateHome.c_str());
    _putenv_s("APPDATA", ConfigHome().c_str());
#else
    ::setenv("XDG_STATE_HOME", stateHome.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
#endif
    args.insert(args.begin(), HORAVANECTL_PATH);
    return args;
}

inline ProcessResult RunCtlPlain(std::vector<std::string> args, const std::string& stateHome = StateHome()) {
    return RunProgram(CtlCommand(std::move(args), stateHome));
}

// The command line of horavanectl against `sim`, with the tests' short waits (unless the test gives
// its own, or it is the paced search, which keeps the window's waits) and a loopback workstation
// address.
inline std::vector<std::string> CtlCommand(const SimProcess& sim, std::vector<std::string> args,
                                           const std::string& stateHome = StateHome()) {
    const bool pacedSearch =
        !args.empty() && args[0] == "search" && std::find(args.begin(), args.end(), "--fast") == args.end();
    if (!pacedSearch && std::find(args.begin(), args.end(), "--wait") == args.end())
        args.insert(args.end(), {"--wait", "0.15"});
    args.insert(args.end(), {"--port", std::to_string(sim.port()), "--own-address", "127.0.0.1"});
    return CtlCommand(std::move(args), stateHome);
}

inline ProcessResult RunCtl(const SimProcess& sim, std::vector<std::string> args,
                            const std::string& stateHome = StateHome()) {
    return RunProgram(CtlCommand(sim, std::move(args), stateHome));
}

// A file in a folder of its own, removed with the object; not created when `content` is empty.
class TempFile {
  public:
    TempFile(const std::string& content, const std::string& name)
        : path_(content.empty() ? folder_.File(name).string() : folder_.Write(name, content)) {}
    [[nodiscard]] const std::string& path() const { return path_; }

  private:
    TempFolder folder_;
    std::string path_;
};

}  // namespace horavane::test
