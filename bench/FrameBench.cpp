// Whole frames through the stand-in host's smart path (pre-render, layer checkouts, render
// driver, grid, drawing, and the host's fill, copy and transfer), at
// 1920 x 1080 and 3840 x 2160:
//
//   Frame/Default/<size>/<depth>   the default parameters
//   Frame/Dense/<size>/<depth>     "Dot Size" 2, "Dot Distance X/Y" 1 (a dot every 3 pixels)
//   Frame/Shape/<shape>/1080p/8bit each shape with the other parameters at their defaults
//
// and the same frames as Dots/...: the effect's own share alone (DrawDots: grid, effectors,
// ordering, outlines, coverage, pixel writer) into a cleared dot layer, without the host's
// copies, fill and transfer.  Frames run with one host worker (iterate_generic on the
// calling thread), except
//
//   Frame/Dense/2160p/8bit/workers:<n>   the dense frame with n host workers (wall time)
//
// Each benchmark renders one frame untimed before the timed ones, which are then frames of
// a sequence: they find the memory the frame before kept (the host's worlds, the
// renderer's kept blocks) instead of fresh pages.
//
// Floor/<size>/<depth> is what no frame can go below: clear the output, copy the source,
// clear the dot layer and one composite pass of the dot layer over the output, with memset,
// memcpy and one vectorised loop (bench/Composite.h) on one thread; Floor/Memory/2160p/8bit
// does the same passes with a plain add in place of the composite, the floor memory allows.
//
//   build/tonedot_bench --benchmark_filter='Frame/|Dots/|Floor/'
//
// Frame/Dense/... and Dots/Dense/... report the most heap they took (peak_MB: host, images,
// layers, the dot list and everything DrawDots allocates; for Dots/ the layer, the dot list
// and DrawDots' own allocations), and Cairo/Grid/Dense/2160p/8bit is Cairo filling the
// outlines of the dense 2160p frame's dots, in drawing order, into an ARGB32 image of the
// same size (outlines built beforehand; Cairo is timed on filling only);
// Agg/Grid/Dense/2160p/8bit is AGG doing the same (bench/AggFill.h), where installed.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <string>

#include "AEUtil/EntryPoint.h"
#include "AEUtil/Pixel.h"
#include "bench/Composite.h"
#include "bench/PeakMemory.h"
#include "effect/ParamIds.h"
#include "host/Host.h"
#include "host/ParamServices.h"
#include "host/RenderCall.h"
#include "look/Choices.h"
#include "look/ParamValues.h"
#include "params/ParamRegistry.h"
#include "render/frame/DrawDots.h"
#include "render/layout/KeptBlocks.h"
#ifdef TONEDOT_HAVE_AGG
#include "bench/AggFill.h"
#endif

using Look::EffectorParams;
using Look::ParamValues;
using Look::kDotShapeCircle;
using namespace Params;
using namespace Render;

