// The two parameter getters and the descriptors' fetch and release in both modes.
#include <gtest/gtest.h>

#include <cstring>

#include "effect/ParamTable.h"
#include "look/ParamValues.h"
#include "params/ParamDescriptors.h"
#include "params/ParamGetter.h"
#include "params/ParamRegistry.h"
#include "tests/support/ParamFakeHost.h"

using namespace Look;
using namespace Params;

namespace {

PF_ParamDef Def(PF_ParamType kind) {
    PF_ParamDef d;
    std::memset(&d, 0, sizeof(d));
    d.param_type = kind;
    return d;
}

class ParamGetterTest : public ::testing::Test {
protected:
    // Other tests in this program drive the linked effect: leave its parameter list built.
    void SetUp() override { ClearParamRegistry(); }
    void TearDown() override { BuildParamList(nullptr); }
    ParamFakeHost host;
};

TEST_F(ParamGetterTest, CheckoutUsesTheCurrentTimeAndClearsOnFailure) {
    host.values[3] = Def(PF_Param_SLIDER);
    host.values[3].u.sd.value = 42;
    GetParamByCheckout getter(&host.in, nullptr, false);
    PF_ParamDef out;
    ASSERT_EQ(getter.GetParam(3, &out), PF_Err_NONE);
    EXPECT_EQ(out.u.sd.value, 42);
    EXPECT_EQ(host.lastTime.time, 10);
    EXPECT_EQ(host.lastTime.step, 1);
    EXPECT_EQ(host.lastTime.scale, 30u);
    EXPECT_EQ(getter.ReleaseParam(&out), PF_Err_NONE);
    EXPECT_EQ(host.checkins, 1);

    host.failIndex = 4;
    host.checkoutError = PF_Err_OUT_OF_MEMORY;
    EXPECT_EQ(getter.GetParam(4, &out), PF_Err_OUT_OF_MEMORY);
    const PF_ParamDef zero = Def(0);
    EXPECT_EQ(std::memcmp(&out, &zero, sizeof(out)), 0);
}

TEST_F(ParamGetterTest, EnabledFollowsTheDisabledFlagOfTheArray) {
    PF_ParamDef a = Def(PF_Param_SLIDER), b = Def(PF_Param_SLIDER);
    b.ui_flags = PF_PUI_DISABLED;
    PF_ParamDef* params[] = {&a, &a, &b};

    GetParamByCheckout noArray(&host.in, nullptr, true);
    for (A_long i = 0; i < 200; ++i) {
        EXPECT_TRUE(noArray.IsEnabled(i));
    }
    GetParamByCheckout checkout(&host.in, params, false);
    EXPECT_TRUE(checkout.IsEnabled(1));
    EXPECT_FALSE(checkout.IsEnabled(2));
    EXPECT_TRUE(checkout.IsCopyOnly() == false && noArray.IsCopyOnly());

    GetParamFromArray array(params);
    EXPECT_TRUE(array.IsEnabled(1));
    EXPECT_FALSE(array.IsEnabled(2));
    EXPECT_FALSE(array.IsCopyOnly());
}

TEST_F(ParamGetterTest, ArrayGetterCopiesTheWholeDefinition) {
    PF_ParamDef a = Def(PF_Param_FLOAT_SLIDER);
    a.u.fs_d.value = 12.5;
    a.uu.id = 77;
    std::strcpy(a.name, "Dot Size");
    PF_ParamDef* params[] = {nullptr, &a};
    GetParamFromArray getter(params);
    PF_ParamDef out = Def(0);
    EXPECT_EQ(getter.GetParam(1, &out), PF_Err_NONE);
    EXPECT_EQ(std::memcmp(&out, &a, sizeof(a)), 0);
    EXPECT_EQ(getter.ReleaseParam(&out), PF_Err_NONE);
}

TEST_F(ParamGetterTest, KeepingModeStoresTheDefinitionCopyModeDoesNot) {
    ParamAddFloatSlider p(static_cast<int32_t>(offsetof(ParamValues, dotSize)), "Dot Size",
                          nullptr, 0, 1000, 0, 100, 10, 1, 0, 0);
    PF_ParamDef hostDef = Def(PF_Param_FLOAT_SLIDER);
    hostDef.u.fs_d.value = 33.25;
    host.values[p.index] = hostDef;

    ParamValues record{};
    GetParamByCheckout copy(&host.in, nullptr, true);
    ASSERT_EQ(p.Fetch(&record, copy), PF_Err_NONE);
    EXPECT_EQ(record.dotSize, 33.25);
    EXPECT_EQ(p.def.u.fs_d.value, 0.0);  // untouched
    // Nothing is kept, so the checkout went back at once; Release has nothing to give back.
    EXPECT_EQ(host.checkins, 1);
    EXPECT_EQ(p.Release(copy), PF_Err_NONE);
    EXPECT_EQ(host.checkins, 1);

    hostDef.u.fs_d.value = 44.5;
    host.values[p.index] = hostDef;
    GetParamByCheckout keep(&host.in, nullptr, false);
    ASSERT_EQ(p.Fetch(&record, keep), PF_Err_NONE);
    EXPECT_EQ(record.dotSize, 44.5);
    EXPECT_EQ(p.def.u.fs_d.value, 44.5);
    EXPECT_EQ(host.checkins, 1);
    EXPECT_EQ(p.Release(keep), PF_Err_NONE);
    EXPECT_EQ(host.checkins, 2);
    EXPECT_EQ(p.Release(keep), PF_Err_NONE);  // given back once only
    EXPECT_EQ(host.checkins, 2);
    EXPECT_EQ(host.checkouts, 2);
}

TEST_F(ParamGetterTest, FailedFetchCopiesNothing) {
    ParamAddSlider p(static_cast<int32_t>(offsetof(ParamValues, randomSeed)), "Random Seed",
                     nullptr, 0, 10000, 0, 100, 0);
    host.failIndex = p.index;
    host.checkoutError = PF_Err_INTERNAL_STRUCT_DAMAGED;
    ParamValues record{};
    record.randomSeed = 1234;
    GetParamByCheckout getter(&host.in, nullptr, false);
    EXPECT_EQ(p.Fetch(&record, getter), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(record.randomSeed, 1234);
    EXPECT_EQ(p.Release(getter), PF_Err_NONE);
    EXPECT_EQ(host.checkins, 0);
}

TEST_F(ParamGetterTest, GroupMarkersNeverFetch) {
    ParamAddTopic topic("Randomize", nullptr);
    ParamEndTopic end;
    ParamValues record;
    std::memset(&record, 0xAB, sizeof(record));
    const ParamValues before = record;
    PF_ParamDef* params[] = {nullptr, nullptr, nullptr};
    GetParamByCheckout keep(&host.in, nullptr, false);
    GetParamByCheckout copy(&host.in, nullptr, true);
    GetParamFromArray array(params);
    for (ParamGetter* g : {static_cast<ParamGetter*>(&keep), static_cast<ParamGetter*>(&copy),
                           static_cast<ParamGetter*>(&array)}) {
        EXPECT_EQ(topic.Fetch(&record, *g), PF_Err_NONE);
        EXPECT_EQ(end.Fetch(&record, *g), PF_Err_NONE);
        EXPECT_EQ(topic.Release(*g), PF_Err_NONE);
    }
    EXPECT_EQ(std::memcmp(&record, &before, sizeof(record)), 0);
    EXPECT_EQ(host.checkouts, 0);
}

TEST_F(ParamGetterTest, LayerPointerOnlyForEnabledLayersInKeepingMode) {
    ParamAddLayer layer(static_cast<int32_t>(offsetof(ParamValues, maskTargetLayer)),
                        "Mask Target Layer", nullptr, PF_LayerDefault_NONE);
    PF_ParamDef hostDef = Def(PF_Param_LAYER);
    hostDef.u.ld.width = 640;
    host.values[layer.index] = hostDef;

    PF_ParamDef enabled = Def(PF_Param_LAYER), disabled = Def(PF_Param_LAYER);
    disabled.ui_flags = PF_PUI_DISABLED;
    std::vector<PF_ParamDef*> params(static_cast<size_t>(layer.index) + 1, &enabled);

    ParamValues record{};
    PF_LayerDef dummy{};
    record.maskTargetLayer = &dummy;

    params[static_cast<size_t>(layer.index)] = &disabled;
    GetParamByCheckout keepDisabled(&host.in, params.data(), false);
    EXPECT_EQ(layer.Fetch(&record, keepDisabled), PF_Err_NONE);
    EXPECT_EQ(record.maskTargetLayer, nullptr);
    EXPECT_EQ(host.checkouts, 0);
    // Nothing was checked out, so nothing is checked in.
    EXPECT_EQ(layer.Release(keepDisabled), PF_Err_NONE);
    EXPECT_EQ(host.checkins, 0);

    record.maskTargetLayer = &dummy;
    GetParamByCheckout copy(&host.in, nullptr, true);
    EXPECT_EQ(layer.Fetch(&record, copy), PF_Err_NONE);
    EXPECT_EQ(record.maskTargetLayer, nullptr);
    EXPECT_EQ(host.checkouts, 0);

    params[static_cast<size_t>(layer.index)] = &enabled;
    GetParamByCheckout keep(&host.in, params.data(), false);
    EXPECT_EQ(layer.Fetch(&record, keep), PF_Err_NONE);
    ASSERT_EQ(record.maskTargetLayer, &layer.def.u.ld);
    EXPECT_EQ(record.maskTargetLayer->width, 640);
    EXPECT_EQ(layer.Release(keep), PF_Err_NONE);
    EXPECT_EQ(host.checkouts, 1);
    EXPECT_EQ(host.checkins, 1);
}

TEST_F(ParamGetterTest, AFetchPassStopsAtTheFirstErrorAndTheReleasePassBalances) {
    auto* a = new ParamAddSlider(static_cast<int32_t>(offsetof(ParamValues, randomInterval)),
                                 "Random Interval", nullptr, 0, 1000, 0, 60, 0);
    auto* b = new ParamAddSlider(static_cast<int32_t>(offsetof(ParamValues, randomArray)),
                                 "Random Array", nullptr, 0, 10, 0, 10, 0);
    auto* c = new ParamAddSlider(static_cast<int32_t>(offsetof(ParamValues, randomSeed)),
                                 "Random Seed", nullptr, 0, 10000, 0, 100, 0);
    a->id = 20;
    b->id = 132;
    c->id = 21;
    AppendParam(a);
    AppendParam(b);
    AppendParam(c);
    FinishParamRegistry();
    host.values[1] = Def(PF_Param_SLIDER);
    host.values[1].u.sd.value = 5;
    host.failIndex = 2;
    host.checkoutError = PF_Err_OUT_OF_MEMORY;
    ParamValues record{};
    record.randomSeed = -1;
    GetParamByCheckout getter(&host.in, nullptr, false);
    EXPECT_EQ(FetchParams(&record, getter), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(record.randomInterval, 5);
    EXPECT_EQ(record.randomSeed, -1);
    EXPECT_EQ(host.checkouts, 1);
    EXPECT_EQ(ReleaseParams(getter), PF_Err_NONE);
    EXPECT_EQ(host.checkins, 1);
}

// A 16.16 angle of 5898240 is 90 degrees; the raw value is copied unchanged.
TEST_F(ParamGetterTest, AnglesArriveAsRawFixedPoint) {
    ParamAddAngle p(static_cast<int32_t>(offsetof(ParamValues, dotRotation)), "Dot Rotation",
                    nullptr, 0);
    host.values[p.index] = Def(PF_Param_ANGLE);
    host.values[p.index].u.ad.value = 5898240;
    ParamValues record{};
    GetParamByCheckout getter(&host.in, nullptr, true);
    ASSERT_EQ(p.Fetch(&record, getter), PF_Err_NONE);
    EXPECT_EQ(record.dotRotation, 5898240);
    EXPECT_EQ(record.dotRotation / 65536.0, 90.0);
}

TEST_F(ParamGetterTest, ClearingDeletesEveryDescriptor) {
    static int alive = 0;
    struct Counted : ParamAddTopic {
        Counted() : ParamAddTopic("x", nullptr) { ++alive; }
        ~Counted() override { --alive; }
    };
    for (A_long id = 1; id <= 5; ++id) {
        auto* p = new Counted();
        p->id = 10 - id;
        AppendParam(p);
    }
    FinishParamRegistry();
    EXPECT_EQ(alive, 5);
    EXPECT_EQ(FindParamIndex(9), 1);
    EXPECT_EQ(FindParamIndex(5), 5);
    EXPECT_EQ(ParamAtIndex(5)->id, 5);
    ClearParamRegistry();
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(ParamCount(), 0u);
    EXPECT_EQ(FindParamIndex(9), 0);
    EXPECT_EQ(ParamAtIndex(1), nullptr);
    EXPECT_EQ(HostParamCount(), 1);
}

}  // namespace
