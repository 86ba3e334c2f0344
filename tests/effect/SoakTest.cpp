// A thousand frames in a row on one instance, through both render paths, all three depths,
// mask and custom-map layers, refused allocations, refused output checkouts and cancels:
// after every frame the host holds exactly what it held before (handles, worlds, suites,
// parameter checkouts), and the process does not grow.  The sanitizer build adds the leak
// checker on top.
#include <cstdio>
#include <memory>
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
#include <unistd.h>
#endif

#include "look/Choices.h"
#include "tests/support/WholeFrame.h"

using namespace Look;
using namespace Render;

namespace tonedot::test {
namespace {

constexpr int kFrames = 1000;
constexpr int kWarmUp = 100;

// Resident memory of this process in bytes; 0 when unknown.
size_t ResidentBytes() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return counters.WorkingSetSize;
#else
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long size = 0, resident = 0;
    const int n = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    return n == 2 ? resident * static_cast<size_t>(sysconf(_SC_PAGESIZE)) : 0;
#endif
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMeasureMemory = false;  // the sanitizers hold freed memory back on purpose
#else
constexpr bool kMeasureMemory = true;
#endif

class Soak : public WholeFrameTest {};

TEST_F(Soak, AThousandFramesLeaveNothingBehind) {
    constexpr A_long kW = 64, kH = 48;
    Layer(kW, kH);
    ASSERT_EQ(host.Send(PF_Cmd_SEQUENCE_SETUP).err, PF_Err_NONE);

    InstanceParams& v = Values();
    v.SetSlider(Index(ParamId::RandomInterval), 1);
    v.SetFloat(Index(ParamId::RandomSize), 0.4);
    v.SetFloat(Index(ParamId::DotSize), 6);
    v.SetPopup(Index(ParamId::Mask), kMaskLayer);
    const ParamId::Effector fx = ParamId::EffectorIds(0);
    v.SetCheckbox(Index(fx.enable), true);
    v.SetPopup(Index(fx.effectMap), kEffectMapCustom);
    v.SetCheckbox(Index(fx.pickSourceColor), true);
    v.SetCheckbox(Index(fx.absolute), true);
    v.SetFloat(Index(fx.absSize), 9);

    const PF_PixelFormat formats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                      PF_PixelFormat_ARGB128};
    std::vector<std::unique_ptr<Image>> inputs, masks, maps;
    for (PF_PixelFormat format : formats) {
        inputs.push_back(std::make_unique<Image>(format, kW, kH));
        PaintFrame(*inputs.back(), 1);
        masks.push_back(std::make_unique<Image>(format, kW / 2, kH));
        PaintFrame(*masks.back(), 2);
        maps.push_back(std::make_unique<Image>(format, kW * 2, kH / 3));
        PaintFrame(*maps.back(), 3);
    }

    const size_t handles = host.Handles().LiveCount();
    size_t residentAfterWarmUp = 0;
    int failures = 0, expectedFailures = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        const RenderPathKind path = frame % 2 ? RenderPathKind::Plain : RenderPathKind::Smart;
        const int depth = (frame / 2) % 3;
        const bool refuseWorld = frame % 10 == 9;
        const bool cancel = frame % 25 == 24;
        if (refuseWorld) host.Worlds().FailAllocation(0);
        if (cancel) host.Main().cancelAfter = 3;
        const RenderOutcome r =
            Render(path, *inputs[depth], frame, nullptr,
                   {{Index(ParamId::MaskTargetLayer), masks[depth].get()},
                    {Index(fx.customMapLayer), frame % 3 ? maps[depth].get() : nullptr}});
        host.Worlds().FailAllocation(-1);
        host.Main().cancelAfter = -1;
        host.Main().progressCalls = 0;

        if (refuseWorld) {
            ++expectedFailures;
            EXPECT_EQ(r.err, PF_Err_OUT_OF_MEMORY) << "frame " << frame;
        } else if (!cancel) {
            EXPECT_EQ(r.err, PF_Err_NONE) << "frame " << frame << ": " << r.message;
        }
        if (r.err != PF_Err_NONE) ++failures;

        // Nothing is held between frames.
        ASSERT_EQ(host.Handles().LiveCount(), handles) << "frame " << frame;
        ASSERT_EQ(host.Worlds().LiveCount(), 0u) << "frame " << frame;
        ASSERT_TRUE(host.Suites().Unbalanced().empty()) << "frame " << frame;
        ASSERT_EQ(v.Outstanding(), 0) << "frame " << frame;
        if (frame + 1 == kWarmUp) residentAfterWarmUp = ResidentBytes();
    }
    EXPECT_GE(failures, expectedFailures);
    EXPECT_EQ(host.Handles().MisuseCount(), 0u);
    EXPECT_EQ(host.Worlds().MisuseCount(), 0u);
    EXPECT_EQ(host.Worlds().MadeCount(), host.Worlds().DisposedCount());

    if (kMeasureMemory && residentAfterWarmUp) {
        const size_t residentAtEnd = ResidentBytes();
        const size_t growth = residentAtEnd > residentAfterWarmUp ? residentAtEnd - residentAfterWarmUp : 0;
        EXPECT_LT(growth, size_t(4) << 20)
            << "the process grew by " << growth << " bytes over " << kFrames - kWarmUp
            << " frames";
    }
    ASSERT_EQ(host.Send(PF_Cmd_SEQUENCE_SETDOWN).err, PF_Err_NONE);
}

}  // namespace
}  // namespace tonedot::test
