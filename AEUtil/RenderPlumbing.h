// Pieces of the render paths shared by BaseFilter and the effect's own overrides.
#pragma once
#include "AEUtil/HostApi.h"
#include "AEUtil/RenderRecord.h"

namespace AEUtil {

// The bounding box of two rectangles; an empty `add` leaves `into` as it is, an empty `into`
// becomes `add`.
void MergeRect(PF_LRect& into, const PF_LRect& add);

// A downsampling factor as a fraction (a zero denominator counts as full resolution).
double DownsampleFactor(const PF_RationalScale& scale);

// A world that holds no pixels (none, no data or zero size) counts as no layer at all.
PF_EffectWorld* LayerOrNull(PF_EffectWorld* world);

// Checks out the input layer (parameter 0, checkout id 0) for the pre-render output request
// at the current time.
PF_Err CheckoutInputLayer(PF_InData* in_data, PF_PreRenderExtra* extra,
                          PF_CheckoutResult* result);

// The delete function handed to the host with pre_render_data: disposes the record's handle.
void DeleteRenderRecordHandle(void* pre_render_data);

}  // namespace AEUtil
