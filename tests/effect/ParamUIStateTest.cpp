// The parameter UI rules and the dot-distance conversion, seen as the host sees them: the
// PF_UpdateParamUI calls it records and the values it takes over.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "AEUtil/SeqHeader.h"
#include "tests/support/TestHost.h"
#include "effect/ParamIds.h"
#include "host/EffectUI.h"
#include "host/InstanceLifecycle.h"
#include "host/ParamServices.h"
#include "look/Choices.h"

using namespace Look;

namespace tonedot::test {
namespace {

class ParamUIStateTest : public LinkedHostTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(host.Send(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(ApplyEffect(host, instance).err, PF_Err_NONE);
    }
    void TearDown() override
    {
        if (instance.sequenceData) RemoveEffect(host, instance);
        LinkedHostTest::TearDown();
    }

    A_long Index(A_long id) { return Catalog(host).IndexOfId(id); }
    bool Enabled(A_long id) { return !(Params(instance).UIFlags(Index(id)) & PF_PUI_DISABLED); }

    // Runs PF_Cmd_UPDATE_PARAMS_UI afresh and returns the indices it updated, in order.
    std::vector<A_long> Update()
    {
        Params(instance).ClearUIUpdates();
        EXPECT_EQ(SendUpdateParamsUI(host, instance).err, PF_Err_NONE);
        std::vector<A_long> order;
        for (const ParamUIUpdate& u : Params(instance).UIUpdates()) order.push_back(u.index);
        return order;
    }
    size_t UpdatesOf(const std::vector<A_long>& order, A_long id)
    {
        size_t n = 0;
        for (A_long i : order) n += i == Index(id);
        return n;
    }

    void SetPopup(A_long id, A_long v) { Params(instance).SetPopup(Index(id), v); }
    void SetCheckbox(A_long id, bool v) { Params(instance).SetCheckbox(Index(id), v); }
    double Float(A_long id)
    {
        PF_ParamDef d{};
        EXPECT_EQ(Params(instance).ValueAt(Index(id), 0, 24, &d), PF_Err_NONE);
        return d.u.fs_d.value;
    }
    // The user picks a "Distance Between" choice.
    void ChooseDistance(A_long choice)
    {
        ASSERT_EQ(UserChangesParam(host, instance, Index(ParamId::DistanceBetween),
                                   [&](InstanceParams& p) {
                                       p.SetPopup(Index(ParamId::DistanceBetween), choice);
                                   })
                      .err,
                  PF_Err_NONE);
    }
    void SetDistances(double size, double x, double y)
    {
        Params(instance).SetFloat(Index(ParamId::DotSize), size);
        Params(instance).SetFloat(Index(ParamId::DotDistanceX), x);
        Params(instance).SetFloat(Index(ParamId::DotDistanceY), y);
    }

    Instance& instance = host.Main();
};

static std::vector<A_long> GroupMembers(const ParamId::Effector& e)
{
    return {e.effectMap, e.angle, e.position, e.centerDotToFront, e.size, e.falloff,
            e.customMapLayer, e.tiling, e.fitToLayer, e.pickSourceColor, e.absolute, e.absSize,
            e.absAspect, e.absRotation, e.absOpacity, e.ratioSize, e.ratioAspect,
            e.ratioRotation, e.ratioOpacity, e.offsetSize, e.offsetAspect, e.offsetRotation,
            e.offsetOpacity, e.color, e.blendMode, e.blendColor, e.shiftHue};
}

TEST_F(ParamUIStateTest, MaskRules)
{
    for (A_long mask : {kMaskNormal, kMaskNone, kMaskLayer}) {
        SetPopup(ParamId::Mask, mask);
        const auto order = Update();
        ASSERT_GE(order.size(), 2u);
        EXPECT_EQ(order[0], Index(ParamId::MaskTargetLayer));
        EXPECT_EQ(order[1], Index(ParamId::InvertMask));
        EXPECT_EQ(Enabled(ParamId::MaskTargetLayer), mask == kMaskLayer) << "Mask " << mask;
        EXPECT_EQ(Enabled(ParamId::InvertMask), mask != kMaskNone) << "Mask " << mask;
    }
}

TEST_F(ParamUIStateTest, ADisabledEffectorDisablesItsWholeGroupAndNothingElse)
{
    const auto e2 = ParamId::EffectorIds(1);
    SetCheckbox(e2.enable, false);
    SetPopup(e2.effectMap, kEffectMapCustom);
    SetCheckbox(e2.absolute, true);
    SetCheckbox(e2.color, true);
    const auto order = Update();
    for (A_long id : GroupMembers(e2)) {
        EXPECT_FALSE(Enabled(id)) << "id " << id;
        EXPECT_EQ(UpdatesOf(order, id), 1u) << "only the effector switch touches an off effector, id " << id;
    }
    EXPECT_EQ(order.size(), 2u + 3u * 27u) << "the two mask rules and the switch of each effector";
    for (A_long id : std::initializer_list<A_long>{e2.enable, e2.group, ParamId::DotSize, ParamId::GlobalRotationCenter,
                      ParamId::RandomSeed, ParamId::DistanceBetween})
        EXPECT_EQ(UpdatesOf(order, id), 0u) << "never disabled: id " << id;
}

TEST_F(ParamUIStateTest, MemberRulesFollowTheEffectorSwitch)
{
    const auto e1 = ParamId::EffectorIds(0);
    SetCheckbox(e1.enable, true);
    const auto order = Update();
    // The switch enables the group in its order, then the custom-map and drawn-map rules
    // revisit some members.
    const auto members = GroupMembers(e1);
    ASSERT_GE(order.size(), 2u + members.size() + 4u);
    for (size_t i = 0; i < members.size(); ++i) EXPECT_EQ(order[2 + i], Index(members[i]));
    EXPECT_EQ(order[2 + members.size()], Index(e1.customMapLayer));
    EXPECT_EQ(UpdatesOf(order, e1.size), 2u);
    EXPECT_EQ(UpdatesOf(order, e1.angle), 2u);
    EXPECT_EQ(UpdatesOf(order, e1.shiftHue), 1u);

    // Defaults: "Radial" map, Absolute and Color off.
    EXPECT_FALSE(Enabled(e1.customMapLayer));
    EXPECT_FALSE(Enabled(e1.tiling));
    EXPECT_FALSE(Enabled(e1.fitToLayer));
    EXPECT_FALSE(Enabled(e1.pickSourceColor));
    EXPECT_TRUE(Enabled(e1.size));
    EXPECT_TRUE(Enabled(e1.falloff));
    EXPECT_FALSE(Enabled(e1.angle));
    EXPECT_TRUE(Enabled(e1.position));
    EXPECT_FALSE(Enabled(e1.absSize));
    EXPECT_FALSE(Enabled(e1.absOpacity));
    EXPECT_TRUE(Enabled(e1.ratioSize));
    EXPECT_FALSE(Enabled(e1.blendMode));
    EXPECT_FALSE(Enabled(e1.blendColor));
    EXPECT_TRUE(Enabled(e1.shiftHue));

    SetCheckbox(e1.absolute, true);
    SetCheckbox(e1.color, true);
    Update();
    for (A_long id : std::initializer_list<A_long>{e1.absSize, e1.absAspect, e1.absRotation, e1.absOpacity, e1.blendMode,
                      e1.blendColor})
        EXPECT_TRUE(Enabled(id)) << "id " << id;
}

TEST_F(ParamUIStateTest, EffectMapRules)
{
    const auto e1 = ParamId::EffectorIds(0);
    SetCheckbox(e1.enable, true);

    SetPopup(e1.effectMap, kEffectMapCustom);
    SetCheckbox(e1.fitToLayer, true);
    Update();
    EXPECT_FALSE(Enabled(e1.angle));
    EXPECT_FALSE(Enabled(e1.position));
    for (A_long id : std::initializer_list<A_long>{e1.customMapLayer, e1.tiling, e1.fitToLayer,
                                                    e1.pickSourceColor})
        EXPECT_TRUE(Enabled(id)) << "id " << id;
    EXPECT_FALSE(Enabled(e1.size));
    EXPECT_FALSE(Enabled(e1.falloff));

    SetCheckbox(e1.fitToLayer, false);
    Update();
    EXPECT_TRUE(Enabled(e1.angle));
    EXPECT_TRUE(Enabled(e1.position));

    for (A_long map : {kEffectMapRadial, kEffectMapRadialMirror, kEffectMapLinear,
                       kEffectMapLinearMirror}) {
        SetPopup(e1.effectMap, map);
        Update();
        EXPECT_EQ(Enabled(e1.angle), map == kEffectMapLinear || map == kEffectMapLinearMirror)
            << "map " << map;
        EXPECT_TRUE(Enabled(e1.position));
        EXPECT_TRUE(Enabled(e1.size));
        EXPECT_TRUE(Enabled(e1.falloff));
        EXPECT_FALSE(Enabled(e1.customMapLayer));
    }
}

TEST_F(ParamUIStateTest, SwitchingDistanceBetweenKeepsTheSpacing)
{
    SetDistances(10, 20, 5);
    SetPopup(ParamId::DistanceBetween, kDistanceCenters);
    // The choice the instance remembered when it was applied is "Dots"; make it "Centers".
    RemoveEffect(host, instance);
    ASSERT_EQ(ApplyEffect(host, instance).err, PF_Err_NONE);

    ChooseDistance(kDistanceDots);
    EXPECT_EQ(Float(ParamId::DotDistanceX), 10);
    EXPECT_EQ(Float(ParamId::DotDistanceY), 0) << "held at 0";
    ChooseDistance(kDistanceDots);
    EXPECT_EQ(Float(ParamId::DotDistanceX), 10) << "the same choice again changes nothing";
    ChooseDistance(kDistanceCenters);
    EXPECT_EQ(Float(ParamId::DotDistanceX), 20);
    EXPECT_EQ(Float(ParamId::DotDistanceY), 10);
}

TEST_F(ParamUIStateTest, CentersNeverPushesADistancePastItsMaximum)
{
    SetDistances(100, 9950, 30);
    ChooseDistance(kDistanceCenters);
    EXPECT_EQ(Float(ParamId::DotDistanceX), 10000);
    EXPECT_EQ(Float(ParamId::DotDistanceY), 130);
}

TEST_F(ParamUIStateTest, NothingIsConvertedBeforeTheChoiceIsRemembered)
{
    RemoveEffect(host, instance);
    ASSERT_EQ(host.Send(PF_Cmd_SEQUENCE_SETUP, instance).err, PF_Err_NONE);  // no UI command yet
    SetDistances(10, 20, 20);
    ChooseDistance(kDistanceCenters);
    EXPECT_EQ(Float(ParamId::DotDistanceX), 20);
    ChooseDistance(kDistanceDots);  // now the choice "Centers" is remembered
    EXPECT_EQ(Float(ParamId::DotDistanceX), 10);
}

TEST_F(ParamUIStateTest, OnlyAFullLiveBlockCarriesUIState)
{
    // The host hands a block that is not live sequence data: 24 flat bytes.
    PF_Handle live = instance.sequenceData;
    const std::vector<uint8_t> flat = {'q', 'e', 's', 'p', 1, 0, 0, 0, 1, 0, 0, 0,
                                       24,  0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0};
    instance.sequenceData = HandleWithBytes(host, flat);
    SetDistances(10, 20, 20);
    Update();
    ChooseDistance(kDistanceCenters);
    EXPECT_EQ(HandleBytes(host, instance.sequenceData), flat) << "never written past its end";
    EXPECT_EQ(Float(ParamId::DotDistanceX), 20);
    host.Handles().Dispose(instance.sequenceData);
    instance.sequenceData = live;
}

TEST_F(ParamUIStateTest, WithoutTheHandleSuiteTheChangeFailsCleanly)
{
    host.Suites().Withhold(kPFHandleSuite, kPFHandleSuiteVersion1);
    PF_UserChangedParamExtra extra{Index(ParamId::DistanceBetween)};
    ParamArray params = Params(instance).MakeParamArray(0, 24);
    params.defs[size_t(extra.param_index)].u.pd.value = 2;
    const CallResult r =
        host.Send(PF_Cmd_USER_CHANGED_PARAM, instance, params.data(), nullptr, &extra);
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    host.Suites().Withhold(kPFHandleSuite, kPFHandleSuiteVersion1, false);
}

TEST_F(ParamUIStateTest, WithoutTheParamUtilsSuiteTheUpdateFailsCleanly)
{
    host.Suites().Withhold(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3);
    Params(instance).ClearUIUpdates();
    const CallResult r = SendUpdateParamsUI(host, instance);
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_NE(r.Message().find("PF_Err_BAD_CALLBACK_PARAM"), std::string::npos) << r.Message();
    EXPECT_TRUE(Params(instance).UIUpdates().empty());
    host.Suites().Withhold(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, false);
}

TEST_F(ParamUIStateTest, OtherParametersAreNotConverted)
{
    SetDistances(10, 20, 20);
    PF_UserChangedParamExtra extra{Index(ParamId::DotSize)};
    ParamArray params = Params(instance).MakeParamArray(0, 24);
    params.defs[size_t(Index(ParamId::DistanceBetween))].u.pd.value = 2;
    EXPECT_EQ(host.Send(PF_Cmd_USER_CHANGED_PARAM, instance, params.data(), nullptr, &extra).err,
              PF_Err_NONE);
    EXPECT_EQ(params.defs[size_t(Index(ParamId::DotDistanceX))].uu.change_flags, 0);
}

}  // namespace
}  // namespace tonedot::test
