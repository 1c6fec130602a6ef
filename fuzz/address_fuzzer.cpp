// Addresses as operators type them: a clock's address, the search field, a list of clocks (one
// per line of the input).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ExchangeArgs.h"
#include "cli/VisibleText.h"
#include "platform/NetTypes.h"
#include "settings/IpFieldValue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horavane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // What is printed of an address must read back as the same address.
    if (const auto address = Ipv4Address::Parse(text)) {
        const auto again = Ipv4Address::Parse(address->ToString());
        if (!again || !(*again == *address)) __builtin_trap();
    }
    (void)IpFieldValue::Parse(text);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n', start)) {
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    lines.emplace_back(text.substr(start));
    std::string error;
    (void)cli::ParseClockAddresses(lines, error);
    (void)cli::VisibleText(text);
    return 0;
}
