// The dots of one frame before ordering: the frame-wide values, and each dot made from
// its grid cell with its random draws, the effectors' hook and its colour randomisation.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "AEUtil/Pixel.h"
#include "look/Choices.h"
#include "look/ParamValues.h"
#include "render/base/Constants.h"
#include "render/base/Hsv.h"
#include "render/layout/DotRandom.h"
#include "render/layout/DotRecord.h"
#include "render/layout/GridWalk.h"
#include "render/layout/HostParts.h"
#include "render/layout/KeptBlocks.h"

namespace Render {

namespace DotGridMath {

// |x| folded back and forth into [0, 1].
inline double ReflectUnit(double x)
{
    x = std::fabs(x);
    x = x - 2 * std::trunc(x * 0.5);
    if (x > 1) x = 2 - x;
    return x;
}

// x limited to [0, 1]; not-a-number gives 0.
inline double Clamp01(double x) { return x > 0 ? (x < 1 ? x : 1.0) : 0.0; }
inline double Clamp(double x, double lo, double hi) { return x < lo ? lo : (x > hi ? hi : x); }
// max(1, x), with not-a-number giving 1.
inline double AtLeastOne(double x) { return x > 1 ? x : 1.0; }

}  // namespace DotGridMath

// Values derived once per frame.
template <class P>
struct FrameValues {
    GridGeometry grid;       // centre, steps, rotation and extended frame
    double rotation;         // global rotation, radians
    double baseSize, baseAspect, baseRotation, baseOpacity;
    P baseColor;
    double rSize, rAspect, rRotation, rOpacity, rDistX, rDistY;  // random amounts
    double rH, rS, rV;       // hue in turns, saturation and value as fractions
    int32_t rotationType;
    int32_t shape;
    bool centerToFront;
    DotRandom random;        // seeded state before the first cell
};

template <class P>
P ColorFromParam(const PF_Pixel& c)
{
    using T = PixelTraits<P>;
    P p;
    p.alpha = T::FromByte(c.alpha);
    p.red = T::FromByte(c.red);
    p.green = T::FromByte(c.green);
    p.blue = T::FromByte(c.blue);
    return p;
}

// Frame-wide values for a dot layer of width x height, at the given host time.
template <class P>
FrameValues<P> MakeFrameValues(const Look::ParamValues& v, int32_t currentTime, int32_t timeStep,
                               int32_t width, int32_t height)
{
    using namespace DotGridMath;
    FrameValues<P> f;
    GridGeometry& g = f.grid;
    g.cx = FixedToDouble(v.centerPosition.x);
    g.cy = FixedToDouble(v.centerPosition.y);
    const int32_t effector = v.globalRotationCenter - Look::kRotationCenterEffector1;
    if (v.globalRotationCenter == Look::kRotationCenterGrid) {
        g.rx = g.cx;
        g.ry = g.cy;
    } else if (effector >= 0 && effector < Look::kEffectorCount) {
        const Look::FixedPoint& pos = v.effector[effector].position;
        g.rx = FixedToDouble(pos.x);
        g.ry = FixedToDouble(pos.y);
    } else {
        g.rx = 0;
        g.ry = 0;
    }
    switch (v.distanceBetween) {
    case Look::kDistanceDots:
        g.sx = AtLeastOne(v.dotSize + v.dotDistanceX);
        g.sy = AtLeastOne(v.dotSize + v.dotDistanceY);
        break;
    case Look::kDistanceCenters:
        g.sx = AtLeastOne(v.dotDistanceX);
        g.sy = AtLeastOne(v.dotDistanceY);
        break;
    default: g.sx = 1; g.sy = 1; break;
    }
    f.rotation = FixedToDouble(v.globalRotation) * kDegToRad;
    g.cosR = std::cos(f.rotation);
    g.sinR = std::sin(f.rotation);

    f.rSize = v.randomSize;
    f.rAspect = v.randomAspect;
    f.rRotation = v.randomRotation;
    f.rOpacity = v.randomOpacity;
    f.rDistX = v.randomDistanceX;
    f.rDistY = v.randomDistanceY;
    f.rH = FixedToDouble(v.randomHue) / 360.0;
    f.rS = v.randomSaturation / 100.0;
    f.rV = v.randomValue / 100.0;

    const double bx = g.sx * f.rDistX + g.sx;
    const double by = g.sy * f.rDistY + g.sy;
    g.left = -bx;
    g.right = width + bx;
    g.top = -by;
    g.bottom = height + by;

    f.baseSize = v.dotSize;
    f.baseAspect = Clamp(v.dotAspect / 100.0, -1.0, 1.0);
    f.baseRotation = FixedToDouble(v.dotRotation) * kDegToRad;
    f.baseOpacity = v.dotOpacity / 100.0;
    f.baseColor = ColorFromParam<P>(v.dotColor);
    f.rotationType = v.rotationType;
    f.shape = v.dotShape;
    f.centerToFront = v.centerDotToFront != 0;
    f.random = DotRandom::Seeded(v.randomSeed, v.randomInterval, v.randomArray, currentTime, timeStep);
    return f;
}

template <class P>
using DotVector = std::vector<DotRecord<P>, FrameAllocator<DotRecord<P>>>;

// The dots of a frame and the order they are to be drawn in.
template <class P>
struct DotList {
    DotVector<P> dots;
    bool noOrdering = false;  // set when the first dot made had no front point
};

// The colour randomisation of the last dot: neighbouring dots often start from the same
// colour with the same draws (all of them 0 when the amounts are), and then end with the
// same colour.  Compared bit for bit.
template <class P>
struct ColorMemo {
    bool valid = false;
    P in{};
    double draws[3] = {0, 0, 0};
    P out{};

