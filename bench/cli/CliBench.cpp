// The tonedot program over a numbered sequence: twelve 1280 x 720 PNG frames read,
// rendered and written, with one job and with two, each frame on one thread (--threads 1),
// so that the two differ only in frames side by side.  Throughput is frames per second of
// wall-clock time (items_per_second); the ratio of jobs:2 to jobs:1 is how well frames
// run side by side, which needs two idle cores to show.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "cli/Commands.h"
#include "cli/ImageFile.h"
#include "cli/TestCard.h"

namespace {

constexpr int kFrames = 12;

// The process's CPU time (every thread's), in seconds.
double ProcessCpuSeconds() {
    struct rusage u;
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

char gFolder[64] = "/tmp/tonedot-cli-bench-XXXXXX";

// A scratch folder holding the input sequence, made once and removed at exit.
const std::string& SequenceFolder() {
    static const std::string folder = [] {
        const std::string dir = mkdtemp(gFolder);
        const tonedot::cli::Picture card = tonedot::cli::MakeTestCard(1280, 720, tonedot::cli::Depth::Bits8);
        for (int f = 1; f <= kFrames; ++f)
            tonedot::cli::WriteImage(dir + "/in." + std::to_string(f) + ".png", card);
        std::atexit([] { std::system((std::string("rm -rf '") + gFolder + "'").c_str()); });
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
                                           "--threads", "1", "--factory-defaults", "--quiet", "--set", "Random Interval=1"};
    const double cpuBefore = ProcessCpuSeconds();
    for (auto _ : state) {
        if (tonedot::cli::Run(args) != 0) {
            state.SkipWithError("the render failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    // CPU seconds of all threads per frame: the work a frame costs, whatever the machine's
    // load; equal for one and two jobs when nothing is serialised or contended.
    state.counters["cpu_s_per_frame"] =
        (ProcessCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations() * kFrames);
}

}  // namespace

BENCHMARK(Sequence)->Name("Cli/Sequence/720p")->ArgName("jobs")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
