// How the effect's parameters look to a frei0r host (ffmpeg, MLT, GStreamer), where every
// value is a bool, a double, a colour, a position or a string: first the path of a preset,
// then every parameter in host order by its display name (groups left out, a point as two
// doubles "<name> X" and "<name> Y"), then the frame rate that turns the host's time into
// frame numbers, then the print-screen mode (four screened inks, as `tonedot separate`),
// its dot pitch and black generation.  Doubles map 0..1 onto the parameter's slider range
// or its choices.
#pragma once
#include <string>
#include <vector>

#include "session/ParamValue.h"
#include "session/RegisteredParams.h"

namespace tonedot::frei0r {
using session::ParamInfo;
using session::ParamValue;
using session::RegisteredParams;
}  // namespace tonedot::frei0r

namespace tonedot::frei0r {

enum class Frei0rType { Bool, Double, Color, String };
enum class Frei0rRole { Preset, Value, PointX, PointY, Layer, FrameRate, PrintScreen, ScreenPitch, BlackGeneration };

struct Frei0rParam {
    std::string name;
    Frei0rType type = Frei0rType::Double;
    Frei0rRole role = Frei0rRole::Value;
    const ParamInfo* info = nullptr;  // the effect's parameter; null for the preset and frame rate
    std::string explanation;          // one line: what the value means
};

struct Frei0rColor {
    double r = 0, g = 0, b = 0;  // 0..1
};

constexpr double kFrei0rDefaultFrameRate = 25.0;

// The print-screen mode's dot pitch: 0..1 is kFrei0rMinPitch to kFrei0rMinPitch +
// kFrei0rPitchSpan pixels.
constexpr double kFrei0rMinPitch = 2.0, kFrei0rPitchSpan = 98.0, kFrei0rDefaultPitch = 10.0;

// The frei0r parameters of the registered effect parameters, in frei0r index order.
std::vector<Frei0rParam> Frei0rParams(const RegisteredParams& params);

// A host's value for a bool or double parameter (not the preset or the frame rate) written
// into `value`.  Values outside the accepted range are limited; NaN is refused and leaves
// `value` as it was.  Returns what was limited or refused, or "" when the value was fine.
std::string FromFrei0r(const Frei0rParam& param, double x, ParamValue& value);
std::string FromFrei0rColor(const Frei0rParam& param, const Frei0rColor& c, ParamValue& value);

// The frei0r value that stands for `value` (a popup choice reads back as the middle of its
// share of 0..1).
double ToFrei0r(const Frei0rParam& param, const ParamValue& value);
Frei0rColor ToFrei0rColor(const ParamValue& value);

// The frame rate a host gives: above 0 and at most 1000 frames per second.  Returns what was
// limited or refused (NaN, infinities, 0 and below keep `fps` as it was), or "".
std::string LimitFrameRate(double x, double& fps);

// A host's value for one of the print-screen parameters, limited to 0..1 into `unit`
// (NaN is refused and leaves it as it was).  Returns what was limited or refused, or "".
std::string LimitUnitValue(const Frei0rParam& param, double x, double& unit);

}  // namespace tonedot::frei0r
