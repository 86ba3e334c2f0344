// An effect map: how strongly an effector acts at a point of the dot layer.
#pragma once

namespace Render {

class BaseEffectMap {
public:
    virtual ~BaseEffectMap() = default;
    // The weight at (x, y) in dot-layer pixels; the effector limits it to [0, 1].
    virtual double Value(double x, double y) const = 0;

protected:
    BaseEffectMap() = default;
    BaseEffectMap(const BaseEffectMap&) = default;
    BaseEffectMap& operator=(const BaseEffectMap&) = default;
};

}  // namespace Render
