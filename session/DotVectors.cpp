#include "session/DotVectors.h"

#include <algorithm>
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

// One dot as a closed path in its colour and opacity.
void WritePath(std::ostream& out, const DotOutline& dot) {
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02X%02X%02X", Byte(dot.colour[0]), Byte(dot.colour[1]), Byte(dot.colour[2]));
    out << "<path d=\"M";
    for (std::size_t k = 0; k + 1 < dot.points.size(); k += 2)
        out << (k ? " " : "") << Num(dot.points[k]) << " " << Num(dot.points[k + 1]);
    out << "Z\" fill=\"" << colour << "\"";
    if (dot.opacity < 1) out << " fill-opacity=\"" << Num(dot.opacity < 0.001 ? 0.001 : dot.opacity) << "\"";
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

std::vector<DotOutline> FrameDots(EffectSession& session, Instance& instance, PreparedFrame& frame) {
    std::vector<DotOutline> dots;
    OutlineRequest request(instance, [&dots](const double* points, A_long count, const double* rgba) {
        if (count <= 0 || !(rgba[3] > 0)) return;
        dots.push_back({std::vector<double>(points, points + 2 * static_cast<std::size_t>(count)),
                        {rgba[0], rgba[1], rgba[2]}, std::min(rgba[3], 1.0)});
    });
    session.RenderImage(instance, frame);
    if (!request.Asked())
        throw RenderError("the effect does not hand over its dots as outlines, so they cannot be written as vectors.");
    return dots;
}

std::vector<DotOutline> DotsReachingIn(std::vector<DotOutline> dots, int width, int height) {
    const auto outside = [width, height](const DotOutline& dot) {
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        for (std::size_t k = 0; k < dot.points.size(); ++k) {
            lo[k % 2] = std::min(lo[k % 2], dot.points[k]);
            hi[k % 2] = std::max(hi[k % 2], dot.points[k]);
        }
        return hi[0] <= 0 || hi[1] <= 0 || lo[0] >= width || lo[1] >= height;
    };
    dots.erase(std::remove_if(dots.begin(), dots.end(), outside), dots.end());
    return dots;
}

void WriteDotPaths(std::ostream& out, const std::vector<DotOutline>& dots) {
    for (const DotOutline& dot : dots) WritePath(out, dot);
}

void WriteFrameDotPaths(std::ostream& out, EffectSession& session, Instance& instance, PreparedFrame& frame) {
    WriteDotPaths(out, FrameDots(session, instance, frame));
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
