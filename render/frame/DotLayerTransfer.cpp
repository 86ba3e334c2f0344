#include "render/frame/DotLayerTransfer.h"

#include <cmath>
#include <cstring>

namespace Render {

PF_LRect TransferSourceRect(const DotLayerTransfer& t) {
    if (!t.smart || (t.mask == Look::kMaskNormal && !t.invertMask)) {
        // The output covers the input's area of the layer.
        return {t.input->origin_x, t.input->origin_y, t.input->origin_x + t.input->width,
                t.input->origin_y + t.input->height};
    }
    // The output covers the whole layer (the pre-render asked for it).
    return {0, 0, t.dotLayer->width, t.dotLayer->height};
}

bool TransferMask(const DotLayerTransfer& t, PF_MaskWorld* mask) {
    std::memset(mask, 0, sizeof *mask);
    const PF_MaskFlags flag = t.invertMask ? PF_MaskFlag_INVERTED : PF_MaskFlag_NONE;
    switch (t.mask) {
        case Look::kMaskNone:
            return false;
        case Look::kMaskLayer:
            mask->what_is_mask = flag;
            if (t.maskLayer) {
                // Centred on the output.
                mask->mask = *t.maskLayer;
                mask->offset.h = static_cast<A_long>(std::floor(
                    (t.output->width + t.output->origin_x - t.maskLayer->width) * 0.5 + 0.5));
                mask->offset.v = static_cast<A_long>(std::floor(
                    (t.output->height + t.output->origin_y - t.maskLayer->height) * 0.5 + 0.5));
            }
            return true;
        default:  // Normal: the input layer's own alpha
            mask->mask = *t.input;
            mask->what_is_mask = flag;
            if (t.invertMask) mask->offset = {t.input->origin_x, t.input->origin_y};
            return true;
    }
}

PF_Err TransferDotLayer(PF_InData* in_data, SuiteHolder& suites, const DotLayerTransfer& t) {
    const PF_WorldTransformSuite1* transform = suites.WorldTransformSuite1();
    const PF_LRect source = TransferSourceRect(t);
    PF_MaskWorld mask;
    const bool withMask = TransferMask(t, &mask);
    PF_CompositeMode mode;
    std::memset(&mode, 0, sizeof mode);
    mode.xfer = PF_Xfer_IN_FRONT;
    mode.rand_seed = 0;
    mode.opacity = 255;
    mode.rgb_only = false;
    mode.opacitySu = PF_MAX_CHAN16;
    return transform->transfer_rect(in_data->effect_ref, in_data->quality, PF_MF_Alpha_STRAIGHT,
                                    PF_Field_FRAME, &source, t.dotLayer, &mode,
                                    withMask ? &mask : nullptr, 0, 0, t.output);
}

}  // namespace Render
