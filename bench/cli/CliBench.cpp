// The tonedot program over a numbered sequence: twelve 1280 x 720 PNG frames read,
// rendered and written, with one job and with two.  Throughput is frames per second of
// wall-clock time (items_per_second); the ratio of jobs:2 to jobs:1 is how well frames
// run side by side.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/Commands.h"
#include "cli/ImageFile.h"
#include "cli/TestCard.h"

namespace {

constexpr int kFrames = 12;

// A scratch folder holding the input sequence, made once.
const std::string& SequenceFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/tonedot-cli-bench-XXXXXX";
        const std::string dir = mkdtemp(pattern);
        const tonedot::cli::Picture card = tonedot::cli::MakeTestCard(1280, 720, tonedot::cli::Depth::Bits8);
        for (int f = 1; f <= kFrames; ++f)
            tonedot::cli::WriteImage(dir + "/in." + std::to_string(f) + ".png", card);
        std::atexit([] { std::system(("rm -rf '" + SequenceFolder() + "'").c_str()); });
        return dir;
    }();
    return folder;
}

void Sequence(benchmark::State& state) {
    const std::string dir = SequenceFolder();
    setenv("TONEDOT_EFFECT", TONEDOT_EFFECT_PATH, 1);
    const std::string jobs = std::to_string(state.range(0));
    const std::vector<std::string> args = {"tonedot", "render", dir + "/in.%d.png", "-o", dir + "/out.%d.png",
                                           "--frames", "1-" + std::to_string(kFrames), "--jobs", jobs,
                                           "--factory-defaults", "--quiet", "--set", "Random Interval=1"};
    for (auto _ : state) {
        if (tonedot::cli::Run(args) != 0) {
            state.SkipWithError("the render failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

}  // namespace

BENCHMARK(Sequence)->Name("Cli/Sequence/720p")->ArgName("jobs")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
