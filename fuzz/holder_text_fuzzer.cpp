// The clock port's lock file as any local user may write it: the holder's record is either taken
// whole, a process id and a printable name of bounded length, or not at all.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/PortLock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto holder = ParsePortHolderText(text);
    if (!holder) return 0;
    if (holder->processId == 0 || holder->program.size() > 127) __builtin_trap();
    for (const char c : holder->program)
        if (c < 0x20 || c > 0x7e) __builtin_trap();
    // What a holder writes of itself must read back as the same holder.
    const auto again = ParsePortHolderText(std::to_string(holder->processId) + " " + holder->program + "\n");
    if (!again || again->processId != holder->processId || again->program != holder->program)
        __builtin_trap();
    (void)holder->Describe();
    return 0;
}
