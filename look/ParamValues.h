// This effect's flat value record of one frame: one field per value parameter, in the order
// the descriptors are bound to (each descriptor copies its value to its field's offset; the
// framework carries the record as bytes it does not read).  Encodings are the host's own, copied unchanged:
// popups int32 (1-based), colours 4 bytes alpha/red/green/blue, float sliders double,
// integer sliders int32, angles int32 16.16 degrees, points two int32 16.16 (x then y),
// checkboxes one byte, layers a pointer to the checked-out layer or null.
#pragma once
#include <cstdint>
#include "AEUtil/HostApi.h"
#include "AEUtil/RenderRecord.h"
#include "look/Choices.h"

namespace Look {

struct FixedPoint {
    int32_t x;  // 16.16
    int32_t y;  // 16.16
};

// One effector's block; the three effectors share this layout.
struct EffectorParams {
    uint8_t enable;            // "Enable Effector n"
    int32_t effectMap;         // "Effect Map n"
    int32_t angle;             // "Angle n"
    FixedPoint position;       // "Position n"
    uint8_t centerDotToFront;  // "Center Dot to Front n"
    double size;               // "Size n"
    double falloff;            // "Falloff n"
    PF_LayerDef* customMapLayer;  // "Custom Map Layer n"
    uint8_t fitToLayer;        // "Fit to Layer n"
    uint8_t pickSourceColor;   // "Pick Source Color n"
    int32_t tiling;            // "Tiling n"
    uint8_t absolute;          // "Absolute n"
    double absSize;            // "ABS Size n"
    double absAspect;          // "ABS Aspect n"
    int32_t absRotation;       // "ABS Rotation n"
    double absOpacity;         // "ABS Opacity n"
    double ratioSize;          // "Ratio Size n"
    double ratioAspect;        // "Ratio Aspect n"
    double ratioRotation;      // "Ratio Rotation n"
    double ratioOpacity;       // "Ratio Opacity n"
    double offsetSize;         // "Offset Size n"
    double offsetAspect;       // "Offset Aspect n"
    int32_t offsetRotation;    // "Offset Rotation n"
    double offsetOpacity;      // "Offset Opacity n"
    uint8_t color;             // "Color n"
    int32_t blendMode;         // "Blend Mode n"
    PF_Pixel blendColor;       // "Blend Color n"
    int32_t shiftHue;          // "Shift Hue n"
};

struct ParamValues {
    int32_t dotShape;              // "Dot Shape"
    PF_Pixel dotColor;             // "Dot Color"
    double dotSize;                // "Dot Size"
    double dotAspect;              // "Dot Aspect"
    int32_t dotRotation;           // "Dot Rotation"
    int32_t rotationType;          // "Rotation Type"
    double dotOpacity;             // "Dot Opacity"
    int32_t distanceBetween;       // "Distance Between"
    double dotDistanceX;           // "Dot Distance X"
    double dotDistanceY;           // "Dot Distance Y"
    FixedPoint centerPosition;     // "Center Position"
    uint8_t centerDotToFront;      // "Center Dot to Front"
    int32_t globalRotation;        // "Global Rotation"
    int32_t globalRotationCenter;  // "Global Rotation Center"
    int32_t mask;                  // "Mask"
    PF_LayerDef* maskTargetLayer;  // "Mask Target Layer"
    uint8_t invertMask;            // "Invert Mask"
    uint8_t clearBackground;       // "Clear Background"
    int32_t randomInterval;        // "Random Interval"
    int32_t randomArray;           // "Random Array"
    int32_t randomSeed;            // "Random Seed"
    double randomSize;             // "Size" (Randomize)
    double randomAspect;           // "Aspect"
    double randomRotation;         // "Rotation"
    double randomOpacity;          // "Opacity"
    double randomDistanceX;        // "Distance X"
    double randomDistanceY;        // "Distance Y"
    int32_t randomHue;             // "H"
    double randomSaturation;       // "S"
    double randomValue;            // "V"
    EffectorParams effector[kEffectorCount];  // "Effector1", "Effector2", "Effector3"
};

// The frame's values in a render record, where the framework keeps them as a block of
// bytes of the size the effect gives it (CustomFilter::ValuesSize).
inline ParamValues& ValuesOf(RenderRecord& record) {
    return *static_cast<ParamValues*>(record.values);
}
inline const ParamValues& ValuesOf(const RenderRecord& record) {
    return *static_cast<const ParamValues*>(record.values);
}

}  // namespace Look
