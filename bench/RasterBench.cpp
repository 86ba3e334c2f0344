// Dot drawing alone: DrawDot (outline, 8 x 8 coverage, pixel writer) per shape and dot size
// into a 1024 x 1024 layer, next to Cairo filling the same outlines with anti-aliasing into
// an ARGB32 image of the same size, and Anti-Grain Geometry (Agg/..., where installed) doing
// the same (bench/AggFill.h).  After the runs a table gives our time per dot against both.
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
#include <set>
#include <string>
#include <vector>
#include "look/Choices.h"
#include "render/base/Constants.h"
#include "render/drawing/DotCanvas.h"
#include "render/raster/DotShapes.h"
#ifdef TONEDOT_HAVE_AGG
#include "bench/AggFill.h"
#endif

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

#ifdef TONEDOT_HAVE_AGG
void BM_Agg(benchmark::State& state, int shape, double size) {
    AggCanvas canvas(kLayerSize, kLayerSize);
    std::vector<std::vector<double>> outlines;
    for (const auto& points : LayerOutlines(shape, size)) {
        std::vector<double> xy;
        for (const auto& p : points) xy.insert(xy.end(), {p.first, p.second});
        outlines.push_back(std::move(xy));
    }
    for (auto _ : state) {
        for (const auto& xy : outlines) canvas.Fill(xy.data(), xy.size() / 2, 255, 125, 20, 255);
        benchmark::DoNotOptimize(canvas.Data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kDotsPerBatch);
}
#endif

// Console output as usual, plus the times kept for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // CPU time (the build machine is shared): of the median where repetitions give one,
        // else of the last run.
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Iteration && !medianSeen_.count(run.run_name.str())) {
                cpuTime_[run.run_name.str()] = run.GetAdjustedCPUTime();
            } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                cpuTime_[run.run_name.str()] = run.GetAdjustedCPUTime();
                medianSeen_.insert(run.run_name.str());
            }
        }
    }

    void PrintRatios() const {
        auto perDot = [&](const std::string& name) {
            const auto it = cpuTime_.find(name);
            return it == cpuTime_.end() ? -1.0 : it->second / kDotsPerBatch;
        };
        bool header = false;
        double logSum = 0;
        int cells = 0;
        for (int shape = 1; shape <= 6; ++shape) {
            for (double size : kDotSizes) {
                const std::string suffix = std::string(kShapeNames[shape]) + "/" + std::to_string(static_cast<int>(size));
                const double ours = perDot("DrawDot8/" + suffix), agg = perDot("Agg/" + suffix),
                             cairo = perDot("Cairo/" + suffix);
                if (ours < 0 || (agg < 0 && cairo < 0)) continue;
                if (!header) {
                    std::printf("\n%-12s %6s %12s %12s %12s %9s %9s %9s\n", "shape", "size", "ours ns/dot",
                                "agg ns/dot", "cairo ns/dot", "/agg", "/cairo", "/best");
                    header = true;
                }
                // The faster yardstick; AGG's self-crossing Star below 32 pixels is not the
                // picture we draw, so there Cairo counts.
                const bool aggCounts = agg > 0 && !(shape == kDotShapeStar && size < 32);
                const double best = aggCounts && (cairo < 0 || agg < cairo) ? agg : cairo;
                std::printf("%-12s %6d %12.1f %12.1f %12.1f %9.2f %9.2f %9.2f\n", kShapeNames[shape],
                            static_cast<int>(size), ours, agg, cairo, agg > 0 ? ours / agg : 0.0,
                            cairo > 0 ? ours / cairo : 0.0, best > 0 ? ours / best : 0.0);
                if (best > 0) {
                    logSum += std::log(ours / best);
                    ++cells;
                }
            }
        }
        if (cells > 0) std::printf("geometric mean of ours / best: %.2f over %d cells\n", std::exp(logSum / cells), cells);
        // The dense frame: DrawDots as a whole against Cairo and AGG filling the same circles.
        const auto dots = cpuTime_.find("Dots/Dense/2160p/8bit");
        for (const char* other : {"Cairo/Grid/Dense/2160p/8bit", "Agg/Grid/Dense/2160p/8bit"}) {
            const auto grid = cpuTime_.find(other);
            if (dots != cpuTime_.end() && grid != cpuTime_.end()) {
                std::printf("Dots/Dense/2160p/8bit %.1f ms, %s %.1f ms: ratio %.2f\n", dots->second, other,
                            grid->second, dots->second / grid->second);
            }
        }
        // The frame against the memory floor.
        const auto floor = cpuTime_.find("Floor/2160p/8bit"), memory = cpuTime_.find("Floor/Memory/2160p/8bit"),
                   frame = cpuTime_.find("Frame/Default/2160p/8bit");
        if (memory != cpuTime_.end()) {
            for (auto it : {floor, frame}) {
                if (it == cpuTime_.end()) continue;
                std::printf("%s %.2f ms, Floor/Memory/2160p/8bit %.2f ms: ratio %.2f\n", it->first.c_str(),
                            it->second, memory->second, it->second / memory->second);
            }
        }
    }

private:
    std::map<std::string, double> cpuTime_;  // in each run's own time unit
    std::set<std::string> medianSeen_;
};

}  // namespace

int main(int argc, char** argv) {
    for (int shape = 1; shape <= 6; ++shape) {
        for (double size : kDotSizes) {
            const std::string suffix = std::string(kShapeNames[shape]) + "/" + std::to_string(static_cast<int>(size));
            benchmark::RegisterBenchmark(("DrawDot8/" + suffix).c_str(), BM_DrawDot<Pixel8>, shape, size)
                ->Unit(benchmark::kNanosecond);
            benchmark::RegisterBenchmark(("Cairo/" + suffix).c_str(), BM_Cairo, shape, size)->Unit(benchmark::kNanosecond);
#ifdef TONEDOT_HAVE_AGG
            benchmark::RegisterBenchmark(("Agg/" + suffix).c_str(), BM_Agg, shape, size)->Unit(benchmark::kNanosecond);
#endif
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
