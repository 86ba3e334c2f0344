// Dots drawn in bands on the host's threads give the layer they give on one thread, whatever
// the number of bands and threads and the order the host runs them in; progress comes from
// thread 0 only and rises to 100, and a cancel stops every band.  The suite's name puts it
// in the ThreadSanitizer run of scripts/test-sanitizers.sh.
#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "look/Choices.h"
#include "look/ParamValues.h"
#include "render/frame/DrawDots.h"
#include "tests/support/WholeFrame.h"

using namespace Look;
using namespace Render;

namespace tonedot::test {
namespace {

constexpr A_long kW = 150, kH = 230;

// Whole frames through the host on its own pool: one worker against several.
class ConcurrentBands : public WholeFrameTest {
protected:
    void SetUp() override {
        WholeFrameTest::SetUp();
        Layer(kW, kH);
        InstanceParams& v = Values();
        v.SetFloat(Index(ParamId::DotSize), 14);
        v.SetFloat(Index(ParamId::DotDistanceX), 2);
        v.SetFloat(Index(ParamId::DotDistanceY), 1);
        v.SetFloat(Index(ParamId::DotOpacity), 85);
        v.SetFloat(Index(ParamId::RandomSize), 0.6);
        v.SetFloat(Index(ParamId::RandomRotation), 0.5);
        v.SetFloat(Index(ParamId::RandomDistanceY), 0.8);
        v.SetAngle(Index(ParamId::RandomH), 90);
        v.SetPoint(Index(ParamId::CenterPosition), 60, 140);
        const ParamId::Effector fx = ParamId::EffectorIds(0);
        v.SetCheckbox(Index(fx.enable), true);
        v.SetPopup(Index(fx.effectMap), kEffectMapRadial);
        v.SetPoint(Index(fx.position), 90, 60);
        v.SetFloat(Index(fx.size), 90);
        v.SetCheckbox(Index(fx.color), true);
        v.SetColor(Index(fx.blendColor), 20, 200, 90);
    }
};

TEST_F(ConcurrentBands, EveryLookComesOutAsOnOneThread) {
    struct Look {
        A_long shape;
        bool toFront;  // keyed order, drawn farthest first
        A_long mask;   // 1 Normal, 3 Layer
        bool invert;
        double size;  // dots of 90 and 160 pixels cross several bands
    };
    const Look looks[] = {{1, false, 1, false, 14}, {2, true, 3, false, 90}, {3, false, 3, true, 14},
                          {4, true, 1, true, 160},  {5, false, 1, false, 14}, {6, true, 3, false, 90}};
    const PF_PixelFormat formats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                      PF_PixelFormat_ARGB128};
    for (PF_PixelFormat format : formats) {
        Image input(format, kW, kH), mask(format, kW / 2, kH);
        PaintFrame(input, 1);
        PaintFrame(mask, 2);
        for (const Look& look : looks) {
            Values().SetPopup(Index(ParamId::DotShape), look.shape);
            Values().SetFloat(Index(ParamId::DotSize), look.size);
            Values().SetCheckbox(Index(ParamId::CenterDotToFront), look.toFront);
            Values().SetPopup(Index(ParamId::Mask), look.mask);
            Values().SetCheckbox(Index(ParamId::InvertMask), look.invert);
            const std::map<PF_ParamIndex, const Image*> layers = {
                {Index(ParamId::MaskTargetLayer), &mask}};
            std::unique_ptr<Image> one;
            for (int workers : {1, 2, 3, 7}) {
                host.SetWorkerCount(workers);
                host.Main().progressCalls = 0;
                for (RenderPathKind path : {RenderPathKind::Smart, RenderPathKind::Plain}) {
                    RenderOutcome r = Render(path, input, -1, nullptr, layers);
                    ASSERT_EQ(r.err, PF_Err_NONE) << r.message;
                    if (!one) {
                        one = std::move(r.output);
                        continue;
                    }
                    ASSERT_TRUE(SameImage(*one, *r.output))
                        << "shape " << look.shape << ", format " << format << ", " << workers
                        << " workers, " << PathName(path) << " path";
                }
                EXPECT_GT(host.Main().progressCalls.load(), 0);
            }
        }
    }
}

// DrawDots against a host whose iterate_generic runs the calls one after another on the
// calling thread, in an order the test picks, naming the threads as it likes.
struct FakeHost {
    std::vector<A_long> order;  // the i of each call, in the order they are made
    bool refuse = false;        // answer an error without calling
    A_long thread = -1;         // the thread index of the call running
    std::vector<A_long> progress;
    bool progressOffThreadZero = false;
    size_t cancelAt = SIZE_MAX;  // the answer to this report (0-based) is a cancel
};
FakeHost* gFake = nullptr;

PF_Err FakeIterate(A_long iterations, void* refcon,
                   PF_Err (*fn)(void*, A_long, A_long, A_long)) {
    if (gFake->refuse) return PF_Err_OUT_OF_MEMORY;
    EXPECT_EQ(iterations, PF_Iterations_ONCE_PER_PROCESSOR);
    const A_long count = static_cast<A_long>(gFake->order.size());
    for (A_long i : gFake->order) {
        gFake->thread = (i + 1) % count;  // iteration count - 1 runs on thread 0
        fn(refcon, gFake->thread, i, count);
    }
    gFake->thread = -1;  // back on the calling thread
    return PF_Err_NONE;
}

PF_Err FakeProgress(PF_ProgPtr, A_long current, A_long) {
    if (gFake->thread > 0) gFake->progressOffThreadZero = true;
    gFake->progress.push_back(current);
    return gFake->progress.size() == gFake->cancelAt + 1 ? PF_Interrupt_CANCEL : PF_Err_NONE;
}

ParamValues ManyDots(bool toFront) {
    ParamValues v{};
    v.dotShape = 5;
    v.dotColor = PF_Pixel{255, 255, 125, 20};
    v.dotSize = 9;
    v.rotationType = 1;
    v.dotOpacity = 70;
    v.distanceBetween = 1;
    v.dotDistanceX = v.dotDistanceY = 4;
    v.centerPosition = {80 << 16, 100 << 16};
    v.centerDotToFront = toFront ? 1 : 0;
    v.globalRotationCenter = 1;
    v.randomSize = 0.5;
    v.randomRotation = 0.5;
    return v;
}

PF_Err Draw(const ParamValues& values, PF_UtilCallbacks* utils, std::vector<Pixel16>& pixels) {
    PF_InData in{};
    in.inter.progress = FakeProgress;
    in.utils = utils;
    in.time_step = 1;
    ParamValues frameValues = values;
    RenderRecord record{};
    record.values = &frameValues;
    record.inData = &in;
    pixels.assign(160 * 200, Pixel16{});
    DotCanvas<Pixel16> canvas(pixels.data(), 160, 200, 160 * sizeof(Pixel16));
    return DrawDots(record, canvas);
}

TEST(ConcurrentBandsDrawDots, AnyOrderOfCallsDrawsTheSameLayerAndReportsFromThreadZero) {
    PF_UtilCallbacks utils{};
    utils.iterate_generic = FakeIterate;
    for (bool toFront : {false, true}) {
        FakeHost plain;
        gFake = &plain;
        std::vector<Pixel16> alone;
        ASSERT_EQ(Draw(ManyDots(toFront), nullptr, alone), PF_Err_NONE);
        const size_t dots = plain.progress.size();
        ASSERT_GT(dots, 100u);

        // Thread 0 first (it takes every band), thread 0 last (it finds none left), one call.
        for (std::vector<A_long> order : {std::vector<A_long>{2, 0, 1}, std::vector<A_long>{0, 1, 2, 3},
                                          std::vector<A_long>{0}}) {
            FakeHost fake;
            fake.order = order;
            gFake = &fake;
            std::vector<Pixel16> banded;
            ASSERT_EQ(Draw(ManyDots(toFront), &utils, banded), PF_Err_NONE);
            EXPECT_EQ(std::memcmp(alone.data(), banded.data(), alone.size() * sizeof(Pixel16)), 0)
                << order.size() << " calls";
            EXPECT_FALSE(fake.progressOffThreadZero);
            ASSERT_FALSE(fake.progress.empty());
            EXPECT_TRUE(std::is_sorted(fake.progress.begin(), fake.progress.end()));
            EXPECT_EQ(fake.progress.back(), 100);
            if (order.size() == 1) {
                EXPECT_EQ(fake.progress, plain.progress) << "one thread: as ever";
            }
        }
        // Refused: drawn on the calling thread as ever.
        FakeHost refused;
        refused.refuse = true;
        gFake = &refused;
        std::vector<Pixel16> again;
        ASSERT_EQ(Draw(ManyDots(toFront), &utils, again), PF_Err_NONE);
        EXPECT_EQ(refused.progress, plain.progress);
        EXPECT_EQ(std::memcmp(alone.data(), again.data(), alone.size() * sizeof(Pixel16)), 0);
    }
    gFake = nullptr;
}

TEST(ConcurrentBandsDrawDots, ACancelStopsEveryBand) {
    PF_UtilCallbacks utils{};
    utils.iterate_generic = FakeIterate;
    FakeHost whole;
    gFake = &whole;
    std::vector<Pixel16> full;
    ASSERT_EQ(Draw(ManyDots(false), &utils, full), PF_Err_NONE);
    // Thread 0 runs first and hears the cancel at its third report; the calls after it
    // draw nothing.
    FakeHost fake;
    fake.order = {2, 0, 1};
    fake.cancelAt = 2;
    gFake = &fake;
    std::vector<Pixel16> cancelled;
    EXPECT_EQ(Draw(ManyDots(false), &utils, cancelled), PF_Interrupt_CANCEL);
    EXPECT_EQ(fake.progress.size(), 3u);
    size_t drawn = 0;
    for (const Pixel16& p : cancelled) drawn += p.alpha != 0;
    EXPECT_GT(drawn, 0u);
    size_t all = 0;
    for (const Pixel16& p : full) all += p.alpha != 0;
    EXPECT_LT(drawn * 4, all) << "only thread 0's first dots are drawn";
    gFake = nullptr;
}


// A host whose iterate_generic runs its calls on threads of their own, all at once.
PF_Err ThreadedIterate(A_long iterations, void* refcon,
                       PF_Err (*fn)(void*, A_long, A_long, A_long)) {
    const A_long count = iterations == PF_Iterations_ONCE_PER_PROCESSOR ? 3 : iterations;
    std::vector<std::thread> threads;
    for (A_long i = 0; i < count; ++i) threads.emplace_back([=] { fn(refcon, i, i, count); });
    for (std::thread& t : threads) t.join();
    return PF_Err_NONE;
}

bool SameRecords(const DotList<Pixel8>& a, const DotList<Pixel8>& b) {
    if (a.noOrdering != b.noOrdering || a.dots.size() != b.dots.size()) return false;
    for (size_t i = 0; i < a.dots.size(); ++i) {
        const DotRecord<Pixel8>& p = a.dots[i];
        const DotRecord<Pixel8>& q = b.dots[i];
        const double pv[] = {p.key, p.x, p.y, p.width, p.height, p.rotation};
        const double qv[] = {q.key, q.x, q.y, q.width, q.height, q.rotation};
        if (std::memcmp(pv, qv, sizeof pv) != 0 || p.shape != q.shape || p.color.alpha != q.color.alpha ||
            p.color.red != q.color.red || p.color.green != q.color.green || p.color.blue != q.color.blue)
            return false;
    }
    return true;
}

// A dense frame (tens of thousands of dots) is laid out and ordered in parts on several
// threads when no front point is active; the records and their order are those of one
// thread, for seeded looks with rotation, random amounts and an effector.
TEST(ConcurrentParts, DenseFramesAreLaidOutAndOrderedAsOnOneThread) {
    PF_UtilCallbacks utils{};
    utils.iterate_generic = ThreadedIterate;
    PF_InData threaded{};
    threaded.utils = &utils;
    threaded.time_step = 1;
    PF_LayerDef mapLayer{};
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int look = 0; look < 8; ++look) {
        RenderRecord record = NewRenderRecord();
        ParamValues v{};
        record.values = &v;
        v.dotShape = 1 + look % 6;
        v.dotColor = PF_Pixel{255, 200, 120, 40};
        v.dotSize = 1 + unit(rng);
        v.dotOpacity = 80;
        v.rotationType = 1;
        v.distanceBetween = 1;
        v.dotDistanceX = v.dotDistanceY = 0.2 * unit(rng);
        v.centerPosition = {static_cast<int32_t>(unit(rng) * 400) << 16, static_cast<int32_t>(unit(rng) * 300) << 16};
        v.globalRotation = static_cast<int32_t>(unit(rng) * 90) << 16;
        v.globalRotationCenter = 1;
        v.randomSize = v.randomRotation = v.randomDistanceX = v.randomDistanceY = unit(rng);
        v.randomHue = 40 << 16;
        v.randomSeed = look;
        v.centerDotToFront = look == 6;  // front points: laid out on one thread, ordered by key
        Look::EffectorParams& e = v.effector[0];
        e.enable = look % 2;
        e.effectMap = kEffectMapRadial;
        e.position = {200 << 16, 150 << 16};
        e.size = 120;
        e.falloff = 50;
        e.customMapLayer = &mapLayer;
        e.centerDotToFront = look == 7;
        e.ratioSize = e.ratioRotation = 1;
        e.color = 1;
        e.blendMode = 1;
        e.blendColor = PF_Pixel{255, 20, 200, 90};

        // One pass over the rings as the walk makes them, then the ordering on one thread.
        const FrameValues<Pixel8> frame = MakeFrameValues<Pixel8>(v, 0, 1, 400, 300);
        EffectorState<Pixel8> effectors[kEffectorCount];
        for (int k = 0; k < kEffectorCount; ++k) InitEffectorState(effectors[k], v.effector[k], 400, 300);
        DotList<Pixel8> alone, inParts;
        uint64_t countAlone = 0, countInParts = 0;
        ASSERT_TRUE(LayOutDots(frame, [&](DotState<Pixel8>& dot, bool noOrdering) {
            ApplyEffectors(effectors, dot, noOrdering);
        }, alone, countAlone));
        OrderDots(alone);
        record.inData = &threaded;
        ASSERT_TRUE(LayOutFrameDots(record, 400, 300, inParts, countInParts));
        EXPECT_GT(alone.dots.size(), 20000u) << "look " << look;
        EXPECT_EQ(countAlone, countInParts);
        EXPECT_TRUE(SameRecords(alone, inParts)) << "look " << look;
    }
}

}  // namespace
}  // namespace tonedot::test
