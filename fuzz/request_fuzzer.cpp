// A datagram from the network, as a request to a simulated clock: what the clock takes from it and
// the reply it builds, with the faults the first byte switches on.

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/ClockDatagram.h"
#include "sim/ClockBehaviour.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    if (size == 0) return 0;
    const std::uint8_t switches = data[0];
    ClockDatagram request(std::span(data + 1, size - 1));
    ClockDatagram state = sim::DefaultClockState(switches % 8);
    if (!ApplyChecksum(request) || request.direction() != static_cast<std::uint8_t>(Direction::Request))
        return 0;
    if (request.command() == static_cast<std::uint8_t>(Command::WriteSettings)) {
        sim::TakeWrittenSettings(state, request);
    } else if ((switches & 0x80U) != 0) {
        sim::TakeAllSettings(state, request);
    }
    sim::FaultSwitches faults;
    faults.wrongChecksumReplies = (switches >> 3U) & 1U;
    faults.zeroChecksum = ((switches >> 4U) & 1U) != 0;
    if (((switches >> 5U) & 1U) != 0) faults.shortReplyLength = size % 120;
    if (((switches >> 6U) & 1U) != 0) faults.direction = static_cast<std::uint8_t>(size);
    (void)sim::ApplyFaults(sim::BuildStatusReply(state, request.command()), faults);
    return 0;
}
