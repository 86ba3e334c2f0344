#include "frei0r/Frei0rParams.h"

#include <cmath>
#include <cstdio>

#include "session/EffectSession.h"
#include "print/Separation.h"

namespace tonedot::frei0r {

using namespace tonedot::session;
using print::kDefaultBlackGeneration;

namespace {

constexpr double kDegreesPerTurn = 360.0;
constexpr double kAngleLimit = 32767.0;  // degrees, as the host's fixed-point angles hold
constexpr double kPointLimit = 100.0;    // frames to either side of the frame

// The popup's items a user can pick (separators left out), as 1-based item numbers.
std::vector<A_long> Selectable(const ParamInfo& info) {
    std::vector<A_long> items;
    for (std::size_t i = 0; i < info.choices.size(); ++i)
        if (info.choices[i] != "(-") items.push_back(static_cast<A_long>(i + 1));
    return items;
}

// The slider range 0..1 maps onto, and the valid range values are limited to.
struct Ranges {
    double sliderMin, sliderMax, validMin, validMax;
};

Ranges RangesOf(const ParamInfo& info) {
    const PF_ParamDefUnion& u = info.def.u;
    if (info.kind == ParamKind::Slider)
        return {double(u.sd.slider_min), double(u.sd.slider_max), double(u.sd.valid_min), double(u.sd.valid_max)};
    return {u.fs_d.slider_min, u.fs_d.slider_max, u.fs_d.valid_min, u.fs_d.valid_max};
}

// A value in the host's own units, as short as it is exact to six digits (1e+300, not three
// hundred digits).
std::string HostNumber(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", x);
    return text;
}

// Messages give the host's values in the host's units; the effect's own follow in brackets.
std::string Limited(const Frei0rParam& p, double x, double to, const std::string& why) {
    return "\"" + p.name + "\" " + HostNumber(x) + " " + why + "; " + HostNumber(to) + " is used.";
}

std::string Refused(const Frei0rParam& p, double x) {
    return "\"" + p.name + "\" " + HostNumber(x) + " is not a number; the value is left as it was.";
}

// Limits x to lo..hi; returns a message when it had to.
std::string Limit(const Frei0rParam& p, double& x, double lo, double hi) {
    if (x >= lo && x <= hi) return std::string();
    const double original = x;
    x = x < lo ? lo : hi;
    return Limited(p, original, x, "is outside " + HostNumber(lo) + " to " + HostNumber(hi));
}

std::string Explain(const ParamInfo& info) {
    switch (info.kind) {
        case ParamKind::Checkbox: return "y (1, true): on, n (0, false): off";
        case ParamKind::Layer: return "y (1, true): the frame itself, n (0, false): none";
        case ParamKind::Color: return "red, green, blue from 0 to 1";
        case ParamKind::Angle:
            return "0 to 1 is 0 to 360 degrees, beyond it more turns (up to " + FormatNumber(kAngleLimit) + " degrees)";
        case ParamKind::Popup: {
            std::string names;
            for (A_long item : Selectable(info))
                names += (names.empty() ? "" : ", ") + info.choices[static_cast<std::size_t>(item - 1)];
            const std::size_t n = Selectable(info).size();
            return "0 to 1 in " + std::to_string(n) + " equal parts: " + names;
        }
        case ParamKind::Slider: case ParamKind::FloatSlider: {
            const Ranges r = RangesOf(info);
            std::string text = "0 to 1 is " + FormatNumber(r.sliderMin) + " to " + FormatNumber(r.sliderMax);
            if (r.validMin != r.sliderMin || r.validMax != r.sliderMax)
                text += " (reaches " + FormatNumber(r.validMin) + " to " + FormatNumber(r.validMax) + ")";
            return text + (info.Percent() ? " percent" : "");
        }
        default: return std::string();
    }
}

}  // namespace

std::vector<Frei0rParam> Frei0rParams(const RegisteredParams& params) {
    std::vector<Frei0rParam> list;
    list.push_back({"Preset", Frei0rType::String, Frei0rRole::Preset, nullptr,
                    "path of a preset file (tonedot preset save); values set here win over it"});
    for (const ParamInfo& info : params.All()) {
        if (info.index == 0) continue;
        switch (info.kind) {
            case ParamKind::Point:
                list.push_back({info.name + " X", Frei0rType::Double, Frei0rRole::PointX, &info,
                                "fraction of the frame width from the left"});
                list.push_back({info.name + " Y", Frei0rType::Double, Frei0rRole::PointY, &info,
                                "fraction of the frame height from the top"});
                break;
            case ParamKind::Layer:
                list.push_back({info.name, Frei0rType::Bool, Frei0rRole::Layer, &info, Explain(info)});
                break;
            case ParamKind::Checkbox:
                list.push_back({info.name, Frei0rType::Bool, Frei0rRole::Value, &info, Explain(info)});
                break;
            case ParamKind::Color:
                list.push_back({info.name, Frei0rType::Color, Frei0rRole::Value, &info, Explain(info)});
                break;
            case ParamKind::Slider: case ParamKind::FloatSlider: case ParamKind::Angle: case ParamKind::Popup:
                list.push_back({info.name, Frei0rType::Double, Frei0rRole::Value, &info, Explain(info)});
                break;
            default:
                break;  // groups
        }
    }
    list.push_back({"Frame Rate", Frei0rType::Double, Frei0rRole::FrameRate, nullptr,
                    "0 (unless set): from the spacing of the host's times (" + FormatNumber(kFrei0rDefaultFrameRate) +
                        " until it shows); 0 to 1 is 0 to " + FormatNumber(kFrei0rFrameRateSpan) +
                        " frames per second; above 1, frames per second"});
    list.push_back({"Print Screen", Frei0rType::Bool, Frei0rRole::PrintScreen, nullptr,
                    "y: four screened inks (CMYK) at their angles, shaped by Dot Shape; n (unless set): the effect"});
    list.push_back({"Screen Pitch", Frei0rType::Double, Frei0rRole::ScreenPitch, nullptr,
                    "0 to 1 is " + FormatNumber(kFrei0rMinPitch) + " to " + FormatNumber(kFrei0rMinPitch + kFrei0rPitchSpan) +
                        " pixels between dot centres (" + FormatNumber(kFrei0rDefaultPitch) + " unless set)"});
    list.push_back({"Black Generation", Frei0rType::Double, Frei0rRole::BlackGeneration, nullptr,
                    "print screen's black, 0 none to 1 all grey (" + FormatNumber(kDefaultBlackGeneration) +
                        " unless set)"});
    list.push_back({"Start Frame", Frei0rType::Double, Frei0rRole::StartFrame, nullptr,
                    "frame number at the host's time 0: 0 to 1 is " + FormatNumber(-kFrei0rStartFrameSpan) + " to " +
                        FormatNumber(kFrei0rStartFrameSpan) + " (0.5, 0 unless set)"});
    list.push_back({"Relative Sizes", Frei0rType::Bool, Frei0rRole::RelativeSizes, nullptr,
                    "y: Dot Size, Dot Distance X and Y, the effectors' Size, ABS Size and Offset Size and "
                    "Screen Pitch in thousandths of the frame height; n (unless set): in pixels"});
    return list;
}

bool IsRelativeSize(const ParamInfo& info) {
    if (info.kind != ParamKind::FloatSlider) return false;
    const std::string& n = info.name;
    return n == "Dot Size" || n == "Dot Distance X" || n == "Dot Distance Y" ||
           ((n.rfind("Size ", 0) == 0 || n.rfind("ABS Size ", 0) == 0 || n.rfind("Offset Size ", 0) == 0) &&
            info.group.rfind("Effector", 0) == 0);
}

double DefaultValue(const Frei0rParam& p) {
    switch (p.role) {
        case Frei0rRole::Preset: case Frei0rRole::FrameRate: case Frei0rRole::PrintScreen:
        case Frei0rRole::RelativeSizes: return 0.0;
        case Frei0rRole::ScreenPitch: return (kFrei0rDefaultPitch - kFrei0rMinPitch) / kFrei0rPitchSpan;
        case Frei0rRole::BlackGeneration: return kDefaultBlackGeneration;
        case Frei0rRole::StartFrame: return ToFrei0rStartFrame(0);
        default: return ToFrei0r(p, RegisteredValue(*p.info));
    }
}

Frei0rColor DefaultColor(const Frei0rParam& p) { return ToFrei0rColor(RegisteredValue(*p.info)); }

std::vector<std::pair<std::string, double>> ChoiceValues(const Frei0rParam& p) {
    std::vector<std::pair<std::string, double>> choices;
    ParamValue value = RegisteredValue(*p.info);
    for (A_long item : Selectable(*p.info)) {
        value.integer = item;
        choices.emplace_back(p.info->choices[static_cast<std::size_t>(item - 1)], ToFrei0r(p, value));
    }
    return choices;
}

Frei0rScale ScaleOf(const Frei0rParam& p) {
    Frei0rScale s;
    s.value = DefaultValue(p);
    switch (p.role) {
        case Frei0rRole::FrameRate:
            return {kFrei0rFrameRateSpan, 0, 0, kFrei0rFrameRateSpan, s.value, 3, " fps"};
        case Frei0rRole::ScreenPitch:
            return {kFrei0rPitchSpan, kFrei0rMinPitch, kFrei0rMinPitch, kFrei0rMinPitch + kFrei0rPitchSpan, s.value, 1, " px"};
        case Frei0rRole::BlackGeneration: return {100, 0, 0, 100, s.value, 1, " %"};
        case Frei0rRole::StartFrame:
            return {2 * kFrei0rStartFrameSpan, -kFrei0rStartFrameSpan, -kFrei0rStartFrameSpan, kFrei0rStartFrameSpan,
                    s.value, 0, ""};
        case Frei0rRole::PointX: case Frei0rRole::PointY: return {100, 0, -100, 200, s.value, 1, " %"};
        default: break;
    }
    const ParamInfo& info = *p.info;
    if (info.kind == ParamKind::Angle) return {kDegreesPerTurn, 0, -kDegreesPerTurn, kDegreesPerTurn, s.value, 1, " °"};
    if (info.kind == ParamKind::Slider || info.kind == ParamKind::FloatSlider) {
        const Ranges r = RangesOf(info);
        s.factor = r.sliderMax - r.sliderMin;
        s.offset = r.sliderMin;
        s.min = r.validMin;
        s.max = r.validMax;
        s.decimals = info.kind == ParamKind::Slider ? 0 : info.def.u.fs_d.precision;
        if (info.Percent()) s.unit = " %";
    }
    return s;
}

std::string FromFrei0r(const Frei0rParam& p, double x, ParamValue& value) {
    if (std::isnan(x)) return Refused(p, x);
    const ParamInfo& info = *p.info;
    std::string message;
    switch (p.role) {
        case Frei0rRole::PointX: case Frei0rRole::PointY: {
            message = Limit(p, x, -kPointLimit, kPointLimit);
            (p.role == Frei0rRole::PointX ? value.x : value.y) = x * 100.0;
            (p.role == Frei0rRole::PointX ? value.xPercent : value.yPercent) = true;
            return message;
        }
        case Frei0rRole::Layer:
            value.layer = x >= 0.5 ? LayerChoice::Self : LayerChoice::None;
            return message;
        default: break;
    }
    switch (info.kind) {
        case ParamKind::Checkbox:
            value.integer = x >= 0.5 ? 1 : 0;
            break;
        case ParamKind::Popup: {
            const std::vector<A_long> items = Selectable(info);
            message = Limit(p, x, 0.0, 1.0);
            const double n = static_cast<double>(items.size());
            const std::size_t k = static_cast<std::size_t>(std::fmin(std::floor(x * n), n - 1));
            value.integer = items[k];
            break;
        }
        case ParamKind::Angle: {
            double degrees = x * kDegreesPerTurn;
            if (std::fabs(degrees) > kAngleLimit) {
                const double original = x;
                degrees = std::copysign(kAngleLimit, degrees);
                x = degrees / kDegreesPerTurn;
                message = Limited(p, original, x, "is more than " + HostNumber(kAngleLimit / kDegreesPerTurn) +
                                                      " turns (" + FormatNumber(kAngleLimit) + " degrees)");
            }
            value.number = degrees;
            break;
        }
        case ParamKind::Slider: case ParamKind::FloatSlider: {
            const Ranges r = RangesOf(info);
            double v = r.sliderMin + x * (r.sliderMax - r.sliderMin);
            if (!(v >= r.validMin && v <= r.validMax)) {  // infinities land here too
                v = v < r.validMin ? r.validMin : r.validMax;
                const double span = r.sliderMax - r.sliderMin;
                auto host = [&](double effect) { return span != 0 ? (effect - r.sliderMin) / span : 0.0; };
                message = Limited(p, x, host(v),
                                  "is outside " + HostNumber(host(r.validMin)) + " to " + HostNumber(host(r.validMax)) +
                                      " (the effect's " + FormatNumber(r.validMin) + " to " + FormatNumber(r.validMax) + ")");
            }
            if (info.kind == ParamKind::Slider) value.integer = static_cast<A_long>(std::lround(v));
            else value.number = v;
            break;
        }
        default: break;
    }
    return message;
}

std::string FromFrei0rColor(const Frei0rParam& p, const Frei0rColor& c, ParamValue& value) {
    if (std::isnan(c.r) || std::isnan(c.g) || std::isnan(c.b)) return Refused(p, NAN);
    std::string message;
    auto channel = [&](double v) {
        const std::string m = Limit(p, v, 0.0, 1.0);
        if (message.empty()) message = m;
        return static_cast<A_u_char>(std::lround(v * 255.0));
    };
    value.color.red = channel(c.r);
    value.color.green = channel(c.g);
    value.color.blue = channel(c.b);
    return message;
}

double ToFrei0r(const Frei0rParam& p, const ParamValue& value) {
    switch (p.role) {
        case Frei0rRole::PointX: return value.x / 100.0;  // the host never sees pixel points
        case Frei0rRole::PointY: return value.y / 100.0;
        case Frei0rRole::Layer: return value.layer == LayerChoice::Self ? 1.0 : 0.0;
        default: break;
    }
    const ParamInfo& info = *p.info;
    switch (info.kind) {
        case ParamKind::Checkbox: return value.integer ? 1.0 : 0.0;
        case ParamKind::Angle: return value.number / kDegreesPerTurn;
        case ParamKind::Popup: {
            const std::vector<A_long> items = Selectable(info);
            for (std::size_t k = 0; k < items.size(); ++k)
                if (items[k] == value.integer) return (static_cast<double>(k) + 0.5) / static_cast<double>(items.size());
            return 0.0;
        }
        case ParamKind::Slider: case ParamKind::FloatSlider: {
            const Ranges r = RangesOf(info);
            const double v = info.kind == ParamKind::Slider ? double(value.integer) : value.number;
            const double span = r.sliderMax - r.sliderMin;
            return span != 0 ? (v - r.sliderMin) / span : 0.0;
        }
        default: return 0.0;
    }
}

Frei0rColor ToFrei0rColor(const ParamValue& value) {
    return {value.color.red / 255.0, value.color.green / 255.0, value.color.blue / 255.0};
}

std::string FromFrei0rFrameRate(double x, double& fps) {
    Frei0rParam p;
    p.name = "Frame Rate";
    if (std::isnan(x)) return Refused(p, x);
    if (x < 0) return "\"Frame Rate\" " + HostNumber(x) + " is below 0; the value is left as it was.";
    double rate = x <= 1 ? x * kFrei0rFrameRateSpan : x;
    const std::string message = Limit(p, rate, 0.0, kMaxFrameRate);
    fps = rate;
    return message;
}

double ToFrei0rFrameRate(double fps) { return fps <= kFrei0rFrameRateSpan ? fps / kFrei0rFrameRateSpan : fps; }

std::string FromFrei0rStartFrame(double x, long& frame) {
    Frei0rParam p;
    p.name = "Start Frame";
    if (std::isnan(x)) return Refused(p, x);
    const double unitLimit = kFrei0rStartFrameLimit / (2 * kFrei0rStartFrameSpan);
    const std::string message = Limit(p, x, 0.5 - unitLimit, 0.5 + unitLimit);
    frame = std::lround((x - 0.5) * 2 * kFrei0rStartFrameSpan);
    return message;
}

double ToFrei0rStartFrame(long frame) { return 0.5 + static_cast<double>(frame) / (2 * kFrei0rStartFrameSpan); }

double Frei0rUnsetMark(double x) { return std::nextafter(x, x == 0.5 ? 0.0 : 0.5); }
float Frei0rUnsetMark(float x) { return std::nextafter(x, x == 0.5f ? 0.0f : 0.5f); }

std::string LimitUnitValue(const Frei0rParam& p, double x, double& unit) {
    if (std::isnan(x)) return Refused(p, x);
    const std::string message = Limit(p, x, 0.0, 1.0);
    unit = x;
    return message;
}

}  // namespace tonedot::frei0r