namespace {

using tonedot::Host;
using tonedot::Image;

enum class Look { Default, Dense };

struct FrameSize {
    const char* name;
    A_long width, height;
};
const FrameSize kSizes[] = {{"1080p", 1920, 1080}, {"2160p", 3840, 2160}};

struct Depth {
    const char* name;
    PF_PixelFormat format;
};
const Depth kDepths[] = {{"8bit", PF_PixelFormat_ARGB32},
                         {"16bit", PF_PixelFormat_ARGB64},
                         {"float", PF_PixelFormat_ARGB128}};

const char* const kShapeNames[] = {"", "Circle", "Square", "RoundSquare", "Cross", "Star", "Diamond"};

// An opaque mid-grey layer: the pixels do not change the work, only the size and depth do.
void PaintGrey(Image& image) {
    switch (image.Format()) {
        case PF_PixelFormat_ARGB32: image.Fill(Pixel8{255, 128, 128, 128}); break;
        case PF_PixelFormat_ARGB64: image.Fill(Pixel16{32768, 16384, 16384, 16384}); break;
        default: image.Fill(Pixel32{1.0f, 0.5f, 0.5f, 0.5f}); break;
    }
}

void BM_Frame(benchmark::State& state, FrameSize size, Depth depth, Look look, A_long shape,
              int workers) {
    ReleaseKeptBlocks();  // the frame's own blocks are counted, not those of earlier runs
    ResetPeakHeap();
    const size_t heapBefore = LiveHeapBytes();
    Host host(&EntryPointFunc);
    host.SetWorkerCount(workers);
    if (host.Send(PF_Cmd_GLOBAL_SETUP).err != PF_Err_NONE ||
        host.Send(PF_Cmd_PARAMS_SETUP).err != PF_Err_NONE) {
        state.SkipWithError("the effect did not set up");
        return;
    }
    host.Main().context.width = size.width;
    host.Main().context.height = size.height;
    tonedot::InstanceParams& values = tonedot::Params(host.Main());
    // Point parameters default to the middle of the layer.
    values.SetPoint(FindParamIndex(ParamId::CenterPosition), size.width / 2.0, size.height / 2.0);
    for (int n = 0; n < 3; ++n) {
        values.SetPoint(FindParamIndex(ParamId::EffectorIds(n).position), size.width / 2.0,
                        size.height / 2.0);
    }
    values.SetPopup(FindParamIndex(ParamId::DotShape), shape);
    if (look == Look::Dense) {
        values.SetFloat(FindParamIndex(ParamId::DotSize), 2);
        values.SetFloat(FindParamIndex(ParamId::DotDistanceX), 1);
        values.SetFloat(FindParamIndex(ParamId::DotDistanceY), 1);
    }

    Image input(depth.format, size.width, size.height);
    PaintGrey(input);
    tonedot::RenderJob job;
    job.input = &input;
    // "Custom Map Layer" defaults to this layer.
    for (int n = 0; n < 3; ++n)
        job.layers[FindParamIndex(ParamId::EffectorIds(n).customMapLayer)] = &input;
    // One frame untimed first: the timed ones are frames of a sequence, which find the
    // memory of the frame before.
    if (tonedot::RenderSmart(host, job).err != PF_Err_NONE) {
        state.SkipWithError("render failed");
        return;
    }
    for (auto _ : state) {
        tonedot::RenderOutcome r = tonedot::RenderSmart(host, job);
        if (r.err != PF_Err_NONE || !r.output) {
            state.SkipWithError(("render failed: " + r.message).c_str());
            break;
        }
        benchmark::DoNotOptimize(r.output->World()->data);
    }
    state.SetItemsProcessed(state.iterations() * size.width * size.height);  // pixels
    if (look == Look::Dense) state.counters["peak_MB"] = static_cast<double>(PeakHeapBytes() - heapBefore) / (1 << 20);
}

int32_t Fixed(double v) { return static_cast<int32_t>(std::lround(v * 65536.0)); }

// The parameters' defaults as the renderer receives them for a layer of this size.
ParamValues DefaultValues(FrameSize size, Look look, A_long shape) {
    ParamValues v{};
    v.dotShape = shape;
    v.dotColor = PF_Pixel{255, 255, 125, 20};
    v.dotSize = look == Look::Dense ? 2 : 10;
    v.rotationType = 1;
    v.dotOpacity = 100;
    v.distanceBetween = 1;
    v.dotDistanceX = v.dotDistanceY = look == Look::Dense ? 1 : 20;
    v.centerPosition = {Fixed(size.width / 2.0), Fixed(size.height / 2.0)};
    v.globalRotationCenter = 1;
    v.mask = 1;
    for (EffectorParams& e : v.effector) {
        e.effectMap = 3;
        e.position = v.centerPosition;
        e.size = 200;
        e.falloff = 100;
        e.tiling = 4;
        e.absSize = 20;
        e.absOpacity = 100;
        e.ratioSize = e.ratioAspect = e.ratioRotation = e.ratioOpacity = 1;
        e.blendMode = 1;
        e.blendColor = PF_Pixel{255, 255, 255, 255};
    }
    return v;
}

template <class P>
void BM_Floor(benchmark::State& state, FrameSize size) {
    const size_t count = static_cast<size_t>(size.width) * size.height;
    std::vector<P> source(count), output(count), dots(count);
    Image grey(PixelTraits<P>::pixelFormat, 1, 1);
    PaintGrey(grey);
    std::fill(source.begin(), source.end(), grey.At<P>(0, 0));
    for (auto _ : state) {
        std::memset(output.data(), 0, count * sizeof(P));
        std::memcpy(output.data(), source.data(), count * sizeof(P));
        std::memset(dots.data(), 0, count * sizeof(P));
        benchmark::ClobberMemory();
        bench::CompositeOver(dots.data(), output.data(), count);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * count);  // pixels
}

// What memory alone allows for the floor's passes over the same buffers: the same memset and
// memcpy, and a plain byte-wise add of the dot layer to the output in place of the composite.
void BM_FloorMemory(benchmark::State& state, FrameSize size) {
    const size_t bytes = static_cast<size_t>(size.width) * size.height * sizeof(Pixel8);
    std::vector<uint8_t> source(bytes, 128), output(bytes), dots(bytes);
    for (auto _ : state) {
        std::memset(output.data(), 0, bytes);
        std::memcpy(output.data(), source.data(), bytes);
        std::memset(dots.data(), 0, bytes);
        benchmark::ClobberMemory();
        uint8_t* o = output.data();
        const uint8_t* d = dots.data();
        for (size_t i = 0; i < bytes; ++i) o[i] = static_cast<uint8_t>(o[i] + d[i]);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * size.width * size.height);  // pixels
}

template <class P>
void BM_Dots(benchmark::State& state, FrameSize size, Look look, A_long shape) {
    ReleaseKeptBlocks();  // the frame's own blocks are counted, not those of earlier runs
    ResetPeakHeap();
    const size_t before = LiveHeapBytes();
    std::vector<P> layer(static_cast<size_t>(size.width) * size.height);
    PF_InData in{};
    auto draw = [&] {
        std::fill(layer.begin(), layer.end(), P{});  // the host hands out a cleared layer
        ParamValues values = DefaultValues(size, look, shape);
        RenderRecord record = NewRenderRecord();
        record.values = &values;
        record.inData = &in;
        DotCanvas<P> canvas(layer.data(), size.width, size.height,
                            size.width * static_cast<int>(sizeof(P)));
        return DrawDots(record, canvas);
    };
    if (draw() != PF_Err_NONE) {  // one frame untimed first, as for BM_Frame
        state.SkipWithError("DrawDots failed");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::fill(layer.begin(), layer.end(), P{});  // the host hands out a cleared layer
        ParamValues values = DefaultValues(size, look, shape);
        RenderRecord record = NewRenderRecord();
        record.values = &values;
        record.inData = &in;
        state.ResumeTiming();
        DotCanvas<P> canvas(layer.data(), size.width, size.height,
                            size.width * static_cast<int>(sizeof(P)));
        if (DrawDots(record, canvas) != PF_Err_NONE) {
            state.SkipWithError("DrawDots failed");
            break;
        }
        benchmark::DoNotOptimize(layer.data());
    }
    state.SetItemsProcessed(state.iterations() * size.width * size.height);  // pixels
    if (look == Look::Dense) state.counters["peak_MB"] = static_cast<double>(PeakHeapBytes() - before) / (1 << 20);
}

// The outlines of the frame's dots in drawing order, in layer coordinates, built before
// the timing: the other rasterisers are timed on filling only.
struct GridOutlines {
    std::vector<double> points;  // x, y of every outline point
    std::vector<size_t> ends;    // end of each outline in `points`
    std::vector<Pixel8> colors;
};

bool LayOutGrid(FrameSize size, Look look, GridOutlines& out) {
    ParamValues values = DefaultValues(size, look, kDotShapeCircle);
    RenderRecord record = NewRenderRecord();
    record.values = &values;
    DotList<Pixel8> list;
    uint64_t count = 0;
    if (!LayOutFrameDots(record, size.width, size.height, list, count)) return false;
    VertexList outline;
    const size_t n = list.dots.size();
    for (size_t i = 0; i < n; ++i) {
        const DotRecord<Pixel8>& dot = list.dots[list.noOrdering ? i : n - 1 - i];
        if (dot.width == 0.0 || dot.height == 0.0) continue;
        AffineTransform t;
        t.Translate(dot.x, dot.y);
        t.Rotate(dot.rotation);
        if (!BuildDotOutline(outline, t, dot.shape, dot.width, dot.height)) continue;
        for (size_t k = 0; k < outline.size(); ++k) {
            out.points.push_back(t.MapX(outline[k].x, outline[k].y));
            out.points.push_back(t.MapY(outline[k].x, outline[k].y));
        }
        out.ends.push_back(out.points.size());
        out.colors.push_back(dot.color);
    }
    return true;
}

// Cairo filling the outlines of the frame's dots with anti-aliasing, in drawing order.
void BM_CairoGrid(benchmark::State& state, FrameSize size, Look look) {
    GridOutlines grid;
    if (!LayOutGrid(size, look, grid)) {
        state.SkipWithError("too many dots");
        return;
    }
    const std::vector<double>& points = grid.points;
    const std::vector<size_t>& ends = grid.ends;
    const std::vector<Pixel8>& colors = grid.colors;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.width, size.height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    for (auto _ : state) {
        state.PauseTiming();
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        state.ResumeTiming();
        size_t begin = 0;
        for (size_t d = 0; d < ends.size(); ++d) {
            const Pixel8& c = colors[d];
            cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
            cairo_move_to(cr, points[begin], points[begin + 1]);
            for (size_t k = begin + 2; k < ends[d]; k += 2) cairo_line_to(cr, points[k], points[k + 1]);
            cairo_close_path(cr);
            cairo_fill(cr);
            begin = ends[d];
        }
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    }
    state.SetItemsProcessed(state.iterations() * size.width * size.height);  // pixels
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

#ifdef TONEDOT_HAVE_AGG
// AGG filling the same outlines (bench/AggFill.h), in drawing order.
void BM_AggGrid(benchmark::State& state, FrameSize size, Look look) {
    GridOutlines grid;
    if (!LayOutGrid(size, look, grid)) {
        state.SkipWithError("too many dots");
        return;
    }
    AggCanvas canvas(size.width, size.height);
    for (auto _ : state) {
        state.PauseTiming();
        canvas.Clear();
        state.ResumeTiming();
        size_t begin = 0;
        for (size_t d = 0; d < grid.ends.size(); ++d) {
            const Pixel8& c = grid.colors[d];
            canvas.Fill(&grid.points[begin], (grid.ends[d] - begin) / 2, c.red, c.green, c.blue, c.alpha);
            begin = grid.ends[d];
        }
        benchmark::DoNotOptimize(canvas.Data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * size.width * size.height);  // pixels
}
#endif

void RegisterDots(const std::string& name, FrameSize size, Depth depth, Look look, A_long shape) {
    benchmark::internal::Benchmark* b = nullptr;
    if (depth.format == PF_PixelFormat_ARGB32)
        b = benchmark::RegisterBenchmark(name.c_str(), BM_Dots<Pixel8>, size, look, shape);
    else if (depth.format == PF_PixelFormat_ARGB64)
        b = benchmark::RegisterBenchmark(name.c_str(), BM_Dots<Pixel16>, size, look, shape);
    else
        b = benchmark::RegisterBenchmark(name.c_str(), BM_Dots<Pixel32>, size, look, shape);
    b->Unit(benchmark::kMillisecond);
}

// Registered before main() runs, beside the rasteriser benchmarks.
const bool kRegistered = [] {
    for (const FrameSize& size : kSizes) {
        for (const Depth& depth : kDepths) {
            const std::string suffix = std::string(size.name) + "/" + depth.name;
            benchmark::RegisterBenchmark(("Frame/Default/" + suffix).c_str(), BM_Frame, size, depth,
                                         Look::Default, 1, 1)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("Frame/Dense/" + suffix).c_str(), BM_Frame, size, depth,
                                         Look::Dense, 1, 1)
                ->Unit(benchmark::kMillisecond);
            RegisterDots("Dots/Default/" + suffix, size, depth, Look::Default, 1);
            RegisterDots("Dots/Dense/" + suffix, size, depth, Look::Dense, 1);
            if (size.height == 2160 && depth.format == PF_PixelFormat_ARGB32) {
                benchmark::RegisterBenchmark(("Cairo/Grid/Dense/" + suffix).c_str(), BM_CairoGrid, size, Look::Dense)
                    ->Unit(benchmark::kMillisecond);
#ifdef TONEDOT_HAVE_AGG
                benchmark::RegisterBenchmark(("Agg/Grid/Dense/" + suffix).c_str(), BM_AggGrid, size, Look::Dense)
                    ->Unit(benchmark::kMillisecond);
#endif
            }
        }
    }
    for (int workers : {1, 2}) {
        benchmark::RegisterBenchmark(
            ("Frame/Dense/2160p/8bit/workers:" + std::to_string(workers)).c_str(), BM_Frame,
            kSizes[1], kDepths[0], Look::Dense, 1, workers)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    const FrameSize& uhd = kSizes[1];
    benchmark::RegisterBenchmark("Floor/2160p/8bit", BM_Floor<Pixel8>, uhd)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Floor/2160p/16bit", BM_Floor<Pixel16>, uhd)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Floor/2160p/float", BM_Floor<Pixel32>, uhd)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Floor/Memory/2160p/8bit", BM_FloorMemory, uhd)->Unit(benchmark::kMillisecond);
    for (A_long shape = 1; shape <= 6; ++shape) {
        benchmark::RegisterBenchmark(
            (std::string("Frame/Shape/") + kShapeNames[shape] + "/1080p/8bit").c_str(), BM_Frame,
            kSizes[0], kDepths[0], Look::Default, shape, 1)
            ->Unit(benchmark::kMillisecond);
        RegisterDots(std::string("Dots/Shape/") + kShapeNames[shape] + "/1080p/8bit", kSizes[0],
                     kDepths[0], Look::Default, shape);
    }
    return true;
}();

}  // namespace
