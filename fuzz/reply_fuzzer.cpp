// A datagram from the network, as a reply: acceptance, the codec, then display in the window's
// controls and in horavanectl's plain and JSON read-outs. The window and the read-out value the
// command line prints must agree on every reply.

#include <cstddef>
#include <cstdint>
#include <span>

#include "cli/ClockReport.h"
#include "dialog/ClockDisplay.h"
#include "dialog/InMemoryControls.h"
#include "fleet/ClockRows.h"
#include "protocol/ClockCodec.h"
#include "protocol/ClockDatagram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    ClockDatagram reply(std::span(data, size));
    if (!AcceptAsReply(reply)) return 0;
    const ClockStatus status = DecodeStatus(reply);
    InMemoryControls controls;
    FillDialogLists(controls);
    ShowReply(controls, status);
    const ClockReadout readout = ReadoutOf(status);
    if (!(ReadClockReadout(controls) == readout)) __builtin_trap();
    (void)cli::StatusBlock(readout, "127.0.0.2");
    (void)JsonText(StatusJson(readout, "127.0.0.2"));
    return 0;
}
