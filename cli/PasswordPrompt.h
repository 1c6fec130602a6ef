#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace horavane::cli {

// Commands that write take the password from the terminal (without echo) or from the first line
// of a file, never from an argument that would sit in the shell history and the process list.
struct PasswordArgs {
    std::string passwordFile;
};

void AddPasswordOptions(CLI::App& command, PasswordArgs& args);

// Reads the password and checks it against the store (the default password while no store file
// holds another). Prints the reason on stderr and returns false when it is wrong or unavailable.
[[nodiscard]] bool CheckOperatorPassword(const PasswordArgs& args);

// The password store checked instead of the workstation's. Only the test build of the program
// (tests/cli/TestCtlMain.cpp) calls it: whoever runs the shipped program never chooses the store.
void UsePasswordStore(std::filesystem::path file);

}  // namespace horavane::cli
