// Hostile parameter values and layers through the stand-in host: every parameter at both
// ends of what the host lets it hold, the combinations that multiply the work (huge dots,
// step-1 grids on 8K layers, wide random jitter, a grid centre far away), degenerate and
// oversized layers.  Each frame must render, or fail cleanly with PF_Err_OUT_OF_MEMORY and a
// message, within bounded time and memory and with nothing left behind.
#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <psapi.h>
#undef far  // old pointer keywords the Windows headers define as macros
#undef near
#else
#include <sys/resource.h>
#endif

#include "look/Choices.h"
#include "tests/support/WholeFrame.h"

using namespace Look;
using namespace Render;

namespace tonedot::test {
namespace {

// A frame that takes longer than this is taken for a hang (a guard, not a speed test; the
// sanitizer builds are many times slower than the plain one).
constexpr double kHangSeconds = 300;

// The far end of what a 16.16 fixed-point value holds, in whole units.
constexpr double kFixedFar = 32000;

struct Extreme {
    std::string what;
    PF_ParamDefUnion value;
};

// The two ends of a parameter's range as the host would let it hold them.
std::vector<Extreme> Ends(const PF_ParamDef& def) {
    std::vector<Extreme> ends;
    PF_ParamDefUnion low = def.u, high = def.u;
    switch (def.param_type) {
        case PF_Param_FLOAT_SLIDER:
            low.fs_d.value = def.u.fs_d.valid_min;
            high.fs_d.value = def.u.fs_d.valid_max;
            break;
        case PF_Param_SLIDER:
            low.sd.value = def.u.sd.valid_min;
            high.sd.value = def.u.sd.valid_max;
            break;
        case PF_Param_FIX_SLIDER:
            low.fd.value = def.u.fd.valid_min;
            high.fd.value = def.u.fd.valid_max;
            break;
        case PF_Param_POPUP:
            low.pd.value = 1;
            high.pd.value = def.u.pd.num_choices;
            break;
        case PF_Param_CHECKBOX:
            low.bd.value = 0;
            high.bd.value = 1;
            break;
        case PF_Param_ANGLE:
            low.ad.value = static_cast<PF_Fixed>(-kFixedFar * 65536);
            high.ad.value = static_cast<PF_Fixed>(kFixedFar * 65536);
            break;
        case PF_Param_POINT:
            low.td.x_value = low.td.y_value = static_cast<PF_Fixed>(-kFixedFar * 65536);
            high.td.x_value = high.td.y_value = static_cast<PF_Fixed>(kFixedFar * 65536);
            break;
        case PF_Param_COLOR:
            low.cd.value = PF_Pixel{0, 0, 0, 0};
            high.cd.value = PF_Pixel{255, 255, 255, 255};
            break;
        default:
            return ends;  // layers, groups: nothing to vary here
    }
    ends.push_back({std::string(def.name) + " at its low end", low});
    ends.push_back({std::string(def.name) + " at its high end", high});
    return ends;
}

// Peak resident memory of the process so far, in MiB.
long PeakMiB() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return static_cast<long>(counters.PeakWorkingSetSize / (1024 * 1024));
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
#endif
}

class HostileParams : public WholeFrameTest {
protected:
    // Renders one frame and checks it ended cleanly: rendered, or refused for memory with a
    // message; in bounded time; with every handle, world, suite and checkout given back.
    PF_Err RenderCleanly(RenderPathKind path, const Image& input, const std::string& what,
                         const std::map<PF_ParamIndex, const Image*>& layers = {}) {
        const size_t handles = host.Handles().LiveCount();
        const auto start = std::chrono::steady_clock::now();
        const RenderOutcome r = Render(path, input, -1, nullptr, layers);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, kHangSeconds) << what << " (" << PathName(path) << ")";
        if (r.err == PF_Err_OUT_OF_MEMORY) {
            EXPECT_NE(r.message, "") << what << ": refused without a message";
        } else {
            EXPECT_EQ(r.err, PF_Err_NONE) << what << " (" << PathName(path) << "): " << r.message;
            EXPECT_TRUE(r.output) << what;
        }
        EXPECT_EQ(host.Handles().LiveCount(), handles) << what;
        EXPECT_EQ(host.Worlds().LiveCount(), 0u) << what;
        EXPECT_TRUE(host.Suites().Unbalanced().empty()) << what;
        EXPECT_EQ(Values().Outstanding(), 0) << what;
        RecordProperty(Slug(what) + "_seconds", std::to_string(seconds));
        return r.err;
    }

    static std::string Slug(const std::string& text) {
        std::string slug;
        for (char c : text) slug += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
        return slug;
    }

    std::vector<PF_ParamDef> Definitions() { return Catalog(host).Definitions(); }
};

