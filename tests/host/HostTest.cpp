// The stand-in host's own bookkeeping, which every leak check in the tests relies on.
#include <gtest/gtest.h>

#include "host/Host.h"
#include "host/Image.h"

namespace tonedot::test {
namespace {

TEST(HostHandles, CountLiveHandlesAndCatchMisuse) {
    HandleHeap heap;
    PF_Handle a = heap.New(16);
    PF_Handle b = heap.New(0);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(heap.LiveCount(), 2u);
    EXPECT_EQ(heap.Size(a), 16u);
    void* p = heap.Lock(a);
    EXPECT_EQ(p, *a);
    EXPECT_EQ(heap.LockCount(a), 1);
    EXPECT_EQ(heap.Resize(32, &a), PF_Err_BAD_CALLBACK_PARAM) << "locked handles do not move";
    heap.Unlock(a);
    EXPECT_EQ(heap.Resize(32, &a), PF_Err_NONE);
    EXPECT_EQ(heap.Size(a), 32u);
    heap.Dispose(a);
    heap.Dispose(a);  // twice
    EXPECT_EQ(heap.MisuseCount(), 1u);
    heap.Dispose(b);
    EXPECT_EQ(heap.LiveCount(), 0u);
    heap.FailNextAllocations(1);
    EXPECT_EQ(heap.New(8), nullptr);
    PF_Handle c = heap.New(8);
    EXPECT_NE(c, nullptr);
    heap.Dispose(c);
}

TEST(HostSuites, WithholdAndCountAcquiresAgainstReleases) {
    SuiteRegistry suites;
    int table = 0;
    suites.Provide("X", 1, &table);
    const void* got = nullptr;
    EXPECT_EQ(suites.Acquire("X", 1, &got), kSPNoError);
    EXPECT_EQ(got, &table);
    EXPECT_NE(suites.Acquire("X", 2, &got), kSPNoError);
    EXPECT_EQ(got, nullptr);
    EXPECT_FALSE(suites.Balanced());
    EXPECT_EQ(suites.Release("X", 1), kSPNoError);
    EXPECT_TRUE(suites.Balanced());
    EXPECT_NE(suites.Release("X", 1), kSPNoError);
    EXPECT_FALSE(suites.Balanced()) << "a release of a suite not held is counted";
    suites.ResetCounts();
    suites.Withhold("X", 1);
    EXPECT_NE(suites.Acquire("X", 1, &got), kSPNoError);
    suites.Withhold("X", 1, false);
    EXPECT_EQ(suites.Acquire("X", 1, &got), kSPNoError);
    suites.Release("X", 1);
    EXPECT_TRUE(suites.Balanced());
}

TEST(HostInData, IsFilledAsTheRealHostFillsIt) {
    Host host(static_cast<EntryPointFn>(nullptr));
    Instance& instance = host.NewInstance();
    instance.context.width = 1920;
    instance.context.height = 1080;
    instance.context.downsampleX = {1, 2};
    instance.context.downsampleY = {1, 2};
    const PF_InData in = host.MakeInData(instance);
    EXPECT_EQ(in.appl_id, ('F' << 24) | ('X' << 16) | ('T' << 8) | 'C');
    EXPECT_EQ(Instance::FromRef(in.effect_ref), &instance);
    EXPECT_EQ(in.width, 1920);
    EXPECT_EQ(in.extent_hint.right, 960);
    EXPECT_EQ(in.extent_hint.bottom, 540);
    EXPECT_EQ(in.pica_basicP, &host.basicSuite);
    ASSERT_NE(in.utils, nullptr);
    char text[32];
    in.utils->ansi.sprintf(text, "%d.%d", 1, 6);
    EXPECT_STREQ(text, "1.6");
    EXPECT_EQ(in.inter.progress(in.effect_ref, 1, 2), PF_Err_NONE);
    instance.cancelAfter = 1;
    EXPECT_EQ(in.inter.progress(in.effect_ref, 2, 2), PF_Interrupt_CANCEL);
    EXPECT_EQ(in.inter.abort(in.effect_ref), PF_Err_NONE) << "abort checks count on their own";
    EXPECT_EQ(in.inter.abort(in.effect_ref), PF_Interrupt_CANCEL);
}

TEST(HostImages, KnowTheirFormatUntilTheyGo) {
    PF_EffectWorld copy{};
    {
        Image image(PF_PixelFormat_ARGB64, 3, 2, 5, -4);
        EXPECT_EQ(Image::FormatOf(image.World()), PF_PixelFormat_ARGB64);
        EXPECT_GT(image.World()->rowbytes, 3 * 8) << "rows are padded";
        EXPECT_EQ(image.World()->origin_x, 5);
        image.At<PF_Pixel16>(2, 1) = {1, 2, 3, 4};
        EXPECT_EQ(image.At<PF_Pixel16>(2, 1).blue, 4);
        copy = *image.World();
        EXPECT_EQ(Image::FormatOf(&copy), PF_PixelFormat_ARGB64) << "records are copied freely";
    }
    EXPECT_EQ(Image::FormatOf(&copy), 0);
}

}  // namespace
}  // namespace tonedot::test
