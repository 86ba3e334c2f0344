// Worlds from the host: made cleared in the asked format, disposed once, and the fallbacks for
// hosts without "PF World Suite" 2.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "AEUtil/AEException.h"
#include "AEUtil/AEWorldSuite.h"
#include "AEUtil/HostVersion.h"
#include "host/Image.h"
#include "tests/support/TestHost.h"

namespace tonedot::test {
namespace {

class WorldSuiteTest : public LinkedHostTest {
protected:
    Host::ThreadScope scope{host};
    PF_InData in = host.MakeInData(host.Main());

    PF_PixelFormat FormatOf(const PF_EffectWorld* world) {
        PF_PixelFormat format = 0;
        EXPECT_EQ(GetWorldPixelFormat(&in, world, &format), PF_Err_NONE);
        return format;
    }
};

bool AllZero(const PF_EffectWorld& world, int bytesPerPixel) {
    for (A_long y = 0; y < world.height; ++y) {
        const unsigned char* row = reinterpret_cast<const unsigned char*>(world.data) +
                                   static_cast<size_t>(y) * world.rowbytes;
        for (A_long i = 0; i < world.width * bytesPerPixel; ++i)
            if (row[i]) return false;
    }
    return true;
}

TEST_F(WorldSuiteTest, NewWorldsAreClearedInEveryFormat) {
    for (PF_PixelFormat format :
         {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
        AEUtil::EffectWorldPtr world = AEUtil::WorldSuite::newWorld(&in, 7, 5, format);
        ASSERT_TRUE(world);
        EXPECT_EQ(world->width, 7);
        EXPECT_EQ(world->height, 5);
        EXPECT_GE(world->rowbytes, 7 * BytesPerPixel(format));
        EXPECT_TRUE(AllZero(*world, BytesPerPixel(format)));
        EXPECT_EQ(FormatOf(world.get()), format);
    }
    EXPECT_EQ(host.Worlds().MadeCount(), 3u);
    EXPECT_EQ(host.Worlds().LiveCount(), 0u);
    EXPECT_TRUE(host.Suites().Balanced());
}

TEST_F(WorldSuiteTest, CopiesShareOneWorldDisposedByTheLast) {
    AEUtil::EffectWorldPtr first = AEUtil::WorldSuite::newWorld(&in, 4, 4, PF_PixelFormat_ARGB32);
    {
        AEUtil::EffectWorldPtr second = first;
        EXPECT_EQ(second.get(), first.get());
        EXPECT_EQ(first.UseCount(), 2);
        first.reset();
        EXPECT_EQ(host.Worlds().LiveCount(), 1u) << "a copy still holds the world";
        AEUtil::EffectWorldPtr third;
        third = second;
        AEUtil::EffectWorldPtr moved = std::move(second);
        EXPECT_EQ(moved.UseCount(), 2);
    }
    EXPECT_EQ(host.Worlds().LiveCount(), 0u);
    EXPECT_EQ(host.Worlds().DisposedCount(), 1u);
    EXPECT_EQ(host.Worlds().MisuseCount(), 0u);
}

TEST_F(WorldSuiteTest, WithoutVersion2DeepWorldsComeFromVersion1) {
    host.Suites().Withhold(kPFWorldSuite, 2);
    AEUtil::EffectWorldPtr deep = AEUtil::WorldSuite::newWorld(&in, 3, 2, PF_PixelFormat_ARGB64);
    EXPECT_TRUE(deep->world_flags & PF_WorldFlag_DEEP) << "made with flags 3";
    EXPECT_EQ(deep->rowbytes >= 3 * 8, true);
    EXPECT_TRUE(AllZero(*deep, 8));
    EXPECT_EQ(FormatOf(deep.get()), PF_PixelFormat_ARGB64);
    AEUtil::EffectWorldPtr shallow = AEUtil::WorldSuite::newWorld(&in, 3, 2, PF_PixelFormat_ARGB32);
    EXPECT_FALSE(shallow->world_flags & PF_WorldFlag_DEEP);
    EXPECT_EQ(FormatOf(shallow.get()), PF_PixelFormat_ARGB32);
    EXPECT_EQ(host.Suites().AcquireCount(kPFWorldSuite, 1), 2u);
    deep.reset();
    shallow.reset();
    EXPECT_EQ(host.Worlds().LiveCount(), 0u) << "disposed through version 1";
}

TEST_F(WorldSuiteTest, PixelFormatFallsBackOnTheDeepFlag) {
    host.Suites().Withhold(kPFWorldSuite, 2);
    PF_EffectWorld world{};
    world.world_flags = PF_WorldFlag_DEEP | PF_WorldFlag_WRITEABLE;
    EXPECT_EQ(FormatOf(&world), PF_PixelFormat_ARGB64);
    world.world_flags = PF_WorldFlag_WRITEABLE;
    EXPECT_EQ(FormatOf(&world), PF_PixelFormat_ARGB32);
}

TEST_F(WorldSuiteTest, FloatWithoutVersion2IsAClearError) {
    host.Suites().Withhold(kPFWorldSuite, 2);
    try {
        AEUtil::WorldSuite::newWorld(&in, 3, 2, PF_PixelFormat_ARGB128);
        FAIL() << "expected a throw";
    } catch (const AEUtil::AEException& e) {
        EXPECT_EQ(e.Code(), PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_NE(std::string(e.Message()).find("float"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(host.Worlds().MadeCount(), 0u);
}

TEST_F(WorldSuiteTest, RefusedAllocationThrowsTheHostsCodeAndLeavesNothing) {
    host.Worlds().FailAllocation(1, PF_Err_OUT_OF_MEMORY);
    AEUtil::EffectWorldPtr ok = AEUtil::WorldSuite::newWorld(&in, 2, 2, PF_PixelFormat_ARGB32);
    try {
        AEUtil::WorldSuite::newWorld(&in, 2, 2, PF_PixelFormat_ARGB32);
        FAIL() << "expected a throw";
    } catch (const AEUtil::AEException& e) {
        EXPECT_EQ(e.Code(), PF_Err_OUT_OF_MEMORY);
        const std::string message = e.Message();
        EXPECT_NE(message.find("AEWorldSuite.cpp("), std::string::npos) << message;
        EXPECT_NE(message.find("AEUtil::WorldSuite::newWorld(PF_InData*"), std::string::npos);
    }
    ok.reset();
    EXPECT_EQ(host.Worlds().MisuseCount(), 0u) << "no dispose of a world never made";
    EXPECT_EQ(host.Worlds().LiveCount(), 0u);
    EXPECT_TRUE(host.Suites().Balanced());
}

TEST_F(WorldSuiteTest, UnknownFormatsAreRefusedBeforeAskingTheHost) {
    EXPECT_THROW(AEUtil::WorldSuite::newWorld(&in, 2, 2, PF_PixelFormat_INVALID),
                 AEUtil::AEException);
    EXPECT_EQ(host.Suites().TotalAcquires(), 0u);
}

TEST(HostVersionCode, MapsTheKnownVersions) {
    struct Row {
        A_short major, minor;
        int code;
    } rows[] = {{13, 2, 110}, {13, 1, 105}, {13, 0, 100}, {12, 14, 90}, {12, 13, 80},
                {12, 12, 70}, {12, 11, 65}, {12, 10, 0},  {11, 99, 0},  {12, 15, 9999},
                {13, 3, 9999}, {13, 5, 9999}, {13, 27, 9999}, {14, 0, 9999}};
    for (const Row& row : rows) {
        PF_InData in{};
        in.version = {row.major, row.minor};
        EXPECT_EQ(HostVersionCode(&in), row.code) << row.major << "." << row.minor;
    }
}

}  // namespace
}  // namespace tonedot::test