TEST_F(HostileParams, EveryParameterAtBothEndsOfItsRange) {
    Layer(48, 32);
    Image input8(PF_PixelFormat_ARGB32, 48, 32), input32(PF_PixelFormat_ARGB128, 48, 32);
    PaintFrame(input8, 0);
    PaintFrame(input32, 0);
    const std::vector<PF_ParamDef> defs = Definitions();
    int tried = 0;
    for (A_long index = 1; index < static_cast<A_long>(defs.size()); ++index) {
        for (const Extreme& end : Ends(defs[index])) {
            Values().SetValue(index, end.value);
            RenderCleanly(RenderPathKind::Smart, input8, end.what);
            RenderCleanly(RenderPathKind::Plain, input32, end.what);
            ++tried;
        }
        Values().SetValue(index, defs[index].u);  // back to the default
    }
    EXPECT_GT(tried, 100) << "the parameter table was not walked";
}

TEST_F(HostileParams, EveryParameterAtTheSameEndAtOnce) {
    Layer(64, 40);
    Image input(PF_PixelFormat_ARGB64, 64, 40);
    PaintFrame(input, 0);
    const std::vector<PF_ParamDef> defs = Definitions();
    for (int side = 0; side < 2; ++side) {
        for (A_long index = 1; index < static_cast<A_long>(defs.size()); ++index) {
            const std::vector<Extreme> ends = Ends(defs[index]);
            if (!ends.empty()) Values().SetValue(index, ends[side].value);
        }
        for (RenderPathKind path : {RenderPathKind::Smart, RenderPathKind::Plain})
            RenderCleanly(path, input, side ? "everything high" : "everything low");
    }
}

// Three overlapping effectors each multiplying the size by 100 and adding 100: dots some
// 10^8 times the frame.  They are clipped to the frame, never walked in full.
TEST_F(HostileParams, ThreeEffectorsMultiplyingTheSize) {
    Layer(160, 120);
    Image input(PF_PixelFormat_ARGB32, 160, 120);
    PaintFrame(input, 0);
    InstanceParams& v = Values();
    v.SetFloat(Index(ParamId::DotSize), 1000);
    v.SetFloat(Index(ParamId::DotDistanceX), 0);
    v.SetFloat(Index(ParamId::DotDistanceY), 0);
    for (int n = 0; n < 3; ++n) {
        const ParamId::Effector fx = ParamId::EffectorIds(n);
        v.SetCheckbox(Index(fx.enable), true);
        v.SetPoint(Index(fx.position), 80, 60);
        v.SetFloat(Index(fx.size), 5000);
        v.SetFloat(Index(fx.ratioSize), 100);
        v.SetFloat(Index(fx.offsetSize), 100);
    }
    for (double size : {1000.0, 10.0}) {  // a few enormous dots, or many merely huge ones
        v.SetFloat(Index(ParamId::DotSize), size);
        for (A_long shape = 1; shape <= 6; ++shape) {
            v.SetPopup(Index(ParamId::DotShape), shape);
            RenderCleanly(RenderPathKind::Smart, input,
                          "giant dots, size " + std::to_string(size) + ", shape " +
                              std::to_string(shape));
        }
    }
    v.SetSlider(Index(ParamId::RandomInterval), 1);
    v.SetFloat(Index(ParamId::RandomSize), 50);
    v.SetFloat(Index(ParamId::RandomRotation), 50);
    RenderCleanly(RenderPathKind::Plain, input, "giant randomised dots");
}

// "Dot Size" 0 with both distances 0: a dot on every pixel.  At 8K (7680 x 4320) the dot
// records alone would take some 2 GB per frame, several times over on a threaded host: the
// frame is refused with PF_Err_OUT_OF_MEMORY and a message, before any dot is made.  At 4K
// (3840 x 2160) the frame still renders.
TEST_F(HostileParams, OneDotPerPixel) {
    InstanceParams& v = Values();
    v.SetFloat(Index(ParamId::DotSize), 0);
    v.SetFloat(Index(ParamId::DotDistanceX), 0);
    v.SetFloat(Index(ParamId::DotDistanceY), 0);
    {
        Layer(7680, 4320);
        Image input(PF_PixelFormat_ARGB32, 7680, 4320);
        EXPECT_EQ(RenderCleanly(RenderPathKind::Smart, input, "size 0, distances 0, 8K"),
                  PF_Err_OUT_OF_MEMORY);
        Image deep(PF_PixelFormat_ARGB128, 7680, 4320);
        const RenderOutcome r = Render(RenderPathKind::Plain, deep);
        EXPECT_EQ(r.err, PF_Err_OUT_OF_MEMORY);
        EXPECT_NE(r.message.find("dots"), std::string::npos) << r.message;
    }
    // Dots with a size, from an effector covering the frame.
    const ParamId::Effector fx = ParamId::EffectorIds(0);
    v.SetCheckbox(Index(fx.enable), true);
    v.SetFloat(Index(fx.size), 5000);
    v.SetFloat(Index(fx.offsetSize), 2);
    Layer(3840, 2160);
    Image input(PF_PixelFormat_ARGB32, 3840, 2160);
    PaintFrame(input, 0);
    EXPECT_EQ(RenderCleanly(RenderPathKind::Smart, input, "sized dots at distances 0, 4K"),
              PF_Err_NONE);
    RecordProperty("peak_MiB", std::to_string(PeakMiB()));
}

