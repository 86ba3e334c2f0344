// The popups' choices: each popup's values as the host stores them (1 is the first line),
// named beside the choice string the host shows.  "(-" is a separator line; it takes a
// value of its own, which no name carries.
#pragma once
#include <cstdint>

namespace Look {

// "Effector1" .. "Effector3".
constexpr int kEffectorCount = 3;

// "Dot Shape"
enum DotShapeChoice : int32_t {
    kDotShapeCircle = 1,
    kDotShapeSquare = 2,
    kDotShapeRoundSquare = 3,
    kDotShapeCross = 4,
    kDotShapeStar = 5,
    kDotShapeDiamond = 6,
};
inline constexpr char kDotShapeChoices[] = "Circle|Square|Round Square|Cross|Star|Diamond";

// "Rotation Type"
enum RotationTypeChoice : int32_t {
    kRotationNormal = 1,
    kRotationLookAtCenter = 2,
    kRotationFixDotAngle = 3,
};
inline constexpr char kRotationTypeChoices[] = "Normal|Look At Center|Fix Dot Angle";

// "Distance Between": what "Dot Distance X" and "Y" measure.
enum DistanceChoice : int32_t {
    kDistanceDots = 1,     // the gap between neighbouring dots
    kDistanceCenters = 2,  // from centre to centre
};
inline constexpr char kDistanceBetweenChoices[] = "Dots|Centers";

// "Global Rotation Center": the grid centre or the position of an effector (effector k,
// counted from 0, at kRotationCenterEffector1 + k).
enum RotationCenterChoice : int32_t {
    kRotationCenterGrid = 1,
    kRotationCenterEffector1 = 2,
};
inline constexpr char kRotationCenterChoices[] = "Center|FX1|FX2|FX3";

// "Mask"
enum MaskChoice : int32_t {
    kMaskNormal = 1,  // the dots where the input is
    kMaskNone = 2,    // the dots everywhere
    kMaskLayer = 3,   // the dots where "Mask Target Layer" is
};
inline constexpr char kMaskChoices[] = "Normal|None|Layer";

// "Effect Map n"
enum EffectMapChoice : int32_t {
    kEffectMapCustom = 1,  // "Use Custom Map": a layer
    kEffectMapRadial = 3,
    kEffectMapRadialMirror = 4,
    kEffectMapLinear = 5,
    kEffectMapLinearMirror = 6,
};
inline constexpr char kEffectMapChoices[] =
    "Use Custom Map|(-|Radial|Radial Mirror|Linear|Linear Mirror";

// "Tiling n": what a custom map shows off its layer.
enum TilingChoice : int32_t {
    kTilingNone = 1,  // the outside colour
    kTilingRepeat = 2,
    kTilingMirror = 3,
    kTilingExtendEdge = 4,
};
inline constexpr char kTilingChoices[] = "None|Repeat|Mirror|Extend Edge";

// "Blend Mode n"
enum BlendChoice : int32_t {
    kBlendChoiceNormal = 1,
    kBlendChoiceAdd = 3,
    kBlendChoiceSubtract = 4,
    kBlendChoiceMultiply = 5,
    kBlendChoiceScreen = 6,
    kBlendChoiceOverlay = 7,
    kBlendChoiceHardLight = 8,
    kBlendChoiceSoftLight = 9,
    kBlendChoiceDarken = 11,
    kBlendChoiceLighten = 12,
    kBlendChoiceDifference = 13,
    kBlendChoiceExclusion = 14,
};
inline constexpr char kBlendModeChoices[] =
    "Normal|(-|Add|Substract|Multiply|Screen|Overlay|Hard Light|Soft Light|(-|Darken|Lighten|"
    "Difference|Exclusion";

// The number of lines of a choice string, separators included.
constexpr int32_t ChoiceCount(const char* choices) {
    int32_t n = 1;
    for (const char* c = choices; *c != '\0'; ++c) n += *c == '|' ? 1 : 0;
    return n;
}

static_assert(ChoiceCount(kDotShapeChoices) == kDotShapeDiamond, "Dot Shape");
static_assert(ChoiceCount(kRotationTypeChoices) == kRotationFixDotAngle, "Rotation Type");
static_assert(ChoiceCount(kDistanceBetweenChoices) == kDistanceCenters, "Distance Between");
static_assert(ChoiceCount(kRotationCenterChoices) == kRotationCenterEffector1 + kEffectorCount - 1,
              "Global Rotation Center");
static_assert(ChoiceCount(kMaskChoices) == kMaskLayer, "Mask");
static_assert(ChoiceCount(kEffectMapChoices) == kEffectMapLinearMirror, "Effect Map");
static_assert(ChoiceCount(kTilingChoices) == kTilingExtendEdge, "Tiling");
static_assert(ChoiceCount(kBlendModeChoices) == kBlendChoiceExclusion, "Blend Mode");

}  // namespace Look
