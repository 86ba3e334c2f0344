// The fixed ids of the effect's parameters.  Saved projects refer to parameter values by
// these ids; code finds a parameter's host index with FindParamIndex(id), never by a
// hard-coded index.
#pragma once
#include "AEUtil/HostApi.h"

namespace ParamId {

enum : A_long {
    DotShape = 1,
    DotColor = 2,
    DotSize = 3,
    DotAspect = 4,
    DotRotation = 5,
    RotationType = 6,
    DotOpacity = 7,
    DistanceBetween = 8,
    DotDistanceX = 9,
    DotDistanceY = 10,
    CenterPosition = 11,
    CenterDotToFront = 125,
    GlobalRotation = 12,
    GlobalRotationCenter = 13,
    Mask = 14,
    MaskTargetLayer = 15,
    InvertMask = 16,
    ClearBackground = 17,
    Randomize = 18,     // group start
    RandomInterval = 20,
    RandomArray = 132,
    RandomSeed = 21,
    RandomSize = 22,
    RandomAspect = 23,
    RandomRotation = 24,
    RandomOpacity = 25,
    RandomDistanceX = 26,
    RandomDistanceY = 27,
    RandomH = 32,
    RandomS = 33,
    RandomV = 34,
    RandomizeEnd = 19,  // group end
};

// The ids of one effector group ("Effector1" .. "Effector3").
struct Effector {
    A_long group, enable, position, size, angle, falloff, effectMap, customMapLayer,
        fitToLayer, pickSourceColor, tiling, centerDotToFront, absolute, absSize, absAspect,
        absRotation, absOpacity, ratioSize, ratioAspect, ratioRotation, ratioOpacity,
        offsetSize, offsetAspect, offsetRotation, offsetOpacity, color, blendMode, blendColor,
        shiftHue, groupEnd;
};

// Effector n (n = 0, 1, 2 for "Effector1" .. "Effector3").
constexpr Effector EffectorIds(int n) {
    const A_long k = 30 * n;
    return Effector{35 + k,  37 + k,  41 + k,  42 + k,  40 + k,  43 + k,  136 + n, 45 + k,
                    139 + n, 129 + n, 133 + n, 126 + n, 46 + k,  47 + k,  48 + k,  49 + k,
                    50 + k,  52 + k,  53 + k,  54 + k,  55 + k,  57 + k,  58 + k,  59 + k,
                    60 + k,  61 + k,  62 + k,  63 + k,  64 + k,  36 + k};
}

}  // namespace ParamId
