// A datagram from the network, as a reply: acceptance, the codec, then display in the window's
// controls and in horavanectl's plain and JSON read-outs.

#include <cstddef>
#include <cstdint>
#include <span>

#include "cli/ClockReport.h"
#include "dialog/ClockDisplay.h"
#include "fleet/ClockRows.h"
#include "protocol/ClockCodec.h"
#include "protocol/ClockDatagram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    ClockDatagram reply(std::span(data, size));
    if (!AcceptAsReply(reply)) return 0;
    InMemoryControls controls = FreshWindow();
    ShowReply(controls, DecodeStatus(reply));
    (void)cli::StatusBlock(controls, "127.0.0.2");
    (void)JsonText(StatusJson(controls, "127.0.0.2"));
    return 0;
}
