#include "render/effectors/RadialEffectMap.h"
#include <cmath>
#include "render/base/Constants.h"

namespace Render {

RadialEffectMap::RadialEffectMap(double centerX, double centerY, double radius,
                                 double falloffFraction, bool mirror)
    : centerX_(centerX),
      centerY_(centerY),
      mirror_(mirror),
      radius_(radius),
      falloffWidth_(radius * falloffFraction),
      solidRadius_(radius - radius * falloffFraction) {}

double RadialEffectMap::Value(double x, double y) const {
    const double dy = y - centerY_;
    const double dx = x - centerX_;
    double e = std::sqrt(dy * dy + dx * dx);
    if (e > radius_) return 0.0;
    if (falloffWidth_ == 0.0) return 1.0;
    if (mirror_) e = e < radius_ * 0.5 ? radius_ - 2.0 * e : 2.0 * e - radius_;
    if (e < solidRadius_) return 1.0;
    return std::cos((e - solidRadius_) * kPi / falloffWidth_) * 0.5 + 0.5;
}

}  // namespace Render
