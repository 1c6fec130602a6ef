#pragma once

#include <functional>

#include "protocol/ClockDatagram.h"
#include "protocol/Exchange.h"

namespace horavane {

// Applies the checksum to `request` (a WriteSettings request built with byte 94 still 0) and sends
// it once to the clock, through SendFleetWrites as every write of the programs goes. Nothing is
// received and nothing is resent. Returns whether the datagram went out; once the endpoint is
// open the request keeps its checksum either way. `onceOpen`, when given, runs after the endpoint
// is open (the clock port is this program's) and the checksum applied, just before the datagram
// goes; when it returns false nothing is sent. Nor is it run for a clock address the endpoint
// refuses (GuardedPort), so that nothing is prepared for a datagram that never goes.
bool SendWrite(Ipv4Address clock, ClockDatagram& request, const ExchangeOptions& options,
               const std::function<bool()>& onceOpen = {});

}  // namespace horavane
