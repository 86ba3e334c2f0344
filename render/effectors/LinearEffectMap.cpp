#include "render/effectors/LinearEffectMap.h"
#include <cmath>
#include "render/base/Constants.h"

namespace Render {

LinearEffectMap::LinearEffectMap(double centerX, double centerY, double angleDegrees, double size,
                                 double falloffFraction, bool mirror)
    : centerX_(centerX),
      centerY_(centerY),
      mirror_(mirror ? 1 : 0),
      size_(size),
      falloffWidth_(size * falloffFraction),
      solidWidth_(size - size * falloffFraction) {
    // Exact zeros at multiples of 90 degrees, so axis-aligned lines stay axis-aligned.
    const double r = std::fabs(std::fmod(angleDegrees, 180.0));
    const double radians = angleDegrees * kDegToRad;
    sine_ = r == 0.0 ? 0.0 : std::sin(radians);
    cosine_ = r == 90.0 ? 0.0 : std::cos(radians);
}

double LinearEffectMap::Value(double x, double y) const {
    if (falloffWidth_ == 0.0) return 1.0;
    double t = (x - centerX_) * sine_ - (y - centerY_) * cosine_;
    if (!mirror_ && t < 0.0) return 1.0;
    t = std::fabs(t);
    if (t > size_) return 0.0;
    if (t < solidWidth_) return 1.0;
    return 1.0 - (t - solidWidth_) / falloffWidth_;
}

}  // namespace Render
