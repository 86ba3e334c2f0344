#include "session/ParamValue.h"

#include <cctype>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "session/ClosestNames.h"
#include "session/Errors.h"

namespace tonedot::session {
namespace {

// The largest magnitude of a point coordinate in pixels.
constexpr double kFixedLimit = 32767.0;
// The range of an angle in degrees: what a 16.16 fixed-point value holds (-0x80000000 /
// 65536 = -32768 to 0x7FFFFFFF / 65536 = 32767.9999847) at the six decimals the settings
// files hold.
constexpr double kAngleMin = -32768.0, kAngleMax = 32767.999985;
constexpr const char* kAngleRangeText = "-32768 to 32767.999985";

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A finite decimal number filling the whole text.
bool ParseReal(const std::string& text, double& out) {
    const std::string t = Trim(text);
    if (t.empty()) return false;
    // from_chars reads the same text whatever locale the effect library set.
    const char* first = t.c_str();
    const char* last = first + t.size();
    if (*first == '+') ++first;
    double v = 0;
    const auto result = std::from_chars(first, last, v, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool ParseInteger(const std::string& text, long long& out) {
    const std::string t = Trim(text);
    if (t.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (end != t.c_str() + t.size() || errno == ERANGE) return false;
    out = v;
    return true;
}

// Removes a suffix (compared without case) and tells whether it was there.
bool StripSuffix(std::string& t, const char* suffix) {
    const std::string s = suffix;
    if (t.size() >= s.size() && strcasecmp(t.c_str() + t.size() - s.size(), s.c_str()) == 0) {
        t.resize(t.size() - s.size());
        t = Trim(t);
        return true;
    }
    return false;
}

[[noreturn]] void Bad(const ParamInfo& info, const std::string& text, const std::string& why) {
    throw UsageError("bad value \"" + text + "\" for \"" + info.name + "\": " + why);
}

std::vector<std::string> SelectableChoices(const ParamInfo& info) {
    std::vector<std::string> items;
    for (const std::string& c : info.choices)
        if (c != "(-") items.push_back(c);
    return items;
}

std::string ChoiceList(const ParamInfo& info) {
    std::string text;
    for (std::size_t i = 0; i < info.choices.size(); ++i) {
        if (info.choices[i] == "(-") continue;
        if (!text.empty()) text += ", ";
        text += std::to_string(i + 1) + " \"" + info.choices[i] + "\"";
    }
    return text;
}

void ParseColorInto(const ParamInfo& info, const std::string& text, PF_Pixel& out) {
    const std::string t = Trim(text);
    out.alpha = 255;
    if (!t.empty() && t[0] == '#') {
        const std::string hex = t.substr(1);
        bool ok = hex.size() == 6;
        for (char c : hex) ok = ok && std::isxdigit(static_cast<unsigned char>(c));
        if (!ok) Bad(info, text, "expected a colour as #RRGGBB (six hexadecimal digits) or r,g,b (0 to 255 each).");
        const unsigned long v = std::strtoul(hex.c_str(), nullptr, 16);
        out.red = static_cast<A_u_char>((v >> 16) & 0xFF);
        out.green = static_cast<A_u_char>((v >> 8) & 0xFF);
        out.blue = static_cast<A_u_char>(v & 0xFF);
        return;
    }
    long long c[3];
    std::size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t comma = t.find(',', start);
        if ((k < 2) != (comma != std::string::npos) || !ParseInteger(t.substr(start, comma - start), c[k]))
            Bad(info, text, "expected a colour as #RRGGBB or r,g,b (three whole numbers from 0 to 255).");
        if (c[k] < 0 || c[k] > 255)
            Bad(info, text, "each of r,g,b must be from 0 to 255.");
        start = comma + 1;
    }
    out.red = static_cast<A_u_char>(c[0]);
    out.green = static_cast<A_u_char>(c[1]);
    out.blue = static_cast<A_u_char>(c[2]);
}

void ParseCoordinate(const ParamInfo& info, const std::string& text, const std::string& part,
                     double& v, bool& percent) {
    std::string t = Trim(part);
    percent = StripSuffix(t, "%");
    if (!percent) StripSuffix(t, "px");
    if (!ParseReal(t, v))
        Bad(info, text, "expected a point as x,y in layer pixels, or x%,y% in percent of the layer (for example 320,240 or 50%,50%).");
    if (!percent && std::fabs(v) > kFixedLimit)
        Bad(info, text, "a coordinate must be from -32767 to 32767 pixels.");
    if (percent && std::fabs(v) > 10000)
        Bad(info, text, "a percentage must be from -10000% to 10000%.");
}

// 16.16 fixed point, rounded and held to its range.
A_long FixedFromDouble(double v) {
    const double scaled = std::round(v * 65536.0);
    const double high = 2147483647.0, low = -2147483648.0;
    return static_cast<A_long>(scaled > high ? high : (scaled < low ? low : scaled));
}

}  // namespace

std::string StoredNumberText(double v) {
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 6);
    std::string s(buffer, result.ptr);
    if (s.find_first_not_of("-0.") == std::string::npos) s = "0.000000";
    return s;
}

bool NumberInRange(const ParamInfo& info, double v) {
    double lo = kAngleMin, hi = kAngleMax;
    if (info.kind == ParamKind::FloatSlider) {
        lo = info.def.u.fs_d.valid_min;
        hi = info.def.u.fs_d.valid_max;
    }
    return std::isfinite(v) && v >= lo && v <= hi;
}

double StoredNumber(double v) {
    double stored = 0;
    const std::string text = StoredNumberText(v);
    std::from_chars(text.data(), text.data() + text.size(), stored);
    return stored;
}

std::string FormatNumber(double v) {
    std::string s = StoredNumberText(v);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

ParamValue RegisteredValue(const ParamInfo& info) {
    ParamValue v;
    const PF_ParamDefUnion& u = info.def.u;
    switch (info.kind) {
        case ParamKind::FloatSlider: v.number = u.fs_d.value; break;
        case ParamKind::Slider: v.integer = u.sd.value; break;
        case ParamKind::Angle: v.number = u.ad.value / 65536.0; break;
        case ParamKind::Checkbox: v.integer = u.bd.value ? 1 : 0; break;
        case ParamKind::Popup: v.integer = u.pd.value; break;
        case ParamKind::Color: v.color = u.cd.value; break;
        case ParamKind::Point:
            // Registered point values are percent of the layer.
            v.x = u.td.x_value / 65536.0;
            v.y = u.td.y_value / 65536.0;
            v.xPercent = v.yPercent = true;
            break;
        case ParamKind::Layer:
            v.layer = u.ld.dephault == PF_LayerDefault_MYSELF ? LayerChoice::Self : LayerChoice::None;
            break;
        default: break;
    }
    return v;
}

ParamValue ParseValue(const ParamInfo& info, const std::string& text) {
    ParamValue v = RegisteredValue(info);
    const std::string t = Trim(text);
    switch (info.kind) {
        case ParamKind::FloatSlider: {
            std::string n = t;
            if (info.Percent()) StripSuffix(n, "%");
            const double lo = info.def.u.fs_d.valid_min, hi = info.def.u.fs_d.valid_max;
            if (!ParseReal(n, v.number)) Bad(info, text, "expected " + AcceptedText(info) + ".");
            v.number = StoredNumber(v.number);
            if (!NumberInRange(info, v.number))
                Bad(info, text, "out of range; the valid range is " + FormatNumber(lo) + " to " +
                                    FormatNumber(hi) + (info.Percent() ? " (percent)." : "."));
            break;
        }
        case ParamKind::Slider: {
            long long n = 0;
            const A_long lo = info.def.u.sd.valid_min, hi = info.def.u.sd.valid_max;
            if (!ParseInteger(t, n)) Bad(info, text, "expected " + AcceptedText(info) + ".");
            if (n < lo || n > hi)
                Bad(info, text, "out of range; the valid range is " + std::to_string(lo) + " to " +
                                    std::to_string(hi) + ".");
            v.integer = static_cast<A_long>(n);
            break;
        }
        case ParamKind::Angle: {
            std::string n = t;
            if (!StripSuffix(n, "deg")) StripSuffix(n, "\xC2\xB0");  // "°"
            if (!ParseReal(n, v.number)) Bad(info, text, "expected " + AcceptedText(info) + ".");
            v.number = StoredNumber(v.number);
            if (!NumberInRange(info, v.number))
                Bad(info, text, std::string("out of range; an angle must be from ") + kAngleRangeText +
                                    " degrees.");
            break;
        }
        case ParamKind::Checkbox: {
            const std::string l = Lower(t);
            if (l == "on" || l == "true" || l == "yes" || l == "1") v.integer = 1;
            else if (l == "off" || l == "false" || l == "no" || l == "0") v.integer = 0;
            else Bad(info, text, "expected " + AcceptedText(info) + ".");
            break;
        }
        case ParamKind::Popup: {
            long long n = 0;
            const long long count = static_cast<long long>(info.choices.size());
            if (ParseInteger(t, n)) {
                if (n < 1 || n > count || info.choices[static_cast<std::size_t>(n - 1)] == "(-")
                    Bad(info, text, "no such choice; the choices are " + ChoiceList(info) + ".");
                v.integer = static_cast<A_long>(n);
                break;
            }
            for (std::size_t i = 0; i < info.choices.size(); ++i) {
                if (info.choices[i] != "(-" && strcasecmp(info.choices[i].c_str(), t.c_str()) == 0) {
                    v.integer = static_cast<A_long>(i + 1);
                    return v;
                }
            }
            Bad(info, text, "no such choice." + DidYouMean(t, SelectableChoices(info)) +
                                " The choices are " + ChoiceList(info) + ".");
        }
        case ParamKind::Color:
            ParseColorInto(info, text, v.color);
            break;
        case ParamKind::Point: {
            const std::size_t comma = t.find(',');
            if (comma == std::string::npos || t.find(',', comma + 1) != std::string::npos)
                Bad(info, text, "expected " + AcceptedText(info) + ".");
            ParseCoordinate(info, text, t.substr(0, comma), v.x, v.xPercent);
            ParseCoordinate(info, text, t.substr(comma + 1), v.y, v.yPercent);
            break;
        }
        case ParamKind::Layer:
            throw UsageError("\"" + info.name + "\" is a layer; give it with --layer \"" + info.name +
                             "=FILE\" (or self, or none).");
        default:
            throw UsageError("\"" + info.name + "\" is a " + KindName(info.kind) +
                             " and takes no value.");
    }
    return v;
}

ParamValue ParseLayerValue(const ParamInfo& info, const std::string& text) {
    if (info.kind != ParamKind::Layer)
        throw UsageError("\"" + info.name + "\" is not a layer (it is a " + KindName(info.kind) +
                         "); give it with --set \"" + info.name + "=VALUE\".");
    ParamValue v;
    const std::string t = Trim(text);
    const std::string l = Lower(t);
    if (l == "self") v.layer = LayerChoice::Self;
    else if (l == "none") v.layer = LayerChoice::None;
    else if (t.empty())
        throw UsageError("bad value for layer \"" + info.name + "\": expected an image file, self or none.");
    else {
        v.layer = LayerChoice::File;
        v.layerFile = text;
        // "FILE:luma": the image's luminance becomes its alpha.
        if (l.size() > 5 && l.compare(l.size() - 5, 5, ":luma") == 0) {
            v.layerFile = t.substr(0, t.size() - 5);
            v.layerLuma = true;
        }
    }
    return v;
}

std::string FormatValue(const ParamInfo& info, const ParamValue& v) {
    char buffer[64];
    switch (info.kind) {
        case ParamKind::FloatSlider: return FormatNumber(v.number);
        case ParamKind::Slider: return std::to_string(v.integer);
        case ParamKind::Angle: return FormatNumber(v.number);
        case ParamKind::Checkbox: return v.integer ? "on" : "off";
        case ParamKind::Popup:
            if (v.integer >= 1 && static_cast<std::size_t>(v.integer) <= info.choices.size())
                return info.choices[static_cast<std::size_t>(v.integer - 1)];
            return std::to_string(v.integer);
        case ParamKind::Color:
            std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", v.color.red, v.color.green, v.color.blue);
            return buffer;
        case ParamKind::Point:
            return FormatNumber(v.x) + (v.xPercent ? "%" : "") + "," + FormatNumber(v.y) +
                   (v.yPercent ? "%" : "");
        case ParamKind::Layer:
            switch (v.layer) {
                case LayerChoice::None: return "none";
                case LayerChoice::Self: return "self";
                case LayerChoice::File: return v.layerFile + (v.layerLuma ? ":luma" : "");
            }
            return "none";
        default: return "";
    }
}

std::string AcceptedText(const ParamInfo& info) {
    switch (info.kind) {
        case ParamKind::FloatSlider:
            return "a number from " + FormatNumber(info.def.u.fs_d.valid_min) + " to " +
                   FormatNumber(info.def.u.fs_d.valid_max) + (info.Percent() ? " (percent)" : "");
        case ParamKind::Slider:
            return "a whole number from " + std::to_string(info.def.u.sd.valid_min) + " to " +
                   std::to_string(info.def.u.sd.valid_max);
        case ParamKind::Angle:
            return std::string("an angle in degrees (a number from ") + kAngleRangeText + ")";
        case ParamKind::Checkbox: return "on or off";
        case ParamKind::Popup: return "one of the choices " + ChoiceList(info) + " (name or number)";
        case ParamKind::Color: return "a colour as #RRGGBB or r,g,b (0 to 255 each)";
        case ParamKind::Point: return "a point as x,y in layer pixels or x%,y% of the layer";
        case ParamKind::Layer: return "an image file, self or none";
        default: return "no value";
    }
}

PF_ParamDef ToHostDef(const ParamInfo& info, const ParamValue& v, A_long layerWidth,
                      A_long layerHeight) {
    PF_ParamDef def = info.def;
    PF_ParamDefUnion& u = def.u;
    switch (info.kind) {
        case ParamKind::FloatSlider: u.fs_d.value = v.number; break;
        case ParamKind::Slider: u.sd.value = v.integer; break;
        case ParamKind::Angle: u.ad.value = FixedFromDouble(v.number); break;
        case ParamKind::Checkbox: u.bd.value = v.integer; break;
        case ParamKind::Popup: u.pd.value = v.integer; break;
        case ParamKind::Color: u.cd.value = v.color; break;
        case ParamKind::Point:
            u.td.x_value = FixedFromDouble(v.xPercent ? v.x / 100.0 * layerWidth : v.x);
            u.td.y_value = FixedFromDouble(v.yPercent ? v.y / 100.0 * layerHeight : v.y);
            break;
        default: break;
    }
    return def;
}

}  // namespace tonedot::session
