// Everything one frame's render needs: the effect's parameter values and the host's render
// context.
#pragma once
#include <cstdint>
#include "AEUtil/HostApi.h"

struct RenderRecord {
    // The effect's value record of this frame: BaseFilter::ValuesSize() bytes, aligned for any
    // type, zeroed, then filled by the parameter descriptors (FetchParams) and the extra
    // layers' checkouts at their offsets.  The framework never reads it; it stays valid for
    // the call that hands the record to the effect.  Null when the effect has no values.
    void* values;
    PF_InData* inData;
    PF_OutData* outData;
    PF_EffectWorld* input;
    PF_EffectWorld* output;
    PF_PixelFormat pixelFormat;  // PF_PixelFormat_INVALID until known
    PF_LRect renderArea;         // in the coordinates of the input world
    PF_LRect layerArea;          // renderArea moved by the input's origin (smart path)
    uint8_t smart;               // 1 when made by the smart pre-render
    // The host's handle disposal, kept so the record's handle can be released by the delete
    // function the host calls after the frame, which gets no in_data (smart path only).
    void (*disposeHandle)(PF_Handle);
};

// A new record: all zero except the pixel format, which is not known yet.
inline RenderRecord NewRenderRecord() {
    RenderRecord record{};
    record.pixelFormat = PF_PixelFormat_INVALID;
    return record;
}
