#pragma once

#include <optional>
#include <string>

#include "platform/NetTypes.h"
#include "protocol/ClockCodec.h"
#include "protocol/ClockDatagram.h"

namespace horavane {

// Where a window keeps a record of each write it sends; its owner chooses (the programs keep the
// journal of writes). The window asks only once the clock port is its own, just before the
// datagram goes, so that no record describes a write that never left; a record that fails never
// stops the write.
class WriteRecorder {
  public:
    virtual ~WriteRecorder() = default;

    // `before` is what the window last knew the clock to hold: the reply its last query of this
    // clock showed, with the window's own writes to it since; nullptr when the window has shown
    // nothing of this clock. `request` is the WriteSettings request as it goes. nullopt once
    // recorded, otherwise why it was not.
    [[nodiscard]] virtual std::optional<std::string> Record(Ipv4Address clock, const ClockStatus* before,
                                                            const ClockDatagram& request) = 0;
    // The write last recorded did not go out after all (the send failed): its record must go, so
    // that nothing describes a write that never left. nullopt once taken back, otherwise why not.
    [[nodiscard]] virtual std::optional<std::string> Unsent() = 0;
};

}  // namespace horavane
