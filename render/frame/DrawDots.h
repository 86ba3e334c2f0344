// The per-depth worker of a render: lays out the dots, lets the effectors act on them,
// orders them and draws them into the canvas, or hands them to another outline sink.
#pragma once
#include <cstdio>
#include <type_traits>

#include "AEUtil/HostApi.h"
#include "AEUtil/RenderRecord.h"
#include "look/ParamValues.h"
#include "render/drawing/DotBands.h"
#include "render/drawing/DotCanvas.h"
#include "render/drawing/DotTracer.h"
#include "render/effectors/Effector.h"
#include "render/effectors/EffectorState.h"
#include "render/layout/DotGrid.h"
#include "render/layout/DotOrdering.h"
#include "render/layout/HostParts.h"

namespace Render {

static_assert(std::extent_v<decltype(Look::ParamValues::effector)> == Look::kEffectorCount,
              "one parameter block per effector");

// The frame's dots for a dot layer of width x height, in the order they are drawn (see
// DrawInOrder): laid out, acted on by the effectors and sorted.  False, with no dots, when
// the frame would hold more than kMaxDotsPerFrame; `count` then holds the number found.
template <class P>
bool LayOutFrameDots(const RenderRecord& record, int32_t width, int32_t height, DotList<P>& list,
                     uint64_t& count)
{
    const Look::ParamValues& values = Look::ValuesOf(record);
    const PF_InData* inData = record.inData;
    const FrameValues<P> frame = MakeFrameValues<P>(values, inData ? inData->current_time : 0,
                                                    inData ? inData->time_step : 0, width, height);

    EffectorState<P> effectors[Look::kEffectorCount];
    for (int k = 0; k < Look::kEffectorCount; ++k) InitEffectorState(effectors[k], values.effector[k], width, height);

    const bool keysUnset = !frame.centerToFront && !EffectorsSetKeys(effectors);
    const bool laidOut = LayOutDots(frame, [&effectors](DotState<P>& dot, bool noOrdering) {
        ApplyEffectors(effectors, dot, noOrdering);
    }, list, count, keysUnset, HostParts(inData));
    if (laidOut) OrderDots(list, HostParts(inData));
    return laidOut;
}

// Returns 0, PF_Err_OUT_OF_MEMORY (with a message) for a frame with more dots than one
// frame may hold, or the non-zero progress answer that stopped the drawing.  The drawing
// runs in bands on the host's threads where it offers them (DotBands.h).
// A frame with more dots than it may hold: the message for the user, and the error.
template <class P>
PF_Err TooManyDots(RenderRecord& record)
{
    if (record.outData != nullptr)
        std::snprintf(record.outData->return_msg, sizeof record.outData->return_msg,
                      "This frame would hold more than %llu dots. Enlarge \"Dot Distance X\" and "
                      "\"Dot Distance Y\" or the dot size.",
                      static_cast<unsigned long long>(MaxDotsPerFrame<P>()));
    return PF_Err_OUT_OF_MEMORY;
}

template <class P>
PF_Err DrawDots(RenderRecord& record, DotCanvas<P>& canvas)
{
    DotList<P> list;
    uint64_t count = 0;
    if (!LayOutFrameDots(record, canvas.Width(), canvas.Height(), list, count)) return TooManyDots<P>(record);
    return DrawInBands(list, canvas, record.inData);
}

// The frame's dots for a dot layer of width x height, handed to the outline sink `sink`
// (DotTracer.h) in the order DrawDots draws them and with the dots it leaves out left out:
// vector output draws the same dots as the raster.  False, with nothing handed on, for a
// frame with more than kMaxDotsPerFrame dots.
template <class P, class Sink>
bool TraceFrameDots(const RenderRecord& record, int32_t width, int32_t height, Sink& sink)
{
    DotList<P> list;
    uint64_t count = 0;
    if (!LayOutFrameDots(record, width, height, list, count)) return false;
    StandaloneDotTracer tracer;
    DrawInOrder(list, nullptr, [&](const DotRecord<P>& dot) { tracer.Trace(dot, sink); });
    return true;
}

}  // namespace Render
