// A suite that only the stand-in host serves: a render call the host marks asks the effect
// for the outlines of the shapes it would draw, in the order it would draw them, instead of
// their pixels (the host's tools write them as vector graphics).  A real host serves no
// such suite, so an effect that finds none renders as always.
#pragma once
#include "AEUtil/HostApi.h"

#define kTonedotOutlineSuite "Tonedot Outline Suite"
#define kTonedotOutlineSuiteVersion1 1

struct TonedotOutlineSuite1 {
    // True when the current render call of the instance asks for outlines, not pixels.
    A_Boolean (*WantsOutlines)(PF_ProgPtr effect_ref);
    // One closed outline: `count` points as x, y pairs in the pixels of the layer at the
    // current downsampling, and its colour as red, green, blue and opacity from 0 to 1.
    PF_Err (*AddOutline)(PF_ProgPtr effect_ref, const double* points, A_long count, const double* rgba);
};
