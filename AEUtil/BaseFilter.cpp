#include "AEUtil/BaseFilter.h"

#include <clocale>
#include "AEUtil/EffectIdentity.h"

BaseFilter::BaseFilter() { std::setlocale(LC_ALL, ""); }

BaseFilter::~BaseFilter() = default;

PF_Err BaseFilter::Dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                            PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    switch (cmd) {
        case PF_Cmd_ABOUT:
            return About(in_data, out_data, params, output);
        case PF_Cmd_GLOBAL_SETUP:
            return GlobalSetup(in_data, out_data, params, output);
        case PF_Cmd_GLOBAL_SETDOWN:
            return GlobalSetdown(in_data, out_data, params, output);
        case PF_Cmd_PARAMS_SETUP:
            return ParamsSetup(in_data, out_data, params, output);
        case PF_Cmd_SEQUENCE_SETUP:
            return SequenceSetup(in_data, out_data);
        case PF_Cmd_SEQUENCE_RESETUP:
            return SequenceResetup(in_data, out_data);
        case PF_Cmd_SEQUENCE_FLATTEN:
            return SequenceFlatten(in_data, out_data);
        case PF_Cmd_SEQUENCE_SETDOWN:
            return SequenceSetdown(in_data, out_data);
        case PF_Cmd_DO_DIALOG:
            // The dialog's own result is not the command's.
            RunOptionsDialog(in_data, params);
            return PF_Err_NONE;
        case PF_Cmd_RENDER:
            return Render(in_data, out_data, params, output);
        case PF_Cmd_USER_CHANGED_PARAM:
            return UserChangedParam(in_data, out_data, params, output, extra);
        case PF_Cmd_UPDATE_PARAMS_UI:
            return UpdateParamsUI(in_data, out_data, params, output);
        case PF_Cmd_EVENT:
            return Event(in_data, out_data, params, output, extra);
        case PF_Cmd_QUERY_DYNAMIC_FLAGS:
            return QueryDynamicFlags(in_data, out_data, params, output);
        case PF_Cmd_ARBITRARY_CALLBACK:
            return ArbitraryCallback(in_data, out_data, params, output, extra);
        case PF_Cmd_SMART_PRE_RENDER:
            return SmartPreRender(in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
        case PF_Cmd_SMART_RENDER:
            return SmartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra));
        case PF_Cmd_GET_FLATTENED_SEQUENCE_DATA:
            return GetFlattenedSequenceData(in_data, out_data);
        default:
            return PF_Err_NONE;
    }
}

PF_Err BaseFilter::GlobalSetup(PF_InData* /*in_data*/, PF_OutData* out_data,
                               PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    const EffectIdentity& effect = ThisEffect();
    out_data->my_version = effect.version;
    out_data->out_flags = effect.outFlags;
    out_data->out_flags2 = effect.outFlags2;
    return PF_Err_NONE;
}

PF_Err BaseFilter::GlobalSetdown(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                 PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    return PF_Err_NONE;
}

PF_Err BaseFilter::UserChangedParam(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                    PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/,
                                    void* /*extra*/) {
    return PF_Err_NONE;
}

PF_Err BaseFilter::UpdateParamsUI(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                  PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    return PF_Err_NONE;
}

PF_Err BaseFilter::QueryDynamicFlags(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                     PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    return PF_Err_NONE;
}

PF_Err BaseFilter::Event(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                         PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/, void* /*extra*/) {
    return PF_Err_NONE;
}

PF_Err BaseFilter::ArbitraryCallback(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                     PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/,
                                     void* /*extra*/) {
    return PF_Err_NONE;
}

PF_Err BaseFilter::ResetSequenceData(PF_InData* in_data, PF_OutData* out_data) {
    return SequenceSetup(in_data, out_data);
}

PF_Err BaseFilter::Initialize(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                              PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    return PF_Err_NONE;
}

PF_Err BaseFilter::RenderByFormat(RenderRecord* /*record*/) {
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
}

void BaseFilter::CreateParams(PF_InData* /*in_data*/) {}

PF_Err BaseFilter::RunOptionsDialog(PF_InData* /*in_data*/, PF_ParamDef* /*params*/[]) {
    return PF_Err_NONE;
}

ExtraLayerList BaseFilter::ExtraLayers() const { return ExtraLayerList{nullptr, 0}; }

std::size_t BaseFilter::ValuesSize() const { return 0; }
