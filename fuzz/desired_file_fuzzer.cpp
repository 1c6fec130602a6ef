// The desired settings file as a hand-edited, spreadsheet-saved or hostile file: judged whole
// without a crash or a hang, refused with its file and line, and when taken, every value one that
// set would take and every comparison with a clock's settings one that putting right leaves empty.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fleet/DesiredSettings.h"
#include "settings/SettingCodes.h"
#include "settings/SettingsChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto desired = ParseDesiredFile(text, "fuzz.csv", error);
    if (!desired) {
        if (error.rfind("the desired settings file fuzz.csv, line ", 0) != 0) std::abort();
        return 0;
    }
    const KnownClocks none;
    (void)desired->RefusalAgainst(none);
    const ClockSettings holds{};
    for (const Ipv4Address clock : desired->Clocks()) {
        const auto values = desired->For(KnownClock{clock, "", "", ""});
        for (const DesiredValue& value : values) {
            SettingsChange again;
            std::string why;
            if (!SetFromWords(again, value.setting, value.words, NameOf(value.setting), why)) std::abort();
        }
        const auto drift = DriftOf(holds, values);
        const SettingsForm form = Changed(FormOf(holds), PuttingRight(values, drift));
        if (const auto written = TakeSettingCodes(form); written && !DriftOf(*written, values).empty()) {
            // Only a form the checks refuse may fail to take what is desired.
            if (!FirstRefusal(form)) std::abort();
        }
    }
    return 0;
}
