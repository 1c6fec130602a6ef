// The simulator's --fault switches.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/FaultSpec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    std::string error;
    const auto fault =
        sim::ParseFaultSpec(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!fault) return 0;
    sim::FaultSwitches switches;
    sim::ApplyFault(*fault, switches);
    sim::ApplyFault(*fault, switches);
    return 0;
}
