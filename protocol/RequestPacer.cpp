#include "protocol/RequestPacer.h"

#include <algorithm>

namespace horavane {
namespace {

// However chatty the network, once `until` has passed this many more datagrams end the receiving.
constexpr int kDrainLimit = 1024;

}  // namespace

RequestPacer::RequestPacer(const RequestRate& rate, DatagramPort::Time start)
    : interval_(std::chrono::nanoseconds(
          static_cast<std::chrono::nanoseconds::rep>(1e9 / std::max(rate.perSecond, 1e-3)))),
      tolerance_(interval_ * (std::max(rate.burst, 1) - 1)),
      due_(start) {}

void RequestPacer::Take(DatagramPort::Time now) {
    due_ = std::max(due_, now) + interval_;
}

void ReceiveUntil(DatagramPort& port, DatagramPort::Time until, const std::function<void()>& receiveOne) {
    for (int late = 0; late < kDrainLimit;) {
        const DatagramPort::Time now = port.Now();
        const auto left = std::chrono::floor<std::chrono::milliseconds>(
            std::max(until - now, DatagramPort::Time::duration::zero()));
        const UdpSocket::Wait wait = port.WaitReadable(left);
        if (wait == UdpSocket::Wait::Failed) break;
        if (wait == UdpSocket::Wait::Readable) {
            receiveOne();
            if (port.Now() >= until) ++late;
        } else if (left.count() == 0) {
            break;  // nothing more has arrived; what is left of `until` is less than a millisecond
        }
    }
    if (port.Now() < until) port.SleepUntil(until);
}

}  // namespace horavane
