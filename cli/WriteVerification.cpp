#include "cli/WriteVerification.h"

#include "protocol/StatusQuery.h"
#include "settings/InMemoryControls.h"
#include "settings/SettingCodes.h"

namespace horavane::cli {

Json ExpectedDisplay(const ClockDatagram& written) {
    InMemoryControls controls = InMemoryControls::WithDialogData();
    FillRuleLists(controls);
    ShowReply(controls, written);
    return WritableJson(controls);
}

}  // namespace horavane::cli
