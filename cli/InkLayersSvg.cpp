#include "cli/InkLayersSvg.h"

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
