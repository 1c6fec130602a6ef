// The fleet file as a hand-edited, spreadsheet-saved or hostile file: every row judged without a
// crash, a hang or memory beyond a row; what is kept is an address a clock can have, read back
// from the CSV writer's guard and escapes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fleet/FleetCsv.h"
#include "fleet/KnownClocks.h"
#include "protocol/HostRanges.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    // Every other row kept, as a command that needs only some of them keeps them.
    bool keep = false;
    const auto known =
        ParseFleetFile(text, "fuzz.csv", error, [&keep](const KnownClock&) { return keep = !keep; });
    if (!known) {
        if (error.rfind("the fleet file fuzz.csv, line ", 0) != 0) std::abort();
        return 0;
    }
    for (const KnownClock& clock : known->clocks())
        if (RefusedClockAddress(clock.address) || known->Find(clock.address) != &clock) std::abort();
    if (known->size() > size) std::abort();
    (void)UndoCsvField(text);
    return 0;
}
