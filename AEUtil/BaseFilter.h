// The effect framework's base class: one virtual operation per host command (and a few
// hooks the render plumbing calls).  The order of the virtual operations is fixed.
#pragma once
#include "AEUtil/HostApi.h"
#include "AEUtil/RenderRecord.h"

class BaseFilter {
public:
    BaseFilter();
    virtual ~BaseFilter();

    virtual PF_Err Dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                            PF_ParamDef* params[], PF_LayerDef* output, void* extra);
    virtual PF_Err About(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                         PF_LayerDef* output);
    virtual PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                               PF_LayerDef* output);
    virtual PF_Err GlobalSetdown(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                 PF_LayerDef* output);
    virtual PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                               PF_LayerDef* output);
    virtual PF_Err UserChangedParam(PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef* output, void* extra);
    virtual PF_Err UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                  PF_LayerDef* output);
    virtual PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                          PF_LayerDef* output);
    virtual PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* out_data,
                                  PF_PreRenderExtra* extra);
    virtual PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data,
                               PF_SmartRenderExtra* extra);
    virtual PF_Err SequenceSetup(PF_InData* in_data, PF_OutData* out_data);
    virtual PF_Err SequenceSetdown(PF_InData* in_data, PF_OutData* out_data);
    virtual PF_Err SequenceFlatten(PF_InData* in_data, PF_OutData* out_data);
    virtual PF_Err GetFlattenedSequenceData(PF_InData* in_data, PF_OutData* out_data);
    virtual PF_Err SequenceResetup(PF_InData* in_data, PF_OutData* out_data);
    virtual PF_Err QueryDynamicFlags(PF_InData* in_data, PF_OutData* out_data,
                                     PF_ParamDef* params[], PF_LayerDef* output);
    virtual PF_Err Event(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                         PF_LayerDef* output, void* extra);
    virtual PF_Err ArbitraryCallback(PF_InData* in_data, PF_OutData* out_data,
                                     PF_ParamDef* params[], PF_LayerDef* output, void* extra);
    virtual PF_Err PreRenderCheckout(PF_InData* in_data, PF_OutData* out_data,
                                     PF_PreRenderExtra* extra, RenderRecord* record);
    virtual PF_Err SmartRenderPrepare(PF_InData* in_data, PF_OutData* out_data,
                                      PF_SmartRenderExtra* extra, RenderRecord* record);
    virtual PF_Err ResetSequenceData(PF_InData* in_data, PF_OutData* out_data);
    virtual PF_Err Initialize(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                              PF_LayerDef* output);
    virtual PF_Err RenderByFormat(RenderRecord* record);
};
