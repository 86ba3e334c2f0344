// How the effect's parameters look to a frei0r host (ffmpeg, MLT, GStreamer), where every
// value is a bool, a double, a colour, a position or a string: first the path of a preset,
// then every parameter in host order by its display name (groups left out, a point as two
// doubles "<name> X" and "<name> Y"), then the frame rate that turns the host's time into
// frame numbers, then the print-screen mode (four screened inks, as `tonedot separate`),
// its dot pitch and black generation, then the start frame and the relative sizes.  Doubles map 0..1 onto the
// parameter's slider range or its choices; the filter's own numbers map 0..1 too, so that
// hosts that take only 0..1 (GStreamer, editors' panels) can set every one.
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
enum class Frei0rRole {
    Preset, Value, PointX, PointY, Layer, FrameRate, PrintScreen, ScreenPitch, BlackGeneration, StartFrame,
    RelativeSizes
};

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

// Frame Rate: 0 (the default) takes the rate from the spacing of the host's times,
// kFrei0rDefaultFrameRate until two times have been seen; 0 to 1 is 0 to
// kFrei0rFrameRateSpan frames per second; above 1 the value is frames per second as given.
constexpr double kFrei0rDefaultFrameRate = 25.0, kFrei0rFrameRateSpan = 100.0;

// Start Frame, the frame number of the host's time 0: 0 to 1 is -kFrei0rStartFrameSpan to
// kFrei0rStartFrameSpan (0.5 is 0), values beyond reach +-kFrei0rStartFrameLimit.
constexpr double kFrei0rStartFrameSpan = 1000.0, kFrei0rStartFrameLimit = 1000000.0;

// The print-screen mode's dot pitch: 0..1 is kFrei0rMinPitch to kFrei0rMinPitch +
// kFrei0rPitchSpan pixels.
constexpr double kFrei0rMinPitch = 2.0, kFrei0rPitchSpan = 98.0, kFrei0rDefaultPitch = 10.0;

// How a double parameter reads in a panel that shows its own units (an editor's effect
// panel): shown = value x factor + offset, from min to max shown, with `decimals` places
// and the unit after it (" %", " px", ...).  `value` is the frei0r value of the default.
struct Frei0rScale {
    double factor = 1, offset = 0, min = 0, max = 1, value = 0;
    int decimals = 3;
    std::string unit;
};
// A double parameter's scale (popups: the choices' values are ChoiceValues).
Frei0rScale ScaleOf(const Frei0rParam& param);
// A popup's choices a user can pick, with the frei0r value that stands for each.
std::vector<std::pair<std::string, double>> ChoiceValues(const Frei0rParam& param);
// The frei0r value of a parameter's default: 0 or 1 for bools, a double or a colour's red.
double DefaultValue(const Frei0rParam& param);
Frei0rColor DefaultColor(const Frei0rParam& param);

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

// The frame rate a host gives into `fps` (0: from the host's times), at most 1000 frames
// per second.  Returns what was limited or refused (NaN and values below 0 keep `fps` as it
// was), or "".  ToFrei0rFrameRate gives the value back.
std::string FromFrei0rFrameRate(double x, double& fps);
double ToFrei0rFrameRate(double fps);

// The start frame a host gives into `frame` (whole frames).  Returns what was limited or
// refused (NaN keeps `frame` as it was), or "".  ToFrei0rStartFrame gives the value back.
std::string FromFrei0rStartFrame(double x, long& frame);
double ToFrei0rStartFrame(long frame);

// Relative Sizes: sizes and distances in pixels (off, the default) or in thousandths of the
// frame height (on), so that a look holds at any resolution.  These are the parameters it
// scales: the dots' size and distances, the effectors' sizes and the print screen's pitch.
bool IsRelativeSize(const ParamInfo& info);
constexpr double kFrei0rRelativeUnit = 1000.0;  // parts of the frame height

// The value the filter reads back for a double or colour parameter the host has not set:
// `x` moved by the smallest step toward 0.5.  A host that reads every value and sets them
// all again (GStreamer) hands this back, and the parameter stays unset (a preset's value
// holds); any other value, the exact default included, counts as set by the host.
double Frei0rUnsetMark(double x);
float Frei0rUnsetMark(float x);

// A host's value for one of the print-screen parameters, limited to 0..1 into `unit`
// (NaN is refused and leaves it as it was).  Returns what was limited or refused, or "".
std::string LimitUnitValue(const Frei0rParam& param, double x, double& unit);

}  // namespace tonedot::frei0r
