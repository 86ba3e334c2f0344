// PLACEHOLDER until the dot pass lands (its owner replaces this file): the per-depth worker
// of a render, here drawing no dots at all.
#pragma once
#include "AEUtil/HostApi.h"
#include "AEUtil/RenderRecord.h"
#include "render/DotCanvas.h"

template <class P>
PF_Err DrawDots(RenderRecord& /*record*/, DotCanvas<P>& /*canvas*/) {
    return PF_Err_NONE;
}
