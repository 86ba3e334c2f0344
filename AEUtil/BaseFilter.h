// The effect framework's base class: one virtual operation per host command (and a few
// hooks the render plumbing calls).  The order of the virtual operations is fixed; what the
// framework asks of an effect beyond them comes after them, as further virtual operations.
#pragma once
#include <cstddef>
#include "AEUtil/HostApi.h"
#include "AEUtil/RenderRecord.h"

// A layer parameter that both render paths check out besides the input layer.
struct ExtraLayer {
    A_long paramId;          // the parameter's id
    A_long checkoutId;       // its checkout id on the smart path (the input's is 0)
    std::size_t valueOffset; // where its world goes: a PF_LayerDef* in the value record
};

// The extra layers of an effect, in checkout order.
struct ExtraLayerList {
    const ExtraLayer* items;
    std::size_t count;
    const ExtraLayer* begin() const { return items; }
    const ExtraLayer* end() const { return items + count; }
};

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

    // ---- what the framework asks of the effect besides the host's commands -------------
    // Builds the effect's parameter descriptors (deleting any built before) and finishes the
    // registry.  Called once, on the first call into the library.  None by default.
    virtual void CreateParams(PF_InData* in_data);
    // PF_Cmd_DO_DIALOG: the effect's options dialog.  The command answers PF_Err_NONE
    // whatever this returns.  No dialog by default.
    virtual PF_Err RunOptionsDialog(PF_InData* in_data, PF_ParamDef* params[]);
    // The layer parameters the render paths check out besides the input.  None by default.
    virtual ExtraLayerList ExtraLayers() const;
    // The size of the effect's value record (RenderRecord::values), at most aligned as
    // std::max_align_t.  None by default.
    virtual std::size_t ValuesSize() const;
};

// The one function an effect defines for the framework: builds the effect's object (a class
// derived from BaseFilter) in static storage of the effect's own and returns it.  The entry
// point calls it when it needs the object and destroys the object in place (~BaseFilter) at
// PF_Cmd_GLOBAL_SETDOWN or when the library is unloaded, whichever comes first; the effect's
// destructor is where it lets go of what it keeps for the process.
BaseFilter* CreateEffect();
