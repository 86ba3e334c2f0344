// This effect's own class: the framework's defaults plus the effect's overrides (its
// parameters, UI rules, options dialog, extra layers and renderer).
#pragma once
#include "AEUtil/BaseFilter.h"

class CustomFilter : public BaseFilter {
public:
    // Releases what the effect keeps for the process: the registry of open dialogs and the
    // renderer's memory kept between frames.
    ~CustomFilter() override;

    PF_Err UserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                            PF_LayerDef* output, void* extra) override;
    PF_Err UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                          PF_LayerDef* output) override;
    PF_Err QueryDynamicFlags(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                             PF_LayerDef* output) override;
    PF_Err PreRenderCheckout(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra,
                             RenderRecord* record) override;
    PF_Err RenderByFormat(RenderRecord* record) override;

    void CreateParams(PF_InData* in_data) override;
    PF_Err RunOptionsDialog(PF_InData* in_data, PF_ParamDef* params[]) override;
    // The mask layer and the three custom map layers.
    ExtraLayerList ExtraLayers() const override;
    // The value record is Look::ParamValues.
    std::size_t ValuesSize() const override;
};
