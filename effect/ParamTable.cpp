#include "effect/ParamTable.h"

#include <cstddef>
#include <cstring>

#include "effect/ParamIds.h"
#include "look/ParamValues.h"
#include "params/ParamDescriptors.h"
#include "params/ParamRegistry.h"
#include "render/base/Constants.h"

using namespace Look;
using namespace Params;
using namespace Render;

namespace {

// Display names of one effector group's members.
struct EffectorNames {
    const char *group, *enable, *position, *size, *angle, *falloff, *effectMap,
        *customMapLayer, *fitToLayer, *pickSourceColor, *tiling, *centerDotToFront, *absolute,
        *absSize, *absAspect, *absRotation, *absOpacity, *ratioSize, *ratioAspect,
        *ratioRotation, *ratioOpacity, *offsetSize, *offsetAspect, *offsetRotation,
        *offsetOpacity, *color, *blendMode, *blendColor, *shiftHue;
};

#define TONEDOT_EFFECTOR_NAMES(N)                                                              \
    EffectorNames {                                                                            \
        "Effector" #N, "Enable Effector " #N, "Position " #N, "Size " #N, "Angle " #N,         \
            "Falloff " #N, "Effect Map " #N, "Custom Map Layer " #N, "Fit to Layer " #N,       \
            "Pick Source Color " #N, "Tiling " #N, "Center Dot to Front " #N, "Absolute " #N,  \
            "ABS Size " #N, "ABS Aspect " #N, "ABS Rotation " #N, "ABS Opacity " #N,           \
            "Ratio Size " #N, "Ratio Aspect " #N, "Ratio Rotation " #N, "Ratio Opacity " #N,   \
            "Offset Size " #N, "Offset Aspect " #N, "Offset Rotation " #N,                     \
            "Offset Opacity " #N, "Color " #N, "Blend Mode " #N, "Blend Color " #N,            \
            "Shift Hue " #N                                                                    \
    }

const EffectorNames kEffectorNames[Look::kEffectorCount] = {TONEDOT_EFFECTOR_NAMES(1), TONEDOT_EFFECTOR_NAMES(2),
                                         TONEDOT_EFFECTOR_NAMES(3)};
#undef TONEDOT_EFFECTOR_NAMES

// Definition templates: everything zero but the flags.
PF_ParamDef MakeTemplate(PF_ParamFlags flags) {
    PF_ParamDef def;
    std::memset(&def, 0, sizeof(def));
    def.flags = flags;
    return def;
}

const PF_ParamDef kClosed = MakeTemplate(PF_ParamFlag_COLLAPSE_TWIRLY);
const PF_ParamDef kClosedSupervised =
    MakeTemplate(PF_ParamFlag_COLLAPSE_TWIRLY | PF_ParamFlag_SUPERVISE);
const PF_ParamDef kClosedHeld =
    MakeTemplate(PF_ParamFlag_COLLAPSE_TWIRLY | PF_ParamFlag_CANNOT_INTERP);

constexpr PF_Fixed kHalf = 50 << 16;  // point defaults: 50 % of the layer
constexpr A_short kPercent = PF_ValueDisplayFlag_PERCENT;
constexpr A_short kPlain = PF_ValueDisplayFlag_NONE;

// Appends the descriptors in construction (= host index) order.
class Builder {
public:
    template <typename T>
    void Add(A_long id, T* param) {
        param->id = id;
        AppendParam(param);
    }
    void Topic(A_long id, const char* name) { Add(id, new ParamAddTopic(name, &kClosed)); }
    void EndTopic(A_long id) { Add(id, new ParamEndTopic()); }
    void Popup(A_long id, int32_t offset, const char* name, const char* choices, A_short dflt,
               const PF_ParamDef& tmpl = kClosed) {
        Add(id, new ParamAddPopup(offset, name, &tmpl, static_cast<A_short>(Look::ChoiceCount(choices)),
                                  dflt, choices));
    }
    void Color(A_long id, int32_t offset, const char* name, A_u_char r, A_u_char g, A_u_char b) {
        Add(id, new ParamAddColor(offset, name, &kClosed, PF_Pixel{255, r, g, b}));
    }
    void Float(A_long id, int32_t offset, const char* name, float validMin, float validMax,
               float sliderMin, float sliderMax, float dflt, A_short precision,
               A_short display = kPlain) {
        Add(id, new ParamAddFloatSlider(offset, name, &kClosed, validMin, validMax, sliderMin,
                                        sliderMax, dflt, precision, display, 0));
    }
    void Slider(A_long id, int32_t offset, const char* name, A_long validMax, A_long sliderMax) {
        Add(id, new ParamAddSlider(offset, name, &kClosedHeld, 0, validMax, 0, sliderMax, 0));
    }
    void Angle(A_long id, int32_t offset, const char* name) {
        Add(id, new ParamAddAngle(offset, name, &kClosed, 0));
    }
    void Checkbox(A_long id, int32_t offset, const char* name) {
        Add(id, new ParamAddCheckbox(offset, name, &kClosed, "", 0, 0));
    }
    void Point(A_long id, int32_t offset, const char* name) {
        Add(id, new ParamAddPoint(offset, name, &kClosed, kHalf, kHalf, 0));
    }
    void Layer(A_long id, int32_t offset, const char* name, A_long dflt) {
        Add(id, new ParamAddLayer(offset, name, &kClosed, dflt));
    }

};

#define TONEDOT_AT(field) static_cast<int32_t>(offsetof(ParamValues, field))

void BuildGlobalParams(Builder& b) {
    using namespace ParamId;
    b.Popup(DotShape, TONEDOT_AT(dotShape), "Dot Shape", Look::kDotShapeChoices, Look::kDotShapeCircle);
    b.Color(DotColor, TONEDOT_AT(dotColor), "Dot Color", 255, 125, 20);
    b.Float(DotSize, TONEDOT_AT(dotSize), "Dot Size", 0, 1000, 0, 100, 10, 1);
    b.Float(DotAspect, TONEDOT_AT(dotAspect), "Dot Aspect", -100, 100, -100, 100, 0, 1,
            kPercent);
    b.Angle(DotRotation, TONEDOT_AT(dotRotation), "Dot Rotation");
    b.Popup(RotationType, TONEDOT_AT(rotationType), "Rotation Type", Look::kRotationTypeChoices,
            Look::kRotationNormal);
    b.Float(DotOpacity, TONEDOT_AT(dotOpacity), "Dot Opacity", 0, 100, 0, 100, 100, 1,
            kPercent);
    b.Popup(DistanceBetween, TONEDOT_AT(distanceBetween), "Distance Between",
            Look::kDistanceBetweenChoices, Look::kDistanceDots, kClosedSupervised);
    b.Float(DotDistanceX, TONEDOT_AT(dotDistanceX), "Dot Distance X", 0, kMaxDotDistance, 0, 100,
            20, 1);
    b.Float(DotDistanceY, TONEDOT_AT(dotDistanceY), "Dot Distance Y", 0, kMaxDotDistance, 0, 100,
            20, 1);
    b.Point(CenterPosition, TONEDOT_AT(centerPosition), "Center Position");
    b.Checkbox(CenterDotToFront, TONEDOT_AT(centerDotToFront), "Center Dot to Front");
    b.Angle(GlobalRotation, TONEDOT_AT(globalRotation), "Global Rotation");
    b.Popup(GlobalRotationCenter, TONEDOT_AT(globalRotationCenter), "Global Rotation Center",
            Look::kRotationCenterChoices, Look::kRotationCenterGrid);
    b.Popup(Mask, TONEDOT_AT(mask), "Mask", Look::kMaskChoices, Look::kMaskNormal);
    b.Layer(MaskTargetLayer, TONEDOT_AT(maskTargetLayer), "Mask Target Layer",
            PF_LayerDefault_NONE);
    b.Checkbox(InvertMask, TONEDOT_AT(invertMask), "Invert Mask");
    b.Checkbox(ClearBackground, TONEDOT_AT(clearBackground), "Clear Background");

    b.Topic(Randomize, "Randomize");
    b.Slider(RandomInterval, TONEDOT_AT(randomInterval), "Random Interval", 1000, 60);
    b.Slider(RandomArray, TONEDOT_AT(randomArray), "Random Array", 10, 10);
    b.Slider(RandomSeed, TONEDOT_AT(randomSeed), "Random Seed", 10000, 100);
    b.Float(RandomSize, TONEDOT_AT(randomSize), "Size", 0, 50, 0, 1, 0, 2);
    b.Float(RandomAspect, TONEDOT_AT(randomAspect), "Aspect", 0, 50, 0, 1, 0, 2);
    b.Float(RandomRotation, TONEDOT_AT(randomRotation), "Rotation", 0, 50, 0, 1, 0, 2);
    b.Float(RandomOpacity, TONEDOT_AT(randomOpacity), "Opacity", 0, 50, 0, 1, 0, 2);
    b.Float(RandomDistanceX, TONEDOT_AT(randomDistanceX), "Distance X", 0, 50, 0, 1, 0, 2);
    b.Float(RandomDistanceY, TONEDOT_AT(randomDistanceY), "Distance Y", 0, 50, 0, 1, 0, 2);
    b.Angle(RandomH, TONEDOT_AT(randomHue), "H");
    b.Float(RandomS, TONEDOT_AT(randomSaturation), "S", 0, 100, 0, 100, 0, 1, kPercent);
    b.Float(RandomV, TONEDOT_AT(randomValue), "V", 0, 100, 0, 100, 0, 1, kPercent);
    b.EndTopic(RandomizeEnd);
}

void BuildEffector(Builder& b, int n) {
    const ParamId::Effector id = ParamId::EffectorIds(n);
    const EffectorNames& name = kEffectorNames[n];
    const int32_t block = TONEDOT_AT(effector) + n * static_cast<int32_t>(sizeof(EffectorParams));
#define TONEDOT_FX(field) (block + static_cast<int32_t>(offsetof(EffectorParams, field)))
    b.Topic(id.group, name.group);
    b.Checkbox(id.enable, TONEDOT_FX(enable), name.enable);
    b.Point(id.position, TONEDOT_FX(position), name.position);
    b.Float(id.size, TONEDOT_FX(size), name.size, 0, 5000, 0, 1000, 200, 1);
    b.Angle(id.angle, TONEDOT_FX(angle), name.angle);
    b.Float(id.falloff, TONEDOT_FX(falloff), name.falloff, 0, 100, 0, 100, 100, 1, kPercent);
    b.Popup(id.effectMap, TONEDOT_FX(effectMap), name.effectMap, Look::kEffectMapChoices,
            Look::kEffectMapRadial);
    b.Layer(id.customMapLayer, TONEDOT_FX(customMapLayer), name.customMapLayer,
            PF_LayerDefault_MYSELF);
    b.Checkbox(id.fitToLayer, TONEDOT_FX(fitToLayer), name.fitToLayer);
    b.Checkbox(id.pickSourceColor, TONEDOT_FX(pickSourceColor), name.pickSourceColor);
    b.Popup(id.tiling, TONEDOT_FX(tiling), name.tiling, Look::kTilingChoices, Look::kTilingExtendEdge);
    b.Checkbox(id.centerDotToFront, TONEDOT_FX(centerDotToFront), name.centerDotToFront);
    b.Checkbox(id.absolute, TONEDOT_FX(absolute), name.absolute);
    b.Float(id.absSize, TONEDOT_FX(absSize), name.absSize, 0, 1000, 0, 100, 20, 1);
    b.Float(id.absAspect, TONEDOT_FX(absAspect), name.absAspect, -100, 100, -100, 100, 0, 0,
            kPercent);
    b.Angle(id.absRotation, TONEDOT_FX(absRotation), name.absRotation);
    b.Float(id.absOpacity, TONEDOT_FX(absOpacity), name.absOpacity, 0, 100, 0, 100, 100, 0,
            kPercent);
    b.Float(id.ratioSize, TONEDOT_FX(ratioSize), name.ratioSize, 0, 100, 0, 10, 1, 1);
    b.Float(id.ratioAspect, TONEDOT_FX(ratioAspect), name.ratioAspect, 0, 100, 0, 10, 1, 1);
    b.Float(id.ratioRotation, TONEDOT_FX(ratioRotation), name.ratioRotation, 0, 100, 0, 10, 1,
            1);
    b.Float(id.ratioOpacity, TONEDOT_FX(ratioOpacity), name.ratioOpacity, 0, 100, 0, 10, 1, 1);
    b.Float(id.offsetSize, TONEDOT_FX(offsetSize), name.offsetSize, -100, 100, -100, 100, 0, 1);
    b.Float(id.offsetAspect, TONEDOT_FX(offsetAspect), name.offsetAspect, -100, 100, -100, 100,
            0, 0, kPercent);
    b.Angle(id.offsetRotation, TONEDOT_FX(offsetRotation), name.offsetRotation);
    b.Float(id.offsetOpacity, TONEDOT_FX(offsetOpacity), name.offsetOpacity, -100, 100, -100,
            100, 0, 0, kPercent);
    b.Checkbox(id.color, TONEDOT_FX(color), name.color);
    b.Popup(id.blendMode, TONEDOT_FX(blendMode), name.blendMode, Look::kBlendModeChoices,
            Look::kBlendChoiceNormal);
    b.Color(id.blendColor, TONEDOT_FX(blendColor), name.blendColor, 255, 255, 255);
    b.Angle(id.shiftHue, TONEDOT_FX(shiftHue), name.shiftHue);
    b.EndTopic(id.groupEnd);
#undef TONEDOT_FX
}

#undef TONEDOT_AT

}  // namespace

void BuildParamList(PF_InData*) {
    ClearParamRegistry();
    Builder b;
    BuildGlobalParams(b);
    for (int n = 0; n < Look::kEffectorCount; ++n) {
        BuildEffector(b, n);
    }
    FinishParamRegistry();
}
