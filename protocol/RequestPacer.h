#pragma once

#include <chrono>
#include <functional>

#include "platform/DatagramPort.h"
#include "protocol/Exchange.h"

namespace horavane {

// Spaces the requests of one exchange out to `RequestRate`: the first `burst` go at once, and from
// then on one every 1/perSecond seconds on average. A request that goes a little late (the system
// slept longer than asked) is made up for by the next, within the burst, so that a long sweep keeps
// its rate instead of drifting below it.
class RequestPacer {
  public:
    RequestPacer(const RequestRate& rate, DatagramPort::Time start);

    // The earliest moment the next request may go.
    [[nodiscard]] DatagramPort::Time NextSlot() const { return due_ - tolerance_; }
    // A request went at `now`.
    void Take(DatagramPort::Time now);

  private:
    std::chrono::nanoseconds interval_;
    std::chrono::nanoseconds tolerance_;
    DatagramPort::Time due_;
};

// Takes in, through `receiveOne` (which must receive one datagram from the port), every datagram
// that has arrived and any that arrives until `until`; returns then, and at once when the wait
// itself fails. A source that keeps sending cannot hold it much beyond `until`.
void ReceiveUntil(DatagramPort& port, DatagramPort::Time until, const std::function<void()>& receiveOne);

}  // namespace horavane
