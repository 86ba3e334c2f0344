// The effector step in the making of each dot: an effector pushes the dot's size, aspect,
// rotation, opacity and colour toward its own settings by the weight of its effect map, may
// colour the dot from its map image and brings dots near its position to the front.
#pragma once
#include <cmath>
#include <cstdint>
#include "AEUtil/Pixel.h"
#include "render/base/Constants.h"
#include "render/base/Hsv.h"
#include "render/effectors/ColorBlend.h"
#include "render/effectors/EffectorState.h"
#include "render/layout/DotRecord.h"

namespace Render {

// Moves colour c toward t by weight w (0..1): integer depths in 1/32768 steps truncating
// toward zero, float in double.  Red, green, blue, then alpha.
template <class P>
void MixColorByWeight(P& c, const P& t, double w) {
    using Channel = typename PixelTraits<P>::Channel;
    if constexpr (PixelTraits<P>::isFloat) {
        auto mix = [w](Channel& ch, Channel target) {
            ch = static_cast<Channel>(ch + w * static_cast<Channel>(target - ch));
        };
        mix(c.red, t.red);
        mix(c.green, t.green);
        mix(c.blue, t.blue);
        mix(c.alpha, t.alpha);
    } else {
        const int32_t k = static_cast<int32_t>(w * 32768.0);
        auto mix = [k](Channel& ch, Channel target) {
            const int32_t cv = ch;
            ch = static_cast<Channel>(cv + (k * (static_cast<int32_t>(target) - cv)) / 32768);
        };
        mix(c.red, t.red);
        mix(c.green, t.green);
        mix(c.blue, t.blue);
        mix(c.alpha, t.alpha);
    }
}

// The map weight at a point limited to [0, 1]; not-a-number counts as 0.
inline double EffectorWeight(const BaseEffectMap& map, double x, double y) {
    const double w = map.Value(x, y);
    if (!(w > 0.0)) return 0.0;
    return w > 1.0 ? 1.0 : w;
}

// An effector acts on dots only when it is enabled and its Custom Map Layer image is present.
template <class P>
bool EffectorActs(const EffectorState<P>& state) {
    const Look::EffectorParams& p = state.params;
    return p.enable && p.customMapLayer != nullptr && state.map;
}

// True when one of the effectors gives dots keys (an active front point).
template <class P>
bool EffectorsSetKeys(const EffectorState<P> (&states)[Look::kEffectorCount]) {
    for (const EffectorState<P>& state : states) {
        if (EffectorActs(state) && state.params.centerDotToFront) return true;
    }
    return false;
}

// One effector's whole step for one dot.  Does nothing unless the effector acts
// (EffectorActs).  With noOrdering the dot's key is left alone.
template <class P>
void ApplyEffector(const EffectorState<P>& state, DotState<P>& dot, bool noOrdering) {
    const Look::EffectorParams& p = state.params;
    if (!EffectorActs(state)) return;

    // Front point: the key is the squared distance to the nearest active front point.
    if (p.centerDotToFront && !noOrdering) {
        const double dx = dot.x - state.px;
        const double dy = dot.y - state.py;
        const double d = dx * dx + dy * dy;
        dot.key = dot.key == -1.0 ? d : std::min(dot.key, d);
    }

    // Source colour, whatever the weight.
    if (p.effectMap == Look::kEffectMapCustom && p.pickSourceColor && state.layerMap &&
        !state.layerMap->CoversNothing()) {
        const LayerEffectMap<P>& layer = *state.layerMap;
        if (layer.Tiling() == Look::kTilingNone) {
            layer.PixelUnder(dot.x, dot.y, dot.color);  // off the image: colour kept
        } else {
            dot.color = layer.Sample(dot.x, dot.y);
        }
    }
    // A picked colour may lie beyond the depth's full value (16-bit images up to 65535,
    // float above 1); bring it into range before any integer product sees it.
    LimitToFull(dot.color);

    const double w = EffectorWeight(*state.map, dot.x, dot.y);
    if (w == 0.0) return;

    if (p.absolute) {
        dot.size = (1.0 - w) * dot.size + w * p.absSize;
        dot.aspect = dot.aspect * (1.0 - w) + w * state.absAspect;
        dot.rotation = dot.rotation * (1.0 - w) + w * state.absRotation;
        dot.opacity = (1.0 - w) * dot.opacity + w * state.absOpacity;
    }

    dot.size = ((p.ratioSize - 1.0) * w + 1.0) * dot.size + p.offsetSize * w;
    dot.aspect = dot.aspect * ((p.ratioAspect - 1.0) * w + 1.0) + state.offsetAspect * w;
    dot.rotation = dot.rotation * ((p.ratioRotation - 1.0) * w + 1.0) + state.offsetRotation * w;
    dot.opacity = ((p.ratioOpacity - 1.0) * w + 1.0) * dot.opacity + state.offsetOpacity * w;

    if (p.color) {
        P blended = dot.color;
        BlendPixel(blended, dot.color, state.blendColor, BlendModeFromPopup(p.blendMode));
        MixColorByWeight(dot.color, blended, w);
    }

    if (p.shiftHue != 0) {
        using Traits = PixelTraits<P>;
        Hsv hsv = RgbToHsv(Traits::ToUnit(dot.color.red), Traits::ToUnit(dot.color.green),
                           Traits::ToUnit(dot.color.blue));
        hsv.h = WrapHue(hsv.h + w * state.hueShift);
        dot.color = HsvToRgb<P>(hsv.h, hsv.s, hsv.v);
    }
}

// Effectors 1, 2, 3 in order, each on the result of the one before.
template <class P>
void ApplyEffectors(const EffectorState<P> (&states)[Look::kEffectorCount], DotState<P>& dot, bool noOrdering) {
    for (const EffectorState<P>& state : states) ApplyEffector(state, dot, noOrdering);
}

}  // namespace Render
