#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/NetTypes.h"

namespace horavane {

struct AdapterInfo {
    std::string name;
    Ipv4Address address;  // the adapter's first IPv4 address; 0.0.0.0 when it has none
    MacAddress mac{};     // the first six bytes of its hardware address
};

// The workstation's network adapters in the system's own order, loopback left out.
// nullopt when there is no adapter or the list cannot be read: requests that carry the
// workstation's address are then not sent at all.
[[nodiscard]] std::optional<std::vector<AdapterInfo>> ListSystemAdapters();

// Injected into every exchange so that tests can stand in for the workstation's adapters.
using AdapterLister = std::function<std::optional<std::vector<AdapterInfo>>()>;

}  // namespace horavane
