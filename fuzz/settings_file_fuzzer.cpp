// The settings file of `horavanectl apply`, up to the Modify button's checks and encoding.

#include <cstddef>
#include <cstdint>
#include <string>

#include "dialog/ClockDialogLogic.h"
#include "fleet/ClockRows.h"
#include "fleet/SettingsChange.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    const auto file = nlohmann::ordered_json::parse(data, data + size, nullptr, false);
    if (file.is_discarded()) return 0;
    std::string error;
    const auto change = ChangeFromJson(file, error);
    if (!change) return 0;
    InMemoryControls controls = FreshWindow();
    ApplyChange(*change, controls);
    (void)ClockDialogLogic(controls).BuildWriteSettings();
    return 0;
}
