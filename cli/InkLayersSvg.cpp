#include "cli/InkLayersSvg.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sstream>

namespace tonedot::cli {
namespace {

std::string Inches(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", v);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s + "in";
}

}  // namespace

std::string DotsReachingIn(const std::string& paths, int width, int height) {
    std::string kept;
    for (std::size_t line = 0; line < paths.size();) {
        const std::size_t end = paths.find('\n', line);
        const std::size_t next = end == std::string::npos ? paths.size() : end + 1;
        const std::size_t open = paths.find("d=\"M", line), close = paths.find('Z', open);
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        if (open < next && close < next) {
            const char* p = paths.data() + open + 4;
            const char* stop = paths.data() + close;
            for (int axis = 0;; axis ^= 1) {
                while (p < stop && *p == ' ') ++p;
                double v = 0;
                const auto r = std::from_chars(p, stop, v);
                if (r.ec != std::errc()) break;
                lo[axis] = std::min(lo[axis], v);
                hi[axis] = std::max(hi[axis], v);
                p = r.ptr;
            }
        }
        if (!(hi[0] <= 0 || hi[1] <= 0 || lo[0] >= width || lo[1] >= height)) kept.append(paths, line, next - line);
        line = next;
    }
    return kept;
}

std::string LayeredSvg(const std::array<std::string, kInkCount>& layers, int width, int height, double dpi) {
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" width=\""
        << Inches(width / dpi) << "\" height=\"" << Inches(height / dpi) << "\" viewBox=\"0 0 " << width << " "
        << height << "\">\n<!-- T_Tonedot print screens: one layer per ink, printed in this order -->\n";
    for (int i = 0; i < kInkCount; ++i)
        svg << "<g id=\"ink-" << InkLetter(i) << "\" inkscape:groupmode=\"layer\" inkscape:label=\"" << InkName(i)
            << "\" style=\"mix-blend-mode:multiply\">\n"
            << layers[static_cast<std::size_t>(i)] << "</g>\n";
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace tonedot::cli
