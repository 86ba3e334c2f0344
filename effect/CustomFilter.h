// This effect's own class: the framework's defaults plus three overrides.
#pragma once
#include "AEUtil/BaseFilter.h"

class CustomFilter : public BaseFilter {
public:
    PF_Err QueryDynamicFlags(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                             PF_LayerDef* output) override;
    PF_Err PreRenderCheckout(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra,
                             RenderRecord* record) override;
    PF_Err RenderByFormat(RenderRecord* record) override;
};
