// The per-depth worker of a render: lays out the dots, lets the effectors act on them,
// orders them and draws them into the canvas.
#pragma once
#include <cstdio>

#include "AEUtil/HostApi.h"
#include "AEUtil/RenderRecord.h"
#include "render/DotCanvas.h"
#include "render/DotGrid.h"
#include "render/DotOrdering.h"
#include "render/DotShapes.h"
#include "render/Effector.h"
#include "render/EffectorState.h"

// Returns 0, PF_Err_OUT_OF_MEMORY (with a message) for a frame with more dots than one
// frame may hold, or the non-zero progress answer that stopped the drawing.
template <class P>
PF_Err DrawDots(RenderRecord& record, DotCanvas<P>& canvas)
{
    const ParamValues& values = record.values;
    PF_InData* inData = record.inData;
    const int32_t width = canvas.Width();
    const int32_t height = canvas.Height();
    const FrameValues<P> frame = MakeFrameValues<P>(values, inData ? inData->current_time : 0,
                                                    inData ? inData->time_step : 0, width, height);

    EffectorState<P> effectors[3];
    for (int k = 0; k < 3; ++k) InitEffectorState(effectors[k], values.effector[k], width, height);

    DotList<P> list;
    uint64_t count = 0;
    const bool laidOut = LayOutDots(frame, [&effectors](DotState<P>& dot, bool noOrdering) {
        ApplyEffectors(effectors, dot, noOrdering);
    }, list, count);
    if (!laidOut) {
        if (record.outData != nullptr)
            std::snprintf(record.outData->return_msg, sizeof record.outData->return_msg,
                          "This frame would hold more than %llu dots. Enlarge \"Dot Distance X\" and "
                          "\"Dot Distance Y\" or the dot size.",
                          static_cast<unsigned long long>(kMaxDotsPerFrame));
        return PF_Err_OUT_OF_MEMORY;
    }

    OrderDots(list);
    return DrawInOrder(list, inData, [&canvas](const DotRecord<P>& dot) { DrawDot(canvas, dot); });
}
