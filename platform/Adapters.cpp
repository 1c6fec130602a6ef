#include "platform/Adapters.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
// After Winsock's headers, which must come before the windows.h it includes.
#include <iphlpapi.h>
#else
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#if defined(__linux__)
#include <netpacket/packet.h>
#elif defined(__APPLE__) || defined(__FreeBSD__)
#include <net/if_dl.h>
#endif
#endif

namespace horavane {

#ifdef _WIN32

std::optional<std::vector<AdapterInfo>> ListSystemAdapters() {
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return std::nullopt;
    std::vector<unsigned char> storage(size);
    auto* list = reinterpret_cast<IP_ADAPTER_INFO*>(storage.data());
    if (GetAdaptersInfo(list, &size) != NO_ERROR) return std::nullopt;
    std::vector<AdapterInfo> adapters;
    for (const IP_ADAPTER_INFO* a = list; a != nullptr; a = a->Next) {
        AdapterInfo info;
        info.name = a->AdapterName;
        if (const auto parsed = Ipv4Address::Parse(a->IpAddressList.IpAddress.String)) info.address = *parsed;
        std::memcpy(info.mac.data(), a->Address, std::min<std::size_t>(6, a->AddressLength));
        adapters.push_back(info);
    }
    return adapters;
}

#else

std::optional<std::vector<AdapterInfo>> ListSystemAdapters() {
    ifaddrs* head = nullptr;
    if (::getifaddrs(&head) != 0) return std::nullopt;
    std::vector<AdapterInfo> adapters;
    std::vector<bool> hasAddress;
    auto entryFor = [&](const char* name) -> std::size_t {
        for (std::size_t i = 0; i < adapters.size(); ++i)
            if (adapters[i].name == name) return i;
        adapters.push_back(AdapterInfo{name, {}, {}});
        hasAddress.push_back(false);
        return adapters.size() - 1;
    };
    for (const ifaddrs* ifa = head; ifa != nullptr; ifa = ifa->ifa_next) {
        if ((ifa->ifa_flags & IFF_LOOPBACK) != 0 || ifa->ifa_addr == nullptr) continue;
        const std::size_t index = entryFor(ifa->ifa_name);
        if (ifa->ifa_addr->sa_family == AF_INET && !hasAddress[index]) {
            const auto* sin = reinterpret_cast<const sockaddr_in*>(ifa->ifa_addr);
            std::memcpy(adapters[index].address.octets.data(), &sin->sin_addr, 4);
            hasAddress[index] = true;
        }
#if defined(__linux__)
        if (ifa->ifa_addr->sa_family == AF_PACKET) {
            const auto* sll = reinterpret_cast<const sockaddr_ll*>(ifa->ifa_addr);
            std::memcpy(adapters[index].mac.data(), sll->sll_addr, std::min<std::size_t>(6, sll->sll_halen));
        }
#elif defined(__APPLE__) || defined(__FreeBSD__)
        if (ifa->ifa_addr->sa_family == AF_LINK) {
            const auto* sdl = reinterpret_cast<const sockaddr_dl*>(ifa->ifa_addr);
            std::memcpy(adapters[index].mac.data(), LLADDR(sdl), std::min<std::size_t>(6, sdl->sdl_alen));
        }
#endif
    }
    ::freeifaddrs(head);
    if (adapters.empty()) return std::nullopt;
    return adapters;
}

#endif

}  // namespace horavane
