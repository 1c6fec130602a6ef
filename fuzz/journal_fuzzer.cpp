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

#include "fleet/WriteJournal.h"

namespace {

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        char name[] = "/tmp/horavane-journal-fuzz-XXXXXX";
        return std::filesystem::path(::mkdtemp(name) != nullptr ? name : "/tmp");
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    const WriteJournal journal(Folder() / "journal.jsonl");
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
