// A linear gradient: full strength behind a line through the centre at the map's angle and
// up to the solid width in front of it, falling linearly to 0 at distance size (on both sides
// when mirrored).
#pragma once
#include <cstdint>
#include "render/effectors/BaseEffectMap.h"

namespace Render {

class LinearEffectMap : public BaseEffectMap {
public:
    LinearEffectMap(double centerX, double centerY, double angleDegrees, double size,
                    double falloffFraction, bool mirror);
    double Value(double x, double y) const override;

private:
    double centerX_;
    double centerY_;
    int32_t mirror_;
    double sine_;
    double cosine_;
    double size_;
    double falloffWidth_;
    double solidWidth_;
};

}  // namespace Render
