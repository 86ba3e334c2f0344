// One effector's per-render working copy: its parameter block, the values derived from it
// and its effect map.  Built once per render before the grid walk and not changed after.
#pragma once
#include <algorithm>
#include <cstdint>
#include "AEUtil/Pixel.h"
#include "look/Choices.h"
#include "look/ParamValues.h"
#include "render/base/Constants.h"
#include "render/effectors/EffectMapHandle.h"
#include "render/effectors/LayerEffectMap.h"
#include "render/effectors/LinearEffectMap.h"
#include "render/effectors/RadialEffectMap.h"

namespace Render {

template <class P>
struct EffectorState {
    Look::EffectorParams params{};
    double px = 0.0;  // "Position n", dot-layer pixels
    double py = 0.0;
    int32_t layerWidth = 0;  // the dot layer
    int32_t layerHeight = 0;
    double falloff = 0.0;         // fraction
    double absAspect = 0.0;       // fraction, -1..1
    double absRotation = 0.0;     // radians
    double absOpacity = 0.0;      // fraction
    double offsetAspect = 0.0;    // fraction, -1..1
    double offsetRotation = 0.0;  // radians
    double offsetOpacity = 0.0;   // fraction
    double hueShift = 0.0;        // turns
    P blendColor{};               // "Blend Color n" on the depth's scale
    EffectMapHandle map;
    // The map seen as a layer map when "Effect Map n" is "Use Custom Map", else null.
    const LayerEffectMap<P>* layerMap = nullptr;
};

// The effect map the state's parameters choose, in a new handle.
template <class P>
EffectMapHandle MakeEffectMap(const EffectorState<P>& state) {
    const Look::EffectorParams& p = state.params;
    const double angle = FixedToDouble(p.angle);
    switch (p.effectMap) {
        case Look::kEffectMapCustom: {
            using Map = LayerEffectMap<P>;
            const PF_EffectWorld* image = p.customMapLayer;
            if (p.fitToLayer && image) {
                // Stretched over the whole dot layer.  A dot layer without area has no
                // points to cover, so the map covers nothing rather than dividing by zero.
                if (state.layerWidth <= 0 || state.layerHeight <= 0) {
                    return EffectMapHandle(new Map(0.0, 0.0, 0.0, 1.0, 1.0, p.tiling, image,
                                                   Map::Coverage::Nothing));
                }
                return EffectMapHandle(new Map(state.layerWidth / 2.0, state.layerHeight / 2.0, 0.0,
                                               static_cast<double>(image->width) / state.layerWidth,
                                               static_cast<double>(image->height) / state.layerHeight,
                                               p.tiling, image));
            }
            return EffectMapHandle(new Map(state.px, state.py, angle, 1.0, 1.0, p.tiling, image));
        }
        case Look::kEffectMapRadial:
        case Look::kEffectMapRadialMirror:
            return EffectMapHandle(new RadialEffectMap(state.px, state.py, p.size, state.falloff,
                                                       p.effectMap == Look::kEffectMapRadialMirror));
        default:  // the separator, "Linear", "Linear Mirror"
            return EffectMapHandle(new LinearEffectMap(state.px, state.py, angle, p.size,
                                                       state.falloff,
                                                       p.effectMap == Look::kEffectMapLinearMirror));
    }
}

// Copies the effector's block, derives its converted values and builds its map.
template <class P>
void InitEffectorState(EffectorState<P>& state, const Look::EffectorParams& params, int32_t layerWidth,
                       int32_t layerHeight) {
    using Traits = PixelTraits<P>;
    state.params = params;
    state.px = FixedToDouble(params.position.x);
    state.py = FixedToDouble(params.position.y);
    state.layerWidth = layerWidth;
    state.layerHeight = layerHeight;
    state.falloff = params.falloff / 100.0;
    state.absAspect = std::clamp(params.absAspect / 100.0, -1.0, 1.0);
    state.absRotation = FixedToDouble(params.absRotation) * kDegToRad;
    state.absOpacity = params.absOpacity / 100.0;
    state.offsetAspect = std::clamp(params.offsetAspect / 100.0, -1.0, 1.0);
    state.offsetRotation = FixedToDouble(params.offsetRotation) * kDegToRad;
    state.offsetOpacity = params.offsetOpacity / 100.0;
    state.hueShift = FixedToDouble(params.shiftHue) / 360.0;
    state.blendColor.alpha = Traits::FromByte(params.blendColor.alpha);
    state.blendColor.red = Traits::FromByte(params.blendColor.red);
    state.blendColor.green = Traits::FromByte(params.blendColor.green);
    state.blendColor.blue = Traits::FromByte(params.blendColor.blue);
    state.map = MakeEffectMap(state);
    state.layerMap = dynamic_cast<const LayerEffectMap<P>*>(state.map.Get());
}

}  // namespace Render
