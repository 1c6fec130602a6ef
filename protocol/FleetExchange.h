#pragma once

#include <vector>

#include "platform/NetTypes.h"
#include "protocol/ClockDatagram.h"
#include "protocol/ExchangeOptions.h"
#include "settings/DialogControls.h"

namespace horavane {

// One clock of an exchange with many clocks at once: where it is, the controls its replies are
// shown in (one set of in-memory controls per clock), and what happened to it.
struct FleetClock {
    Ipv4Address address;
    DialogControls* controls = nullptr;

    int requestsSent = 0;        // QueryStatus requests of the last query, 0..6
    int repliesShown = 0;        // accepted replies shown in `controls`
    bool checksumError = false;  // six requests all drew a wrong checksum: "Error CheckSum"

    [[nodiscard]] bool Answered() const { return repliesShown > 0; }
};

// The status query of many clocks from ONE socket bound to the clock port: every clock is asked
// (ascending address order), replies are routed by their source address to that clock's controls
// through ShowReply, and a wrong checksum draws a resend to that clock alone (at most six
// requests, then that clock reports "Error CheckSum" in its controls). Each clock's display is
// cleared before its request goes out, as a single query clears it. Done when every clock has
// answered or given up and one more wait passed silent, or after two silent waits in a row; a
// source that keeps talking cannot hold it beyond a fixed number of waits. Addresses must be
// distinct. Returns false when nothing could be sent (no socket, no adapter).
bool RunFleetQuery(std::vector<FleetClock>& fleet, const ExchangeOptions& options);

// One WriteSettings request for one clock, built by BuildWriteSettings (checksum not yet applied).
struct FleetWrite {
    Ipv4Address address;
    ClockDatagram request;
    bool sent = false;
};

// Sends every write once from one socket bound to the clock port, with a short gap between sends
// so that a slow clock's receive queue is not flooded. Nothing is received. Returns how many went.
int SendFleetWrites(std::vector<FleetWrite>& writes, const ExchangeOptions& options);

}  // namespace horavane
