// The settings file of `horavanectl apply`, up to the Modify button's checks and encoding.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fleet/SettingsFile.h"
#include "protocol/ClockCodec.h"
#include "settings/SettingCodes.h"
#include "settings/SettingsChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    const auto file = nlohmann::ordered_json::parse(data, data + size, nullptr, false);
    if (file.is_discarded()) return 0;
    std::string error;
    const auto change = ChangeFromJson(file, error);
    if (!change) return 0;
    const SettingsForm form = Changed(FormOf(ClockSettings{}), *change);
    if (FirstRefusal(form)) return 0;
    const auto settings = TakeSettingCodes(form);
    if (settings) (void)BuildWriteRequest(*settings);
    return 0;
}
