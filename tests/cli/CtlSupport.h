#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/common/ChildProcess.h"
#include "tests/common/TempFolder.h"
#include "tests/common/WineSupport.h"

namespace horavane::test {

// horavanectl with exactly the given arguments.
inline ProcessResult RunCtlPlain(std::vector<std::string> args) {
    args.insert(args.begin(), HORAVANECTL_PATH);
    return RunProgram(std::move(args));
}

// horavanectl against `sim`, with the tests' short waits and a loopback workstation address.
inline ProcessResult RunCtl(const SimProcess& sim, std::vector<std::string> args) {
    args.insert(args.end(),
                {"--port", std::to_string(sim.port()), "--wait-ms", "150", "--own-address", "127.0.0.1"});
    return RunCtlPlain(std::move(args));
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