    bool Matches(const P& c, const double (&d)[3]) const
    {
        return valid && std::memcmp(&c, &in, sizeof(P)) == 0 && std::memcmp(d, draws, sizeof draws) == 0;
    }
};

// Makes the dot of the grid cell at (px, py), taking exactly kDrawsPerDot draws from `random`;
// applyEffectors(DotState<P>&, bool noOrdering) acts on it halfway.  `noOrdering` is set by
// the first dot without a key; from then on no key is computed.  The dot goes to
// add(const DotRecord<P>&) unless its size, position or rotation came out not finite (it
// is then dropped; the draws are taken all the same).
template <class P, class Effectors, class Add>
void MakeDot(const FrameValues<P>& f, DotRandom& random, double px, double py,
             Effectors&& applyEffectors, bool& noOrdering, Add&& add, ColorMemo<P>& memo)
{
    using namespace DotGridMath;
    using T = PixelTraits<P>;
    const GridGeometry& g = f.grid;
    DotState<P> d;
    d.x = px + random.Draw(f.rDistX) * g.sx;
    d.y = py + random.Draw(f.rDistY) * g.sy;
    d.key = -1;
    if (f.centerToFront && !noOrdering)
        d.key = (d.x - g.cx) * (d.x - g.cx) + (d.y - g.cy) * (d.y - g.cy);
    d.size = random.Draw(f.rSize) * f.baseSize + f.baseSize;
    if (!(d.size > 0)) d.size = 0;
    d.aspect = random.Draw(f.rAspect) + f.baseAspect;
    d.rotation = random.Draw(f.rRotation) * kTwoPi + f.baseRotation;
    double opacity = random.Draw(f.rOpacity) + f.baseOpacity;
    if (opacity > 1) opacity = 2 - opacity > 0 ? 2 - opacity : 0.0;
    d.opacity = opacity > 0 ? opacity : 0.0;
    d.color = f.baseColor;

    applyEffectors(d, noOrdering);

    double draws[3];
    draws[0] = random.Draw(f.rH);
    draws[1] = random.Draw(f.rS);
    draws[2] = random.Draw(f.rV);
    if (memo.Matches(d.color, draws)) {
        d.color = memo.out;
    } else {
        memo.in = d.color;
        std::memcpy(memo.draws, draws, sizeof draws);
        Hsv hsv = RgbToHsv(T::ToUnit(d.color.red), T::ToUnit(d.color.green), T::ToUnit(d.color.blue));
        hsv.h = WrapHue(hsv.h + draws[0]);
        hsv.s = ReflectUnit(hsv.s + draws[1]);
        hsv.v = ReflectUnit(hsv.v + draws[2]);
        d.color = HsvToRgb<P>(hsv.h, hsv.s, hsv.v);
        memo.out = d.color;
        memo.valid = true;
    }

    switch (f.rotationType) {
    case Look::kRotationNormal: d.rotation += f.rotation; break;
    case Look::kRotationLookAtCenter:
        if (d.x != g.rx || d.y != g.ry) d.rotation += std::atan2(d.y - g.ry, d.x - g.rx) - kHalfPi;
        break;
    default: break;
    }

    if (!noOrdering && d.key == -1) noOrdering = true;

    const double size = d.size > 0 ? d.size : 0.0;
    if (!std::isfinite(d.x) || !std::isfinite(d.y) || !std::isfinite(size) || !std::isfinite(d.rotation))
        return;
    DotRecord<P> r;
    r.key = d.key;
    r.x = d.x;
    r.y = d.y;
    r.color = d.color;
    r.color.alpha = T::OpacityToAlpha(Clamp01(d.opacity));
    const double absAspect = std::fabs(d.aspect) < 1 ? std::fabs(d.aspect) : 1.0;
    r.width = d.aspect < 0 ? size * (1 - absAspect) : size;
    r.height = d.aspect > 0 ? size * (1 - absAspect) : size;
    r.rotation = d.rotation;
    r.shape = f.shape;
    add(r);
}

// The most memory the dot records of one frame may take.  A threaded host renders several
// frames at once, so each frame keeps well clear of the machine's memory; a frame that
// would need more is refused rather than taking the host's memory.
constexpr uint64_t kMaxDotListBytes = uint64_t(1) << 30;

// Most dots one frame may hold: about 19 million in 8-bit renders, 16 million in 16-bit,
// 14 million in float (a dot on every pixel of a 4K frame fits, of an 8K frame does not).
template <class P>
constexpr uint64_t MaxDotsPerFrame()
{
    return kMaxDotListBytes / sizeof(DotRecord<P>);
}

// Lays out the grid of the frame and makes its dots.  Returns false, with no dots, when
// the frame would hold more than MaxDotsPerFrame<P>(); `count` then holds the number found
// so far (more than the limit).
//
// With `keysUnset` (no front point is active, so every key stays -1 and noOrdering only
// decides whether keys are computed), the rings are made in parts through `runParts`
// (HostParts.h): each part starts the random source at its first ring, as the walk would
// have it there, and writes its dots where the walk would have put them.
template <class P, class Effectors, class Parts = InlineParts>
bool LayOutDots(const FrameValues<P>& f, Effectors&& applyEffectors, DotList<P>& list, uint64_t& count,
                bool keysUnset = false, const Parts& runParts = Parts{})
{
    list.dots.clear();
    list.noOrdering = false;
    const uint64_t limit = MaxDotsPerFrame<P>();
    std::vector<RingCells> rings;
    std::vector<uint64_t> ringStart;  // inside cells of the rings before each
    count = 0;
    WalkRings(f.grid, [&](const RingCells& cells) {
        rings.push_back(cells);
        ringStart.push_back(count);
        count += static_cast<uint64_t>(cells.Count());
        return count <= limit;
    });
    if (count > limit) return false;

    // Part k takes the rings from the one holding its first cell; a dot dropped for a value
    // that is not finite leaves a gap, closed after.  One part is the plain walk.
    const int32_t parts = keysUnset ? PartCount(static_cast<size_t>(count)) : 1;
    list.dots.resize(static_cast<size_t>(count));  // left uninitialised
    std::vector<size_t> firstRing(parts + 1), made(parts);
    std::vector<char> anyDot(parts);
    for (int32_t k = 0; k <= parts; ++k) {
        firstRing[k] = k == parts ? rings.size()
                                  : static_cast<size_t>(std::lower_bound(ringStart.begin(), ringStart.end(),
                                                                         PartBegin(count, parts, k)) -
                                                        ringStart.begin());
    }
    runParts(parts, [&](int32_t k) {
        if (firstRing[k] >= firstRing[k + 1]) return;
        DotRandom random = f.random;
        random.Skip(kDrawsPerDot * CellsBeforeRing(rings[firstRing[k]].ring));
        ColorMemo<P> memo;
        bool noOrdering = false;
        DotRecord<P>* const begin = list.dots.data() + ringStart[firstRing[k]];
        DotRecord<P>* out = begin;
        auto add = [&out](const DotRecord<P>& r) { *out++ = r; };
        for (size_t i = firstRing[k]; i < firstRing[k + 1]; ++i) {
            WalkRingCells(f.grid, rings[i], random, [&](double px, double py) {
                MakeDot(f, random, px, py, applyEffectors, noOrdering, add, memo);
            });
        }
        made[k] = static_cast<size_t>(out - begin);
        anyDot[k] = noOrdering;
    });
    size_t end = 0;
    for (int32_t k = 0; k < parts; ++k) {
        if (firstRing[k] >= firstRing[k + 1]) continue;
        const size_t from = static_cast<size_t>(ringStart[firstRing[k]]);
        if (from != end) std::memmove(list.dots.data() + end, list.dots.data() + from, made[k] * sizeof(DotRecord<P>));
        end += made[k];
        list.noOrdering = list.noOrdering || anyDot[k];
    }
    list.dots.resize(end);
    return true;
}

}  // namespace Render