// Random distances of 50 cells: the extended frame grows by 51 steps on every side.
TEST_F(HostileParams, RandomDistancesOfFifty) {
    Layer(320, 240);
    Image input(PF_PixelFormat_ARGB128, 320, 240);
    PaintFrame(input, 0);
    InstanceParams& v = Values();
    v.SetFloat(Index(ParamId::RandomDistanceX), 50);
    v.SetFloat(Index(ParamId::RandomDistanceY), 50);
    for (double size : {10.0, 0.0}) {
        v.SetFloat(Index(ParamId::DotSize), size);
        v.SetFloat(Index(ParamId::DotDistanceX), size ? 20 : 0);
        v.SetFloat(Index(ParamId::DotDistanceY), size ? 20 : 0);
        RenderCleanly(RenderPathKind::Plain, input, "random distances 50, size " + std::to_string(size));
    }
}

// A grid centre as far from the layer as a point value reaches, on every side, with the
// finest grid: the walk must not visit the empty rings one cell at a time.
TEST_F(HostileParams, GridCentreFarOutsideTheLayer) {
    Layer(320, 240);
    Image input(PF_PixelFormat_ARGB32, 320, 240);
    PaintFrame(input, 0);
    InstanceParams& v = Values();
    v.SetFloat(Index(ParamId::DotSize), 0);
    v.SetFloat(Index(ParamId::DotDistanceX), 0);
    v.SetFloat(Index(ParamId::DotDistanceY), 0);
    const ParamId::Effector fx = ParamId::EffectorIds(0);
    v.SetCheckbox(Index(fx.enable), true);
    v.SetFloat(Index(fx.size), 5000);
    v.SetFloat(Index(fx.offsetSize), 1);
    const double far[][2] = {{-kFixedFar, -kFixedFar}, {kFixedFar, kFixedFar},
                             {-kFixedFar, 120},        {160, kFixedFar}};
    for (const auto& c : far) {
        v.SetPoint(Index(ParamId::CenterPosition), c[0], c[1]);
        for (double rotation : {0.0, 33.0}) {
            v.SetAngle(Index(ParamId::GlobalRotation), rotation);
            RenderCleanly(RenderPathKind::Smart, input,
                          "centre " + std::to_string(c[0]) + "," + std::to_string(c[1]) +
                              " rotated " + std::to_string(rotation));
        }
    }
}

// Layers of 1 x 1 and of 0 x 0 pixels, at full and at reduced resolution.
TEST_F(HostileParams, TinyAndEmptyLayers) {
    for (A_long size : {1, 0}) {
        for (PF_RationalScale ds : {PF_RationalScale{1, 1}, PF_RationalScale{1, 4}}) {
            Layer(size, size, ds, ds);
            Image input(PF_PixelFormat_ARGB64, size, size);
            for (RenderPathKind path : {RenderPathKind::Smart, RenderPathKind::Plain})
                RenderCleanly(path, input, std::to_string(size) + " x " + std::to_string(size) +
                                               " layer at 1/" + std::to_string(ds.den));
        }
    }
}

// Custom map layers (and a mask layer) many times the size of the frame, fitted and not, in
// every tiling mode.
TEST_F(HostileParams, MapLayersLargerThanTheFrame) {
    Layer(64, 48);
    Image input(PF_PixelFormat_ARGB32, 64, 48);
    Image map(PF_PixelFormat_ARGB32, 2000, 1500), mask(PF_PixelFormat_ARGB32, 3000, 10);
    PaintFrame(input, 0);
    PaintFrame(map, 1);
    PaintFrame(mask, 2);
    InstanceParams& v = Values();
    v.SetPopup(Index(ParamId::Mask), kMaskLayer);
    std::map<PF_ParamIndex, const Image*> layers = {{Index(ParamId::MaskTargetLayer), &mask}};
    for (int n = 0; n < 3; ++n) {
        const ParamId::Effector fx = ParamId::EffectorIds(n);
        v.SetCheckbox(Index(fx.enable), true);
        v.SetPopup(Index(fx.effectMap), kEffectMapCustom);
        v.SetCheckbox(Index(fx.pickSourceColor), true);
        layers[Index(fx.customMapLayer)] = &map;
    }
    for (A_long tiling = 1; tiling <= 4; ++tiling) {
        for (bool fit : {false, true}) {
            for (int n = 0; n < 3; ++n) {
                const ParamId::Effector fx = ParamId::EffectorIds(n);
                v.SetPopup(Index(fx.tiling), tiling);
                v.SetCheckbox(Index(fx.fitToLayer), fit);
            }
            const std::string what =
                "map 2000 x 1500, tiling " + std::to_string(tiling) + (fit ? ", fitted" : "");
            RenderCleanly(RenderPathKind::Smart, input, what, layers);
            RenderCleanly(RenderPathKind::Plain, input, what, layers);
        }
    }
}

}  // namespace
}  // namespace tonedot::test
