// The test build of horavanectl: the shipped program's code, plus one seam the shipped main never
// opens. `--password-store FILE`, taken out of the arguments before the program sees them, points
// the password gate at a store of the test's own instead of the workstation's.

#include <filesystem>
#include <string_view>
#include <vector>

#include "cli/Horavanectl.h"
#include "cli/PasswordPrompt.h"

int main(int argc, char** argv) {
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--password-store" && i + 1 < argc) {
            horavane::cli::UsePasswordStore(std::filesystem::path(argv[++i]));
            continue;
        }
        args.push_back(argv[i]);
    }
    args.push_back(nullptr);
    return horavane::cli::RunHoravanectl(static_cast<int>(args.size()) - 1, args.data());
}
