// What the workstation's lock of the clock port costs one exchange when nobody else holds it: take
// and release, as OpenUdpPort and the port's end do, timed over many rounds. Built and run by
// bench/port_lock.sh.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/PortLock.h"

int main(int argc, char** argv) {
    const auto port = static_cast<std::uint16_t>(argc > 1 ? std::atoi(argv[1]) : 6869);
    constexpr int kRounds = 2000;
    std::vector<double> micros;
    micros.reserve(kRounds);
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        {
            const auto attempt = horavane::TakePortLock(port, horavane::PortWait{});
            if (!attempt.lock || !attempt.lock->Guards()) {
                std::fprintf(stderr, "the lock of port %u could not be taken\n", unsigned{port});
                return 1;
            }
        }
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("take and release, %d rounds: median %.1f us, 90th percentile %.1f us, slowest %.1f us\n",
                kRounds, micros[kRounds / 2], micros[kRounds * 9 / 10], micros.back());
    return 0;
}
