// The effect's parameter list: every parameter the host shows, in host order.
#pragma once
#include "AEUtil/HostApi.h"

// Choice strings of the popups, given to the host unchanged ("(-" is a separator line).
extern const char kDotShapeChoices[];        // "Dot Shape"
extern const char kRotationTypeChoices[];    // "Rotation Type"
extern const char kDistanceBetweenChoices[]; // "Distance Between"
extern const char kRotationCenterChoices[];  // "Global Rotation Center"
extern const char kMaskChoices[];            // "Mask"
extern const char kEffectMapChoices[];       // "Effect Map n"
extern const char kTilingChoices[];          // "Tiling n"
extern const char kBlendModeChoices[];       // "Blend Mode n"

// Builds every parameter descriptor (deleting any built before) and finishes the registry.
// Called once, on the first call into the library.
void BuildParamList(PF_InData* in_data);
