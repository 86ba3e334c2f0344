// Frames through the stand-in host on both render paths: depths, rectangles, layer checkouts,
// the source copy, failures, and nothing left behind.
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "AEUtil/Pixel.h"
#include "effect/CustomFilter.h"
#include "effect/ParamIds.h"
#include "host/ParamServices.h"
#include "host/PixelServices.h"
#include "host/RenderCall.h"
#include "look/Choices.h"
#include "look/ParamValues.h"
#include "params/ParamRegistry.h"
#include "tests/support/TestHost.h"

using namespace Params;
using namespace Look;

namespace tonedot::test {
namespace {

template <class P>
P Pattern(A_long x, A_long y) {
    using T = PixelTraits<P>;
    if constexpr (T::isFloat) {
        return P{1.0f, x / 64.0f, y / 64.0f, 0.25f};
    } else {
        return P{T::Full(), static_cast<typename T::Channel>(x * 3 % 200),
                 static_cast<typename T::Channel>(y * 5 % 200), 7};
    }
}

template <class P>
void Paint(Image& image) {
    for (A_long y = 0; y < image.Height(); ++y)
        for (A_long x = 0; x < image.Width(); ++x) image.At<P>(x, y) = Pattern<P>(x, y);
}

template <class P>
bool Same(const P& a, const P& b) {
    return std::memcmp(&a, &b, sizeof(P)) == 0;
}

class RenderPath : public LinkedHostTest {
protected:
    void SetUp() override {
        ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(host.Send(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
        ASSERT_GT(Index(ParamId::Mask), 0);
        // Invisible dots, so what lies under them can be checked; tests that want dots
        // make them visible.
        Values().SetFloat(Index(ParamId::DotOpacity), 0.0);
    }

    static A_long Index(A_long id) { return FindParamIndex(id); }
    InstanceParams& Values(Instance& instance) { return Params(instance); }
    InstanceParams& Values() { return Params(host.Main()); }

    void Layer(A_long width, A_long height, PF_RationalScale ds = {1, 1}) {
        host.Main().context.width = width;
        host.Main().context.height = height;
        host.Main().context.downsampleX = ds;
        host.Main().context.downsampleY = ds;
    }

    RenderOutcome Plain(const Image& input, Instance* instance = nullptr) {
        Instance& inst = instance ? *instance : host.Main();
        ParamArray array = Params(inst).MakeParamArray(inst.context.currentTime,
                                                       inst.context.timeScale);
        RenderJob job;
        job.instance = &inst;
        job.input = &input;
        job.params = array.data();
        job.paramCount = static_cast<A_long>(array.defs.size());
        return RenderPlain(host, job);
    }
};

template <class P>
void ExpectSourceCopied(const Image& input, const Image& output) {
    ASSERT_EQ(output.Format(), input.Format());
    ASSERT_EQ(output.Width(), input.Width());
    for (A_long y = 0; y < input.Height(); ++y)
        for (A_long x = 0; x < input.Width(); ++x)
            ASSERT_TRUE(Same(output.At<P>(x, y), input.At<P>(x, y))) << x << "," << y;
}

TEST_F(RenderPath, BothPathsRenderEveryDepth) {
    Layer(40, 30);
    Values().SetFloat(Index(ParamId::DotSize), 0);  // no dot drawn: the output is the source
    for (PF_PixelFormat format :
         {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
        Image input(format, 40, 30);
        if (format == PF_PixelFormat_ARGB32) Paint<Pixel8>(input);
        if (format == PF_PixelFormat_ARGB64) Paint<Pixel16>(input);
        if (format == PF_PixelFormat_ARGB128) Paint<Pixel32>(input);
        RenderJob job;
        job.input = &input;
        for (int path = 0; path < 2; ++path) {
            RenderOutcome r = path ? Plain(input) : RenderSmart(host, job);
            ASSERT_EQ(r.err, PF_Err_NONE) << r.message;
            ASSERT_TRUE(r.output);
            if (format == PF_PixelFormat_ARGB32) ExpectSourceCopied<Pixel8>(input, *r.output);
            if (format == PF_PixelFormat_ARGB64) ExpectSourceCopied<Pixel16>(input, *r.output);
            if (format == PF_PixelFormat_ARGB128) ExpectSourceCopied<Pixel32>(input, *r.output);
        }
    }
    EXPECT_EQ(host.Worlds().MadeCount(), 6u) << "one dot layer per frame";
    EXPECT_EQ(Values().Outstanding(), 0);
}

TEST_F(RenderPath, DeepWorldsAreRecognisedWithoutWorldSuite2) {
    Layer(16, 8);
    host.Suites().Withhold(kPFWorldSuite, 2);
    Image input(PF_PixelFormat_ARGB64, 16, 8);
    Paint<Pixel16>(input);
    RenderOutcome r = Plain(input);
    ASSERT_EQ(r.err, PF_Err_NONE) << r.message;
    ExpectSourceCopied<Pixel16>(input, *r.output);
    EXPECT_EQ(host.Suites().AcquireCount(kPFWorldSuite, 1), 2u) << "dot layer made and disposed";
}

TEST_F(RenderPath, HighQualityCopiesWithCopyHq) {
    Layer(8, 8);
    Image input(PF_PixelFormat_ARGB32, 8, 8);
    for (PF_Quality quality : {PF_Quality_HI, PF_Quality_LO}) {
        host.Main().context.quality = quality;
        const long hq = PixelServiceCalls().copyHq, plain = PixelServiceCalls().copy;
        ASSERT_EQ(Plain(input).err, PF_Err_NONE);
        EXPECT_EQ(PixelServiceCalls().copyHq - hq, quality == PF_Quality_HI ? 1 : 0);
        EXPECT_EQ(PixelServiceCalls().copy - plain, quality == PF_Quality_HI ? 0 : 1);
    }
}

TEST_F(RenderPath, ACancelEndsTheFrameWithoutDots) {
    Layer(64, 48);
    Image input(PF_PixelFormat_ARGB32, 64, 48);
    input.Fill(Pixel8{255, 10, 20, 30});
    Values().SetFloat(Index(ParamId::DotOpacity), 100.0);
    RenderJob job;
    job.input = &input;
    // Drawn to the end, the dots change the picture.
    RenderOutcome drawn = RenderSmart(host, job);
    ASSERT_EQ(drawn.err, PF_Err_NONE) << drawn.message;
    ASSERT_GT(host.Main().progressCalls.load(), 0) << "progress is reported while drawing";
    bool changed = false;
    for (A_long y = 0; y < 48 && !changed; ++y)
        for (A_long x = 0; x < 64 && !changed; ++x)
            changed = !Same(drawn.output->At<Pixel8>(x, y), input.At<Pixel8>(x, y));
    EXPECT_TRUE(changed);
    // Cancelled at the first report: the cancel code, and the output keeps the copied source.
    host.Main().cancelAfter = 0;
    for (int path = 0; path < 2; ++path) {
        host.Main().progressCalls = 0;
        RenderOutcome r = path ? Plain(input) : RenderSmart(host, job);
        EXPECT_EQ(r.err, PF_Interrupt_CANCEL);
        ExpectSourceCopied<Pixel8>(input, *r.output);
    }
}

TEST_F(RenderPath, BothPathsGiveTheSameFrame) {
    Layer(48, 32);
    Values().SetFloat(Index(ParamId::DotOpacity), 80.0);
    Image input(PF_PixelFormat_ARGB64, 48, 32);
    Paint<Pixel16>(input);
    for (A_long mask : {1, 2, 3}) {  // Layer with no layer chosen: absent on both paths
        for (bool invert : {false, true}) {
            Values().SetPopup(Index(ParamId::Mask), mask);
            Values().SetCheckbox(Index(ParamId::InvertMask), invert);
            RenderJob job;
            job.input = &input;
            RenderOutcome smart = RenderSmart(host, job);
            RenderOutcome plain = Plain(input);
            ASSERT_EQ(smart.err, PF_Err_NONE) << smart.message;
            ASSERT_EQ(plain.err, PF_Err_NONE) << plain.message;
            ASSERT_EQ(smart.output->Width(), plain.output->Width());
            for (A_long y = 0; y < 32; ++y)
                for (A_long x = 0; x < 48; ++x)
                    ASSERT_TRUE(Same(smart.output->At<Pixel16>(x, y),
                                     plain.output->At<Pixel16>(x, y)))
                        << "mask " << mask << " invert " << invert << " at " << x << "," << y;
        }
    }
}

// A radial effector's map layer control is disabled by the UI rules, yet the effector acts
// on both paths alike.
TEST_F(RenderPath, BothPathsApplyARadialEffectorWhoseLayerControlIsDisabled) {
    Layer(64, 64);
    Image input(PF_PixelFormat_ARGB32, 64, 64);
    Paint<Pixel8>(input);
    const ParamId::Effector fx = ParamId::EffectorIds(0);
    Values().SetFloat(Index(ParamId::DotOpacity), 100.0);
    Values().SetCheckbox(Index(ParamId::ClearBackground), true);
    Values().SetCheckbox(Index(fx.enable), true);
    Values().SetPopup(Index(fx.effectMap), kEffectMapRadial);
    Values().SetPoint(Index(fx.position), 32.0, 32.0);
    Values().SetFloat(Index(fx.size), 20.0);
    Values().SetCheckbox(Index(fx.absolute), true);
    Values().SetFloat(Index(fx.absSize), 0.0);
    Values().SetLayer(Index(fx.customMapLayer), input.World());
    Values().SetUIFlags(Index(fx.customMapLayer), PF_PUI_DISABLED);
    RenderJob job;
    job.input = &input;
    job.layers[Index(fx.customMapLayer)] = &input;
    RenderOutcome smart = RenderSmart(host, job);
    RenderOutcome plain = Plain(input);
    ASSERT_EQ(smart.err, PF_Err_NONE) << smart.message;
    ASSERT_EQ(plain.err, PF_Err_NONE) << plain.message;
    // The effector shrinks the dot at its centre away; far from it dots stay.
    EXPECT_EQ(smart.output->At<Pixel8>(32, 32).alpha, 0);
    EXPECT_GT(smart.output->At<Pixel8>(2, 2).alpha + smart.output->At<Pixel8>(62, 62).alpha, 0);
    for (A_long y = 0; y < 64; ++y)
        for (A_long x = 0; x < 64; ++x)
            ASSERT_TRUE(Same(smart.output->At<Pixel8>(x, y), plain.output->At<Pixel8>(x, y)))
                << x << "," << y;
}

TEST_F(RenderPath, UnknownFormatsAreRefused) {
    Image input(PF_PixelFormat_INVALID, 4, 4);
    RenderJob job;
    job.input = &input;
    EXPECT_EQ(RenderSmart(host, job).err, PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_EQ(Plain(input).err, PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_EQ(host.Worlds().MadeCount(), 0u);
}

TEST_F(RenderPath, ClearBackgroundLeavesTransparentBlack) {
    Layer(20, 10);
    Values().SetCheckbox(Index(ParamId::ClearBackground), true);
    Image input(PF_PixelFormat_ARGB32, 20, 10);
    Paint<Pixel8>(input);
    RenderJob job;
    job.input = &input;
    for (int path = 0; path < 2; ++path) {
        RenderOutcome r = path ? Plain(input) : RenderSmart(host, job);
        ASSERT_EQ(r.err, PF_Err_NONE);
        for (A_long y = 0; y < 10; ++y)
            for (A_long x = 0; x < 20; ++x)
                ASSERT_TRUE(Same(r.output->At<Pixel8>(x, y), Pixel8{0, 0, 0, 0}));
    }
}

TEST_F(RenderPath, PreRenderRectanglesFollowTheMask) {
    struct Row {
        A_long mask;
        bool invert;
        PF_RationalScale ds;
        PF_LRect want;
        bool whole;
    } rows[] = {
        {1, false, {1, 1}, {10, 10, 50, 50}, false},
        {2, false, {1, 1}, {0, 0, 1920, 1080}, true},
        {2, false, {1, 2}, {0, 0, 960, 540}, true},
        {3, false, {1, 2}, {0, 0, 960, 540}, true},
        {1, true, {1, 1}, {0, 0, 1920, 1080}, true},
        {1, true, {1, 3}, {0, 0, 640, 360}, true},
    };
    for (const Row& row : rows) {
        Layer(1920, 1080, row.ds);
        Values().SetPopup(Index(ParamId::Mask), row.mask);
        Values().SetCheckbox(Index(ParamId::InvertMask), row.invert);
        const A_long w = static_cast<A_long>(1920.0 * row.ds.num / row.ds.den + 0.5);
        const A_long h = static_cast<A_long>(1080.0 * row.ds.num / row.ds.den + 0.5);
        Image input(PF_PixelFormat_ARGB32, w, h);
        RenderJob job;
        job.input = &input;
        job.request = {10, 10, 50, 50};
        RenderOutcome r = RenderSmart(host, job);
        ASSERT_EQ(r.preRenderErr, PF_Err_NONE);
        const PF_LRect& got = r.preRender.result_rect;
        EXPECT_EQ(got.left, row.want.left) << row.mask << row.invert;
        EXPECT_EQ(got.top, row.want.top);
        EXPECT_EQ(got.right, row.want.right) << row.mask << row.invert << row.ds.den;
        EXPECT_EQ(got.bottom, row.want.bottom);
        if (row.whole) {
            EXPECT_EQ(std::memcmp(&r.preRender.max_result_rect, &got, sizeof got), 0);
            EXPECT_EQ(r.preRender.flags, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS);
        }
        ASSERT_EQ(r.err, PF_Err_NONE) << r.message;
    }
}

TEST_F(RenderPath, TheSourceLandsAtItsOriginOnAWholeLayerOutput) {
    Layer(64, 48);
    Values().SetPopup(Index(ParamId::Mask), kMaskNone);  // the output is the whole layer
    Values().SetFloat(Index(ParamId::DotSize), 0);  // and no dot is drawn over the source
    Image input(PF_PixelFormat_ARGB32, 64, 48);
    Paint<Pixel8>(input);
    RenderJob job;
    job.input = &input;
    job.request = {10, 12, 50, 40};
    RenderOutcome r = RenderSmart(host, job);
    ASSERT_EQ(r.err, PF_Err_NONE) << r.message;
    ASSERT_EQ(r.output->Width(), 64);
    for (A_long y = 0; y < 48; ++y) {
        for (A_long x = 0; x < 64; ++x) {
            const bool inside = x >= 10 && x < 50 && y >= 12 && y < 40;
            ASSERT_TRUE(Same(r.output->At<Pixel8>(x, y),
                             inside ? input.At<Pixel8>(x, y) : Pixel8{0, 0, 0, 0}))
                << x << "," << y;
        }
    }
}

TEST_F(RenderPath, ExtraLayersAreCheckedOutInTwoStepsAndEmptyOnesAreNone) {
    Layer(40, 30);
    Image input(PF_PixelFormat_ARGB32, 40, 30);
    Image map(PF_PixelFormat_ARGB32, 17, 9);
    const A_long mapIndex = Index(ParamId::EffectorIds(1).customMapLayer);
    RenderJob job;
    job.input = &input;
    job.layers[mapIndex] = &map;
    RenderOutcome r = RenderSmart(host, job);
    ASSERT_EQ(r.err, PF_Err_NONE) << r.message;

    const A_long ids[] = {ParamId::MaskTargetLayer, ParamId::EffectorIds(0).customMapLayer,
                          ParamId::EffectorIds(1).customMapLayer,
                          ParamId::EffectorIds(2).customMapLayer};
    ASSERT_EQ(r.checkouts.size(), 9u);  // four probes, four layers, the input
    for (int i = 0; i < 4; ++i) {
        const LayerCheckout& probe = r.checkouts[2 * i];
        const LayerCheckout& full = r.checkouts[2 * i + 1];
        EXPECT_EQ(probe.index, Index(ids[i]));
        EXPECT_EQ(probe.checkoutId, 1000001 + i);
        EXPECT_EQ(probe.request.right, 0) << "the probe asks for nothing";
        EXPECT_EQ(full.checkoutId, 1 + i);
        EXPECT_EQ(full.request.right, probe.result.ref_width);
        EXPECT_EQ(full.request.bottom, probe.result.ref_height);
        EXPECT_EQ(full.none, i != 2);
    }
    EXPECT_EQ(r.checkouts[2 * 2 + 1].request.right, 17);
    EXPECT_EQ(r.checkouts[8].checkoutId, 0);
    EXPECT_EQ(r.pixelCheckouts, (std::vector<A_long>{0, 1, 2, 3, 4}));
}

TEST_F(RenderPath, FailuresLeaveNothingBehind) {
    Layer(20, 10);
    Image input(PF_PixelFormat_ARGB32, 20, 10);
    RenderJob job;
    job.input = &input;

    host.Handles().FailNextAllocations(1);
    RenderOutcome r = RenderSmart(host, job);
    EXPECT_EQ(r.preRenderErr, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(r.preRender.pre_render_data, nullptr);

    // A pre-render that fails after making its record gives the handle back itself.
    for (A_long id : {1000001, 3, 0}) {
        job.failCheckoutId = id;
        r = RenderSmart(host, job);
        EXPECT_EQ(r.preRenderErr, PF_Err_OUT_OF_MEMORY) << id;
        EXPECT_EQ(r.preRender.pre_render_data, nullptr);
        EXPECT_EQ(r.preRender.delete_pre_render_data_func, nullptr);
        EXPECT_EQ(host.Handles().LiveCount(), 0u);
    }
    job.failCheckoutId = -1;

    host.Worlds().FailAllocation(0, PF_Err_OUT_OF_MEMORY);
    r = RenderSmart(host, job);
    EXPECT_EQ(r.err, PF_Err_OUT_OF_MEMORY);
    EXPECT_NE(r.message.find("newWorld"), std::string::npos) << r.message;
    EXPECT_TRUE(r.preRenderDataDeleted);
    r = Plain(input);
    EXPECT_EQ(r.err, PF_Err_OUT_OF_MEMORY);
    host.Worlds().FailAllocation(-1);

    host.Suites().Withhold(kPFWorldTransformSuite, 1);
    r = Plain(input);
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    host.Suites().Withhold(kPFWorldTransformSuite, 1, false);

    job.failOutputCheckout = true;
    r = RenderSmart(host, job);
    EXPECT_EQ(r.err, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(r.leftCheckedOut, 1) << "the host checked the input in itself";
    EXPECT_EQ(Values().Outstanding(), 0);
    EXPECT_TRUE(host.Suites().Balanced());
}

// Captures what the plain path hands the renderer.
class CapturingFilter : public CustomFilter {
public:
    PF_Err RenderByFormat(RenderRecord* record) override {
        const PF_LayerDef* mask = Look::ValuesOf(*record).maskTargetLayer;
        maskData = mask ? mask->data : nullptr;
        pixelFormat = record->pixelFormat;
        renderArea = record->renderArea;
        return PF_Err_NONE;
    }
    void* maskData = nullptr;
    PF_PixelFormat pixelFormat = 0;
    PF_LRect renderArea{};
};

PF_Err RenderWith(Host& host, Instance& instance, CapturingFilter& filter, const Image& input,
                  Image& output) {
    Host::ThreadScope scope(host);
    ParamArray array = Params(instance).MakeParamArray(0, instance.context.timeScale);
    PF_ParamDef inputDef = *array.pointers[0];
    inputDef.u.ld = *input.World();
    array.pointers[0] = &inputDef;
    PF_InData in = host.MakeInData(instance);
    PF_OutData out{};
    return filter.Render(&in, &out, array.data(), output.World());
}

TEST_F(RenderPath, PlainLayersArriveWhateverTheirControlAndEmptyOnesAreNull) {
    const A_long maskIndex = Index(ParamId::MaskTargetLayer);
    Image input(PF_PixelFormat_ARGB64, 8, 8);
    Image output(PF_PixelFormat_ARGB64, 8, 8);
    Image mask(PF_PixelFormat_ARGB64, 5, 5);
    Image empty(PF_PixelFormat_ARGB64, 0, 0);
    CapturingFilter filter;

    Values().SetLayer(maskIndex, mask.World());
    ASSERT_EQ(RenderWith(host, host.Main(), filter, input, output), PF_Err_NONE);
    EXPECT_EQ(filter.maskData, mask.World()->data);
    EXPECT_EQ(filter.pixelFormat, PF_PixelFormat_ARGB64);

    // A disabled control still delivers its layer, as the smart path's checkouts do.
    Values().SetUIFlags(maskIndex, PF_PUI_DISABLED);
    ASSERT_EQ(RenderWith(host, host.Main(), filter, input, output), PF_Err_NONE);
    EXPECT_EQ(filter.maskData, mask.World()->data) << "disabled";
    Values().SetUIFlags(maskIndex, 0);

    Values().SetLayer(maskIndex, empty.World());
    ASSERT_EQ(RenderWith(host, host.Main(), filter, input, output), PF_Err_NONE);
    EXPECT_EQ(filter.maskData, nullptr) << "a layer without pixels";
    Values().SetLayer(maskIndex, nullptr);
    ASSERT_EQ(RenderWith(host, host.Main(), filter, input, output), PF_Err_NONE);
    EXPECT_EQ(filter.maskData, nullptr) << "none";
    EXPECT_EQ(Values().Outstanding(), 0);
    EXPECT_EQ(Values().Checkouts(), Values().Checkins());
}

TEST_F(RenderPath, ConcurrentPlainRendersKeepTheirOwnLayers) {
    const A_long maskIndex = Index(ParamId::MaskTargetLayer);
    constexpr int kThreads = 6;
    std::vector<std::unique_ptr<Image>> masks;
    std::vector<Instance*> instances;
    for (int i = 0; i < kThreads; ++i) {
        masks.push_back(std::make_unique<Image>(PF_PixelFormat_ARGB32, 3 + i, 3));
        instances.push_back(&host.NewInstance());
        Params(*instances.back()).SetLayer(maskIndex, masks.back()->World());
    }
    // Filters are made before the threads start: making one sets the C locale, which only
    // the first host call does in the effect.
    std::vector<std::unique_ptr<CapturingFilter>> filters;
    for (int i = 0; i < kThreads; ++i) filters.push_back(std::make_unique<CapturingFilter>());
    std::atomic<int> mismatches{0};
    RenderConcurrently(host, kThreads, [&](int i) {
        CapturingFilter& filter = *filters[i];
        Image input(PF_PixelFormat_ARGB32, 4, 4);
        Image output(PF_PixelFormat_ARGB32, 4, 4);
        for (int k = 0; k < 200; ++k) {
            if (RenderWith(host, *instances[i], filter, input, output) != PF_Err_NONE ||
                filter.maskData != masks[i]->World()->data) {
                ++mismatches;
            }
        }
    });
    EXPECT_EQ(mismatches.load(), 0);
    for (Instance* instance : instances) EXPECT_EQ(Params(*instance).Outstanding(), 0);
}

TEST_F(RenderPath, ConcurrentFramesOnBothPaths) {
    Layer(24, 16);
    std::atomic<int> failures{0};
    RenderConcurrently(host, 4, [&](int i) {
        Image input(PF_PixelFormat_ARGB32, 24, 16);
        Paint<Pixel8>(input);
        RenderJob job;
        job.input = &input;
        for (int k = 0; k < 10; ++k) {
            RenderOutcome r = (i % 2) ? Plain(input) : RenderSmart(host, job);
            if (r.err != PF_Err_NONE) ++failures;
        }
    });
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace tonedot::test
