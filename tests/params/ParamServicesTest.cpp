// The stand-in host's parameter services as the effect's getters, the param utils suite
// holder and the language query meet them.
#include <gtest/gtest.h>

#include <cstring>

#include "AEUtil/HostLanguage.h"
#include "AEUtil/Platform.h"
#include "effect/ParamIds.h"
#include "host/ParamServices.h"
#include "look/ParamValues.h"
#include "params/ParamGetter.h"
#include "params/ParamRegistry.h"
#include "params/ParamUtilsSuiteRef.h"
#include "tests/support/TestHost.h"

using namespace Look;
using namespace Params;

namespace {

using tonedot::Catalog;
using tonedot::Params;

class ParamServicesTest : public tonedot::test::LinkedHostTest {
protected:
    void SetUp() override {
        host.version = {12, 11};  // built-in defaults, whatever the user's settings say
        ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(host.Send(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
        host.version = {13, 27};
    }
    void TearDown() override {
        host.Send(PF_Cmd_GLOBAL_SETDOWN);
        LinkedHostTest::TearDown();
    }
};

TEST_F(ParamServicesTest, ParamUtilsSuiteVersionFollowsTheHostVersion) {
    const struct {
        PF_SpecVersion version;
        int32 suite;
    } cases[] = {{{12, 10}, 2}, {{13, 0}, 2}, {{13, 1}, 2}, {{13, 2}, 3}, {{13, 27}, 3}, {{14, 0}, 3}};
    for (const auto& c : cases) {
        host.version = c.version;
        PF_InData in = host.MakeInData(host.Main());
        tonedot::Host::ThreadScope scope(host);
        {
            ParamUtilsSuiteRef ref(&in);
            EXPECT_EQ(ref.Version(), c.suite) << c.version.major << "." << c.version.minor;
            EXPECT_EQ(host.Suites().AcquireCount(kPFParamUtilsSuite, c.suite), 1u);
        }
        EXPECT_TRUE(host.Suites().Balanced());
        host.Suites().ResetCounts();
    }
}

TEST_F(ParamServicesTest, UpdateParamUIIsRecordedAndShowsInTheParameterArray) {
    PF_InData in = host.MakeInData(host.Main());
    tonedot::Host::ThreadScope scope(host);
    const A_long mask = Catalog(host).IndexOfId(ParamId::MaskTargetLayer);
    for (int32 version : {2, 3}) {
        host.version = version == 2 ? PF_SpecVersion{13, 1} : PF_SpecVersion{13, 2};
        in = host.MakeInData(host.Main());
        ParamUtilsSuiteRef ref(&in);
        tonedot::ParamArray array = Params(host.Main()).MakeParamArray(0, 24);
        PF_ParamDef def = *array.data()[mask];
        def.ui_flags |= PF_PUI_DISABLED;
        EXPECT_EQ(ref.UpdateParamUI(in.effect_ref, mask, &def), PF_Err_NONE);
        EXPECT_EQ(Params(host.Main()).UIFlags(mask), PF_PUI_DISABLED);
        tonedot::ParamArray after = Params(host.Main()).MakeParamArray(0, 24);
        GetParamFromArray getter(after.data());
        EXPECT_FALSE(getter.IsEnabled(mask));
        EXPECT_TRUE(getter.IsEnabled(mask + 1));
        def.ui_flags = 0;
        EXPECT_EQ(ref.UpdateParamUI(in.effect_ref, mask, &def), PF_Err_NONE);
        EXPECT_EQ(Params(host.Main()).UIFlags(mask), 0);
        EXPECT_EQ(ref.UpdateParamUI(in.effect_ref, 500, &def), PF_Err_INVALID_INDEX);
    }
    const auto updates = Params(host.Main()).UIUpdates();
    ASSERT_EQ(updates.size(), 4u);
    EXPECT_EQ(updates[0].index, mask);
    EXPECT_EQ(updates[0].def.ui_flags, PF_PUI_DISABLED);
}

TEST_F(ParamServicesTest, ARefusedParamUtilsSuiteThrowsBadCallbackParam) {
    host.Suites().Withhold(kPFParamUtilsSuite, 3);
    PF_InData in = host.MakeInData(host.Main());
    tonedot::Host::ThreadScope scope(host);
    try {
        ParamUtilsSuiteRef ref(&in);
        FAIL() << "expected a throw";
    } catch (int code) {
        EXPECT_EQ(code, PF_Err_BAD_CALLBACK_PARAM);
    }
    EXPECT_TRUE(host.Suites().Balanced());
}

TEST_F(ParamServicesTest, LanguageComesFromTheAppSuite) {
    PF_InData in = host.MakeInData(host.Main());
    tonedot::Host::ThreadScope scope(host);
    AEUtil::Platform::SetUILanguageOverride(AEUtil::Platform::kLangIdJapanese);
    Catalog(host).SetLanguage("ja_JP");
    EXPECT_FALSE(AEUtil::IsEnglishUI(&in));
    Catalog(host).SetLanguage("JA_jp");
    EXPECT_FALSE(AEUtil::IsEnglishUI(&in));
    Catalog(host).SetLanguage("en_US");
    EXPECT_TRUE(AEUtil::IsEnglishUI(&in));
    Catalog(host).SetLanguage("de_DE");
    EXPECT_TRUE(AEUtil::IsEnglishUI(&in));
    // Without the suite the Windows language decides (no switch read on a 13.27 host).
    host.Suites().Withhold(kPFAppSuite, kPFAppSuiteVersion5);
    EXPECT_FALSE(AEUtil::IsEnglishUI(&in));
    AEUtil::Platform::ClearUILanguageOverride();
    EXPECT_TRUE(host.Suites().Balanced());
}

// Every checkout the getters make is checked in again, in both modes, and a disabled
// layer is never checked out.
TEST_F(ParamServicesTest, FetchAndReleasePassesLeaveNothingCheckedOut) {
    tonedot::InstanceParams& params = Params(host.Main());
    const A_long size = Catalog(host).IndexOfId(ParamId::DotSize);
    const A_long mask = Catalog(host).IndexOfId(ParamId::MaskTargetLayer);
    params.SetFloat(size, 33.5);
    params.SetUIFlags(mask, PF_PUI_DISABLED);
    PF_InData in = host.MakeInData(host.Main());
    tonedot::Host::ThreadScope scope(host);

    ParamValues copied{};
    GetParamByCheckout copy(&in, nullptr, true);
    ASSERT_EQ(FetchParams(&copied, copy), PF_Err_NONE);
    EXPECT_EQ(copied.dotSize, 33.5);
    EXPECT_EQ(copied.effector[1].effectMap, 3);
    EXPECT_EQ(copied.effector[2].tiling, 4);
    EXPECT_EQ(copied.maskTargetLayer, nullptr);
    EXPECT_EQ(params.Outstanding(), 0);
    const int copyCheckouts = params.Checkouts();
    EXPECT_EQ(copyCheckouts, 122 - 8 - 4);  // no group markers, no layers in copy mode

    tonedot::ParamArray array = params.MakeParamArray(0, 24);
    ParamValues kept{};
    GetParamByCheckout keep(&in, array.data(), false);
    ASSERT_EQ(FetchParams(&kept, keep), PF_Err_NONE);
    EXPECT_EQ(kept.maskTargetLayer, nullptr);           // disabled
    EXPECT_NE(kept.effector[0].customMapLayer, nullptr);  // enabled
    EXPECT_EQ(params.Checkouts() - copyCheckouts, 122 - 8 - 1);
    EXPECT_EQ(ReleaseParams(keep), PF_Err_NONE);
    EXPECT_EQ(params.Outstanding(), 0);
    for (A_long index : params.CheckedOutIndices()) {
        EXPECT_NE(index, mask);
    }
}

TEST_F(ParamServicesTest, ValuesFollowTheirKeysInTime) {
    tonedot::InstanceParams& params = Params(host.Main());
    const A_long shape = Catalog(host).IndexOfId(ParamId::DotShape);
    PF_ParamDef def{};
    ASSERT_EQ(params.ValueAt(shape, 0, 24, &def), PF_Err_NONE);
    EXPECT_EQ(def.u.pd.value, 1);  // the registered default
    def.u.pd.value = 2;
    params.SetValueAt(shape, 1.0, def.u);
    def.u.pd.value = 5;
    params.SetValueAt(shape, 2.0, def.u);
    const struct {
        A_long frame;
        A_long choice;
    } cases[] = {{0, 2}, {23, 2}, {24, 2}, {47, 2}, {48, 5}, {1000, 5}};
    for (const auto& c : cases) {
        ASSERT_EQ(params.ValueAt(shape, c.frame, 24, &def), PF_Err_NONE);
        EXPECT_EQ(def.u.pd.value, c.choice) << "frame " << c.frame;
    }
    params.SetPopup(shape, 6);  // for all times
    ASSERT_EQ(params.ValueAt(shape, 48, 24, &def), PF_Err_NONE);
    EXPECT_EQ(def.u.pd.value, 6);
    EXPECT_EQ(params.ValueAt(123, 0, 24, &def), PF_Err_INVALID_INDEX);
}

TEST_F(ParamServicesTest, TheHostTakesOverValuesMarkedChanged) {
    tonedot::InstanceParams& params = Params(host.Main());
    const A_long x = Catalog(host).IndexOfId(ParamId::DotDistanceX);
    const A_long y = Catalog(host).IndexOfId(ParamId::DotDistanceY);
    tonedot::ParamArray array = params.MakeParamArray(0, 24);
    for (const PF_ParamDef& d : array.defs) {
        EXPECT_EQ(d.uu.change_flags, 0);
    }
    array.defs[static_cast<size_t>(x)].u.fs_d.value = 7;
    array.defs[static_cast<size_t>(x)].uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
    array.defs[static_cast<size_t>(y)].u.fs_d.value = 8;  // not marked
    params.TakeChangedValues(array);
    PF_ParamDef def{};
    params.ValueAt(x, 0, 24, &def);
    EXPECT_EQ(def.u.fs_d.value, 7.0);
    params.ValueAt(y, 0, 24, &def);
    EXPECT_EQ(def.u.fs_d.value, 20.0);
}

TEST_F(ParamServicesTest, CheckinWithoutCheckoutIsRefused) {
    PF_InData in = host.MakeInData(host.Main());
    PF_ParamDef def{};
    EXPECT_EQ(in.inter.checkin_param(in.effect_ref, &def), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(in.inter.checkout_param(in.effect_ref, 1, 0, 1, 24, &def), PF_Err_NONE);
    EXPECT_NE(host.LeakReport().find("1 parameter checkout(s) not checked in"),
              std::string::npos);
    EXPECT_EQ(in.inter.checkin_param(in.effect_ref, &def), PF_Err_NONE);
    EXPECT_EQ(in.inter.checkout_param(in.effect_ref, 999, 0, 1, 24, &def),
              PF_Err_INVALID_INDEX);
}

}  // namespace
