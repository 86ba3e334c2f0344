#include "session/DotVectors.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "host/OutlineRequests.h"
#include "session/Errors.h"

namespace tonedot::session {
namespace {

std::string Num(double v) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::round(v * 1000.0) / 1000.0,
                                 std::chars_format::fixed, 3);
    std::string s(buffer, r.ptr);
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

int Byte(double unit) {
    const double clamped = unit < 0 ? 0 : (unit > 1 ? 1 : unit);
    return static_cast<int>(clamped * 255.0 + 0.5);
}

// One dot as a closed path in its colour and opacity; fully transparent dots and empty
// outlines are left out.
void WritePath(std::ostream& out, const double* points, A_long count, const double* rgba) {
    if (count <= 0) return;
    const double alpha = rgba[3];
    if (!(alpha > 0)) return;
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02X%02X%02X", Byte(rgba[0]), Byte(rgba[1]), Byte(rgba[2]));
    out << "<path d=\"M";
    for (A_long k = 0; k < count; ++k) out << (k ? " " : "") << Num(points[2 * k]) << " " << Num(points[2 * k + 1]);
    out << "Z\" fill=\"" << colour << "\"";
    if (alpha < 1) out << " fill-opacity=\"" << Num(alpha < 0.001 ? 0.001 : alpha) << "\"";
    out << "/>\n";
}

struct SvgSize {
    int width;
    int height;
};

// The dot layer's size: the layer at the current downsampling.
SvgSize FrameDotsSvgSize(const Instance& instance, const PreparedFrame& frame) {
    const InstanceContext& c = instance.context;
    const double dsx = 1.0 / frame.context.downsampleX, dsy = 1.0 / frame.context.downsampleY;
    return {static_cast<int>(c.width * dsx + 0.5), static_cast<int>(c.height * dsy + 0.5)};
}

}  // namespace

void WriteFrameDotPaths(std::ostream& out, EffectSession& session, Instance& instance, PreparedFrame& frame) {
    OutlineRequest request(instance, [&out](const double* points, A_long count, const double* rgba) {
        WritePath(out, points, count, rgba);
    });
    session.RenderImage(instance, frame);
    if (!request.Asked())
        throw RenderError("the effect does not hand over its dots as outlines, so they cannot be written as vectors.");
}

std::string FrameDotsSvg(EffectSession& session, Instance& instance, PreparedFrame& frame) {
    const SvgSize size = FrameDotsSvgSize(instance, frame);
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << size.width << "\" height=\"" << size.height
        << "\" viewBox=\"0 0 " << size.width << " " << size.height << "\">\n"
        << "<!-- T_Tonedot dots of frame " << frame.context.frame << ", drawing order -->\n";
    WriteFrameDotPaths(svg, session, instance, frame);
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace tonedot::session
