#pragma once

#include <functional>
#include <vector>

#include "protocol/Exchange.h"

namespace horavane {

// The command line's sweep of any set of hosts (one /24 or the blocks of a whole site): a Search
// request to each host in the order given, at the pace of `options.rate`, and every sender of an
// accepted reply reported as it comes (possibly again) if it is one of the hosts; a reply from
// any other address is dropped. After the last request it listens until one wait passes in
// silence, but never longer than three waits, so that junk on the clock port cannot hold it. false
// when nothing could be sent (no network library, socket or adapter).
bool SweepHosts(const std::vector<Ipv4Address>& hosts, const ExchangeOptions& options,
                const std::function<void(Ipv4Address clock)>& onClock);

}  // namespace horavane
