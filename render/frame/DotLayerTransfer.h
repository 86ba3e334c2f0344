// The last step of every render: the finished dot layer is laid in front of what the output
// holds, in one host call, through the mask chosen by "Mask", "Mask Target Layer" and
// "Invert Mask".
#pragma once
#include "AEUtil/HostApi.h"
#include "AEUtil/SuiteHolder.h"
#include "look/Choices.h"

namespace Render {

struct DotLayerTransfer {
    PF_EffectWorld* input;      // the input layer
    PF_EffectWorld* output;     // the output buffer
    PF_EffectWorld* dotLayer;   // the whole layer at the current downsampling
    int32_t mask;               // "Mask"
    PF_EffectWorld* maskLayer;  // "Mask Target Layer" as checked out, or null
    bool invertMask;            // "Invert Mask"
    bool smart;                 // the render came through the smart-render path
};

// The source rectangle of the dot layer that lands on the output.
PF_LRect TransferSourceRect(const DotLayerTransfer& transfer);
// The mask record; false when no mask is passed at all ("Mask" None).
bool TransferMask(const DotLayerTransfer& transfer, PF_MaskWorld* mask);

// Calls "PF World Transform Suite" 1 transfer_rect; its result is the render's.
PF_Err TransferDotLayer(PF_InData* in_data, SuiteHolder& suites,
                        const DotLayerTransfer& transfer);

}  // namespace Render
