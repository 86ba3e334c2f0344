// A whole frame through tonedot.so as a frei0r host calls it (f0r_update on RGBA frames):
// the frame of Frame/Default/1080p/8bit plus the filter's own conversions, parameters and
// frame preparation.
//
//   Frei0r/Default/1080p   the default parameters, 1920 x 1080
#include <cstdint>
#include <dlfcn.h>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

void BM_Frei0r(benchmark::State& state) {
    const char* path = TONEDOT_FREI0R_PATH;
    void* module = *path ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (!module) {
        state.SkipWithError("tonedot.so was not built (frei0r.h missing)");
        return;
    }
    auto init = reinterpret_cast<int (*)()>(dlsym(module, "f0r_init"));
    auto construct = reinterpret_cast<void* (*)(unsigned, unsigned)>(dlsym(module, "f0r_construct"));
    auto destruct = reinterpret_cast<void (*)(void*)>(dlsym(module, "f0r_destruct"));
    auto update = reinterpret_cast<void (*)(void*, double, const uint32_t*, uint32_t*)>(dlsym(module, "f0r_update"));
    const unsigned width = 1920, height = 1080;
    void* instance = init() ? construct(width, height) : nullptr;
    if (!instance) {
        state.SkipWithError("the filter did not set up");
        dlclose(module);
        return;
    }
    // Opaque mid-grey, as the Frame/ benchmarks' layer (bytes R, G, B, A).
    const std::vector<uint32_t> in(static_cast<std::size_t>(width) * height, 0xFF808080u);
    std::vector<uint32_t> out(in.size());
    for (auto _ : state) {
        update(instance, 0.0, in.data(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * width * height);  // pixels
    destruct(instance);
    dlclose(module);
}

BENCHMARK(BM_Frei0r)->Name("Frei0r/Default/1080p")->Unit(benchmark::kMillisecond);

}  // namespace
