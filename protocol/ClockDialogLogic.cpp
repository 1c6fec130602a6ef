#include "protocol/ClockDialogLogic.h"

#include <utility>

#include "protocol/ConfigurationWrite.h"
#include "protocol/SearchWorker.h"
#include "settings/SettingCodes.h"
#include "settings/SettingsChecks.h"

namespace horavane {

ClockDialogLogic::ClockDialogLogic(DialogControls& controls, ExchangeOptions options)
    : controls_(controls), options_(std::move(options)) {}

void ClockDialogLogic::OnInitDialog() {
    FillRuleLists(controls_);
}

bool ClockDialogLogic::OnSearchClicked() {
    return PrepareSearch(controls_);
}

QueryOutcome ClockDialogLogic::OnClockSelected() {
    return RunStatusQuery(controls_, buffer_, options_);
}

bool ClockDialogLogic::OnModify() {
    if (!BuildWriteSettings(controls_, buffer_)) return false;
    return SendToSelectedClock(controls_, buffer_, options_);
}

void ClockDialogLogic::OnDynamicIp() {
    horavane::OnDynamicIp(controls_);
}

void ClockDialogLogic::OnStaticIp() {
    horavane::OnStaticIp(controls_);
}

}  // namespace horavane
