// Dot drawing alone: DrawDot (outline, 8 x 8 coverage, pixel writer) per shape and dot size
// into a 1024 x 1024 layer, next to Cairo filling the same outlines with anti-aliasing into
// an ARGB32 image of the same size.  After the runs a table gives our time per dot as a
// ratio of Cairo's.
//
//   build/tonedot_bench                         all of it
//   build/tonedot_bench --benchmark_filter=Circle
//
// Whole frames (render driver, grid, effectors, transfer) are measured separately; this
// program only times the drawing of ready-made dots.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>
#include "look/Choices.h"
#include "render/base/Constants.h"
#include "render/drawing/DotCanvas.h"
#include "render/raster/DotShapes.h"

using namespace Look;
using namespace Render;

namespace {

constexpr int kLayerSize = 1024;
constexpr int kDotsPerBatch = 256;
const char* const kShapeNames[] = {"", "Circle", "Square", "RoundSquare", "Cross", "Star", "Diamond"};
const double kDotSizes[] = {2, 8, 32, 128, 512};

template <class P>
P DotColor() {
    using T = PixelTraits<P>;
    return P{T::Full(), T::FromByte(255), T::FromByte(125), T::FromByte(20)};
}

// The same batch of dots for every run of one shape and size: random centres inside the
// layer, random rotations, aspect between 0.5 and 1.
template <class P>
std::vector<DotRecord<P>> MakeDots(int shape, double size) {
    std::mt19937 rng(static_cast<unsigned>(shape * 1000 + size));
    std::uniform_real_distribution<double> pos(0.0, kLayerSize), angle(0.0, 2 * kPi), aspect(0.5, 1.0);
    std::vector<DotRecord<P>> dots;
    for (int i = 0; i < kDotsPerBatch; ++i) {
        dots.push_back(DotRecord<P>{-1.0, pos(rng), pos(rng), DotColor<P>(), size, size * aspect(rng), angle(rng), shape});
    }
    return dots;
}

template <class P>
void BM_DrawDot(benchmark::State& state, int shape, double size) {
    std::vector<P> layer(static_cast<size_t>(kLayerSize) * kLayerSize, P{});
    DotCanvas<P> canvas(layer.data(), kLayerSize, kLayerSize, kLayerSize * static_cast<int>(sizeof(P)));
    const std::vector<DotRecord<P>> dots = MakeDots<P>(shape, size);
    for (auto _ : state) {
        for (const DotRecord<P>& dot : dots) DrawDot(canvas, dot);
        benchmark::DoNotOptimize(layer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kDotsPerBatch);
}

// The outlines of the batch in layer coordinates, built once: Cairo is timed on filling only.
std::vector<std::vector<std::pair<double, double>>> LayerOutlines(int shape, double size) {
    std::vector<std::vector<std::pair<double, double>>> out;
    for (const DotRecord<Pixel8>& dot : MakeDots<Pixel8>(shape, size)) {
        AffineTransform t;
        t.Translate(dot.x, dot.y);
        t.Rotate(dot.rotation);
        VertexList list;
        BuildDotOutline(list, t, dot.shape, dot.width, dot.height);
        std::vector<std::pair<double, double>> points;
        for (size_t i = 0; i < list.size(); ++i) {
            points.emplace_back(t.MapX(list[i].x, list[i].y), t.MapY(list[i].x, list[i].y));
        }
        out.push_back(std::move(points));
    }
    return out;
}

void BM_Cairo(benchmark::State& state, int shape, double size) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kLayerSize, kLayerSize);
    cairo_t* cr = cairo_create(surface);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_source_rgba(cr, 1.0, 125 / 255.0, 20 / 255.0, 1.0);
    const auto outlines = LayerOutlines(shape, size);
    for (auto _ : state) {
        for (const auto& points : outlines) {
            cairo_move_to(cr, points[0].first, points[0].second);
            for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr, points[i].first, points[i].second);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    }
    state.SetItemsProcessed(state.iterations() * kDotsPerBatch);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

// Console output as usual, plus the times kept for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            cpuTime_[run.benchmark_name()] = run.GetAdjustedCPUTime();  // CPU time: the build machine is shared
        }
    }

    void PrintRatios() const {
        std::printf("\n%-12s %6s %14s %14s %8s\n", "shape", "size", "ours ns/dot", "cairo ns/dot", "ratio");
        for (int shape = 1; shape <= 6; ++shape) {
            for (double size : kDotSizes) {
                const std::string suffix = std::string(kShapeNames[shape]) + "/" + std::to_string(static_cast<int>(size));
                const auto ours = cpuTime_.find("DrawDot8/" + suffix);
                const auto cairo = cpuTime_.find("Cairo/" + suffix);
                if (ours == cpuTime_.end() || cairo == cpuTime_.end()) continue;
                std::printf("%-12s %6d %14.1f %14.1f %8.2f\n", kShapeNames[shape], static_cast<int>(size),
                            ours->second / kDotsPerBatch, cairo->second / kDotsPerBatch, ours->second / cairo->second);
            }
        }
        // The dense frame: DrawDots as a whole against Cairo filling the same circles.
        const auto dots = cpuTime_.find("Dots/Dense/2160p/8bit");
        const auto grid = cpuTime_.find("Cairo/Grid/Dense/2160p/8bit");
        if (dots != cpuTime_.end() && grid != cpuTime_.end()) {
            std::printf("\nDots/Dense/2160p/8bit %.1f ms, Cairo/Grid/Dense/2160p/8bit %.1f ms: ratio %.2f\n",
                        dots->second, grid->second, dots->second / grid->second);
        }
    }

private:
    std::map<std::string, double> cpuTime_;  // in each run's own time unit
};

}  // namespace

int main(int argc, char** argv) {
    for (int shape = 1; shape <= 6; ++shape) {
        for (double size : kDotSizes) {
            const std::string suffix = std::string(kShapeNames[shape]) + "/" + std::to_string(static_cast<int>(size));
            benchmark::RegisterBenchmark(("DrawDot8/" + suffix).c_str(), BM_DrawDot<Pixel8>, shape, size)
                ->Unit(benchmark::kNanosecond);
            benchmark::RegisterBenchmark(("Cairo/" + suffix).c_str(), BM_Cairo, shape, size)->Unit(benchmark::kNanosecond);
        }
    }
    // The other depths differ only in the pixel writer.
    for (double size : {8.0, 128.0}) {
        const std::string suffix = "Circle/" + std::to_string(static_cast<int>(size));
        benchmark::RegisterBenchmark(("DrawDot16/" + suffix).c_str(), BM_DrawDot<Pixel16>, kDotShapeCircle, size);
        benchmark::RegisterBenchmark(("DrawDot32/" + suffix).c_str(), BM_DrawDot<Pixel32>, kDotShapeCircle, size);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
