// How fast --layouts scans seeds: layouts made and measured per second, with their CSV lines
// composed as the command prints them (the printing itself left out). Goal: 10,000 a second,
// so a million seeds take under two minutes.
#include <chrono>
#include <cstdio>
#include <string_view>

#include "core/app/LayoutScan.h"

int main() {
    using Clock = std::chrono::steady_clock;
    constexpr std::int32_t kSeeds = 200000;
    std::size_t bytes = 0;
    const auto start = Clock::now();
    quorvel::ScanLayouts({1, kSeeds}, [&](std::string_view block) {
        bytes += block.size();
        return true;
    });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("layout scan: seeds 1..%d in %.2f s, %zu bytes of CSV\n", kSeeds, seconds, bytes);
    std::printf("layout scan: %.0f layouts/s (goal >= 10000/s)\n", kSeeds / seconds);
    return 0;
}
