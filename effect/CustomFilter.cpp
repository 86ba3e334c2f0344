#include "effect/CustomFilter.h"

#include <cstddef>
#include <new>

#include "AEUtil/Pixel.h"
#include "AEUtil/RenderPlumbing.h"
#include "effect/ParamIds.h"
#include "look/ParamValues.h"
#include "render/frame/DotLayerTransfer.h"
#include "render/frame/RenderFrame.h"

using namespace Look;
using namespace Render;

namespace {

// Where effector n's "Custom Map Layer n" goes in the frame's values.
constexpr std::size_t CustomMapLayerOffset(std::size_t n) {
    return offsetof(ParamValues, effector) + n * sizeof(EffectorParams) +
           offsetof(EffectorParams, customMapLayer);
}

// The layers checked out besides the input, with their checkout ids on the smart path.
const ExtraLayer kExtraLayers[] = {
    {ParamId::MaskTargetLayer, 1, offsetof(ParamValues, maskTargetLayer)},
    {ParamId::EffectorIds(0).customMapLayer, 2, CustomMapLayerOffset(0)},
    {ParamId::EffectorIds(1).customMapLayer, 3, CustomMapLayerOffset(1)},
    {ParamId::EffectorIds(2).customMapLayer, 4, CustomMapLayerOffset(2)},
};

}  // namespace

BaseFilter* CreateEffect() {
    alignas(CustomFilter) static unsigned char storage[sizeof(CustomFilter)];
    return new (storage) CustomFilter;
}

ExtraLayerList CustomFilter::ExtraLayers() const {
    return ExtraLayerList{kExtraLayers, sizeof kExtraLayers / sizeof kExtraLayers[0]};
}

static_assert(alignof(ParamValues) <= alignof(std::max_align_t), "the framework's alignment");

std::size_t CustomFilter::ValuesSize() const { return sizeof(ParamValues); }

PF_Err CustomFilter::PreRenderCheckout(PF_InData* in_data, PF_OutData* /*out_data*/,
                                       PF_PreRenderExtra* extra, RenderRecord* record) {
    PF_CheckoutResult result{};
    const PF_Err err = AEUtil::CheckoutInputLayer(in_data, extra, &result);
    const ParamValues& values = ValuesOf(*record);
    PF_PreRenderOutput* output = extra->output;
    if (values.invertMask || values.mask == Look::kMaskNone || values.mask == Look::kMaskLayer) {
        // Dots outside the input's area show: the output covers the whole layer.
        const double dsx = AEUtil::DownsampleFactor(in_data->downsample_x);
        const double dsy = AEUtil::DownsampleFactor(in_data->downsample_y);
        output->result_rect = {0, 0, static_cast<A_long>(in_data->width * dsx + 0.5),
                               static_cast<A_long>(in_data->height * dsy + 0.5)};
        output->max_result_rect = output->result_rect;
        output->flags = PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS;
    } else {
        AEUtil::MergeRect(output->result_rect, result.result_rect);
        AEUtil::MergeRect(output->max_result_rect, result.max_result_rect);
    }
    return err;
}

PF_Err CustomFilter::RenderByFormat(RenderRecord* record) {
    switch (record->pixelFormat) {
        case PF_PixelFormat_ARGB32:
            return RenderFrame<Pixel8>(*record);
        case PF_PixelFormat_ARGB64:
            return RenderFrame<Pixel16>(*record);
        case PF_PixelFormat_ARGB128:
            return RenderFrame<Pixel32>(*record);
        default:
            return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
}
