#include "cli/FrameMemory.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>

namespace tonedot::cli {

std::uint64_t AvailableMemory() {
    std::uint64_t available = UINT64_MAX;
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kb = 0;
    std::string unit;
    while (meminfo >> key >> kb >> unit)
        if (key == "MemAvailable:") available = kb * 1024;
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        std::ifstream status("/proc/self/status");
        std::string line;
        std::uint64_t used = 0;
        while (std::getline(status, line))
            if (line.compare(0, 7, "VmSize:") == 0) used = std::strtoull(line.c_str() + 7, nullptr, 10) * 1024;
        const std::uint64_t room = limit.rlim_cur > used ? limit.rlim_cur - used : 0;
        available = std::min(available, room);
    }
    return available;
}

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

std::uint64_t FrameNeed(int width, int height, Depth depth, int layerFiles, int dx, int dy) {
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    const std::uint64_t reduced = pixels / (static_cast<std::uint64_t>(dx) * static_cast<std::uint64_t>(dy)) + 1;
    const std::uint64_t bpp = static_cast<std::uint64_t>(BytesPerPixelOf(depth));
    const std::uint64_t copies = (dx > 1 || dy > 1) ? pixels * bpp + 3 * reduced * bpp : 4 * pixels * bpp;
    return copies + 2 * static_cast<std::uint64_t>(layerFiles) * pixels * bpp + (64u << 20);
}

}  // namespace tonedot::cli
