#pragma once

#include <algorithm>
#include <cstdlib>
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

// horavanectl with exactly the given arguments, its journal in `stateHome` (the child inherits the
// variable the system's state folder is taken from).
inline ProcessResult RunCtlPlain(std::vector<std::string> args, const std::string& stateHome = StateHome()) {
#ifdef _WIN32
    _putenv_s("LOCALAPPDATA", stateHome.c_str());
#else
    ::setenv("XDG_STATE_HOME", stateHome.c_str(), 1);
#endif
    args.insert(args.begin(), HORAVANECTL_PATH);
    return RunProgram(std::move(args));
}

// horavanectl against `sim`, with the tests' short waits (unless the test gives its own) and a
// loopback workstation address.
inline ProcessResult RunCtl(const SimProcess& sim, std::vector<std::string> args,
                            const std::string& stateHome = StateHome()) {
    if (std::find(args.begin(), args.end(), "--wait") == args.end())
        args.insert(args.end(), {"--wait", "0.15"});
    args.insert(args.end(), {"--port", std::to_string(sim.port()), "--own-address", "127.0.0.1"});
    return RunCtlPlain(std::move(args), stateHome);
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
