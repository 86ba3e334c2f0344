// Everything one frame's render needs: the parameter values and the host's render context.
#pragma once
#include <cstdint>
#include "AEUtil/HostApi.h"
#include "params/ParamValues.h"

struct RenderRecord {
    ParamValues values;
    PF_InData* inData;
    PF_OutData* outData;
    PF_EffectWorld* input;
    PF_EffectWorld* output;
    PF_PixelFormat pixelFormat;  // PF_PixelFormat_INVALID until known
    PF_LRect renderArea;         // in the coordinates of the input world
    PF_LRect layerArea;          // renderArea moved by the input's origin (smart path)
    uint8_t smart;               // 1 when made by the smart pre-render
};
