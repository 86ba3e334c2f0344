// Eight threads render eight different frames of one instance at the same time, on the
// smart-render path and on the plain path; every frame must come out byte for byte as it
// does when rendered alone.  Run under ThreadSanitizer by scripts/test-sanitizers.sh.
#include <atomic>
#include <memory>
#include <vector>

#include "look/Choices.h"
#include "tests/support/WholeFrame.h"

using namespace Look;
using namespace Render;

namespace tonedot::test {
namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 3;

class Concurrency : public WholeFrameTest,
                    public ::testing::WithParamInterface<std::tuple<RenderPathKind, PF_PixelFormat>> {
protected:
    void SetUp() override {
        WholeFrameTest::SetUp();
        Layer(96, 64);
        // A pattern that changes with every frame: a new random state per frame, a keyed
        // size, randomised attributes and colours, and an effector with a colour blend.
        InstanceParams& v = Values();
        v.SetSlider(Index(ParamId::RandomInterval), 1);
        v.SetSlider(Index(ParamId::RandomSeed), 23);
        v.SetFloat(Index(ParamId::RandomSize), 0.5);
        v.SetFloat(Index(ParamId::RandomRotation), 0.25);
        v.SetFloat(Index(ParamId::RandomOpacity), 0.3);
        v.SetFloat(Index(ParamId::RandomDistanceX), 0.4);
        v.SetAngle(Index(ParamId::RandomH), 40);
        v.SetPopup(Index(ParamId::DotShape), kDotShapeStar);  // the general fill path
        v.SetFloat(Index(ParamId::DotDistanceX), 3);
        v.SetFloat(Index(ParamId::DotDistanceY), 2);
        const A_long size = Index(ParamId::DotSize);
        PF_ParamDef def{};
        ASSERT_TRUE(Catalog(host).Definition(size, &def));
        for (int frame = 0; frame < kThreads; ++frame) {
            def.u.fs_d.value = 5 + 1.5 * frame;
            v.SetValueAt(size, frame / 24.0, def.u);
        }
        const ParamId::Effector fx = ParamId::EffectorIds(0);
        v.SetCheckbox(Index(fx.enable), true);
        v.SetPopup(Index(fx.effectMap), kEffectMapRadial);
        v.SetPoint(Index(fx.position), 40, 30);
        v.SetFloat(Index(fx.size), 50);
        v.SetCheckbox(Index(fx.color), true);
        v.SetColor(Index(fx.blendColor), 200, 30, 90);
    }

    RenderPathKind Path() const { return std::get<0>(GetParam()); }
    PF_PixelFormat Format() const { return std::get<1>(GetParam()); }
};

TEST_P(Concurrency, EightFramesAtOnceMatchTheFramesRenderedAlone) {
    std::vector<std::unique_ptr<Image>> inputs, alone;
    for (int frame = 0; frame < kThreads; ++frame) {
        inputs.push_back(std::make_unique<Image>(Format(), 96, 64));
        PaintFrame(*inputs.back(), frame);
        RenderOutcome r = Render(Path(), *inputs.back(), frame);
        ASSERT_EQ(r.err, PF_Err_NONE) << r.message;
        ASSERT_TRUE(r.output);
        alone.push_back(std::move(r.output));
    }
    for (int frame = 1; frame < kThreads; ++frame)
        ASSERT_FALSE(SameImage(*alone[0], *alone[frame])) << "frames must differ, frame " << frame;
    {
        // The frame time alone changes the dots, so a thread given another's time would show.
        RenderOutcome later = Render(Path(), *inputs[0], kThreads - 1);
        ASSERT_TRUE(later.output);
        ASSERT_FALSE(SameImage(*alone[0], *later.output)) << "the dots do not follow the time";
    }

    std::atomic<int> failed{0}, differed{0};
    RenderConcurrently(host, kThreads, [&](int thread) {
        for (int round = 0; round < kRounds; ++round) {
            const int frame = (thread + round) % kThreads;  // every thread meets every frame
            RenderOutcome r = Render(Path(), *inputs[frame], frame);
            if (r.err != PF_Err_NONE || !r.output) {
                ++failed;
            } else if (!SameImage(*r.output, *alone[frame])) {
                ++differed;
            }
        }
    });
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(differed.load(), 0) << "a frame rendered beside others came out differently";
    EXPECT_EQ(Values().Outstanding(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Concurrency,
    ::testing::Combine(::testing::Values(RenderPathKind::Smart, RenderPathKind::Plain),
                       ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB128)),
    [](const auto& info) {
        return std::string(PathName(std::get<0>(info.param))) +
               (std::get<1>(info.param) == PF_PixelFormat_ARGB32 ? "8" : "32");
    });

}  // namespace
}  // namespace tonedot::test
