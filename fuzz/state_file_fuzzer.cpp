// The simulator's state file, as an operator may have edited it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/ClockBehaviour.h"
#include "sim/StateFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    static const std::vector<Ipv4Address> kClocks = {Ipv4Address{{127, 0, 0, 2}},
                                                     Ipv4Address{{127, 0, 0, 3}}};
    std::vector<ClockDatagram> states = {sim::DefaultClockState(0), sim::DefaultClockState(1)};
    std::string error;
    (void)sim::StateFile::ReadText(std::string_view(reinterpret_cast<const char*>(data), size), kClocks,
                                   states, error);
    return 0;
}
