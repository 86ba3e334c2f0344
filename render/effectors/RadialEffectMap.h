// A radial gradient: full strength up to the solid radius, a cosine ease to 0 at the radius;
// mirrored, the disc folds into a ring whose full strength lies at half the radius.
#pragma once
#include "render/effectors/BaseEffectMap.h"

namespace Render {

class RadialEffectMap : public BaseEffectMap {
public:
    RadialEffectMap(double centerX, double centerY, double radius, double falloffFraction,
                    bool mirror);
    double Value(double x, double y) const override;

private:
    double centerX_;
    double centerY_;
    bool mirror_;
    double radius_;
    double falloffWidth_;
    double solidRadius_;
};

}  // namespace Render
