// The journal of writes as a hand-edited or damaged file: every line read, whatever it holds,
// without a crash, a hang or memory beyond the line limit; restore's choice and the --at parser
// on what comes out.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "fleet/WriteJournal.h"

namespace {

// A folder of the harness's own, in memory where the system has one, removed when the run ends.
struct Folder {
    Folder() {
        std::string name = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        name += "/horavane-journal-fuzz-XXXXXX";
        if (::mkdtemp(name.data()) != nullptr) path = name;
    }
    ~Folder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

const std::filesystem::path& FolderPath() {
    static const Folder folder;
    return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    if (FolderPath().empty()) return 0;
    const WriteJournal journal(FolderPath() / "journal.jsonl");
    {
        std::ofstream out(journal.file(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    RestoreChoice latest(std::nullopt);
    RestoreChoice atTime(
        ParseJournalTime(std::string(reinterpret_cast<const char*>(data), size < 32 ? size : 32)));
    int damaged = 0;
    std::string error;
    (void)journal.ForEach(
        std::nullopt,
        [&](JournalRecord&& record) {
            (void)JournalLine(record);
            JournalRecord copy = record;
            latest.Offer(std::move(copy));
            atTime.Offer(std::move(record));
        },
        damaged, error);
    return 0;
}
