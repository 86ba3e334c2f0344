#include "print/PrintCurve.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace tonedot::print {

std::vector<std::pair<double, double>> ParabolicDotGain(double percent) {
    const double g = percent / 100.0;
    std::vector<std::pair<double, double>> curve;
    constexpr int kPoints = 256;
    for (int i = 0; i <= kPoints; ++i) {
        const double p = static_cast<double>(i) / kPoints;
        curve.emplace_back(p, p + 4 * g * p * (1 - p));
    }
    return curve;
}

std::vector<std::pair<double, double>> ParseDotGainCurve(const std::string& text) {
    std::vector<std::pair<double, double>> curve;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        line = line.substr(0, line.find('#'));
        double v[2] = {0, 0};
        const char* p = line.data();
        const char* stop = line.data() + line.size();
        int n = 0;
        for (; n < 3; ++n) {
            while (p < stop && (*p == ' ' || *p == '\t' || *p == '\r' || *p == ',')) ++p;
            if (p == stop) break;
            if (n == 2) { n = 3; break; }
            const auto r = std::from_chars(p, stop, v[n]);
            if (r.ec != std::errc()) { n = 3; break; }
            p = r.ptr;
        }
        if (n == 0) continue;
        const bool ok = n == 2 && v[0] >= 0 && v[0] <= 100 && v[1] >= 0 && v[1] <= 100 &&
                        (curve.empty() || (v[0] > curve.back().first && v[1] >= curve.back().second));
        if (!ok)
            throw std::invalid_argument("line " + std::to_string(lineNumber) +
                                        ": expected PLATE PRINTED in percent from 0 to 100, both rising");
        curve.emplace_back(v[0] / 100, v[1] / 100);
    }
    if (curve.empty()) throw std::invalid_argument("no points");
    if (curve.front().first > 0) curve.insert(curve.begin(), {0.0, 0.0});
    if (curve.back().first < 1) curve.emplace_back(1.0, 1.0);
    return curve;
}

double PlateTone(const PrintCurve& curve, double tone) {
    double p = std::clamp(tone, 0.0, 1.0);
    if (curve.gain.size() >= 2 && p > 0 && p < 1) {
        // The plate tone printing `tone`: the curve inverted, linear between its points.
        const auto& g = curve.gain;
        const auto it = std::lower_bound(g.begin(), g.end(), p,
                                         [](const std::pair<double, double>& a, double t) { return a.second < t; });
        if (it == g.begin()) p = g.front().first;
        else if (it == g.end()) p = g.back().first;
        else {
            const auto& lo = *(it - 1);
            const auto& hi = *it;
            const double t = hi.second > lo.second ? (p - lo.second) / (hi.second - lo.second) : 0.0;
            p = lo.first + t * (hi.first - lo.first);
        }
    }
    if (p > 0 && p < curve.minDot) p = p >= curve.minDot / 2 ? curve.minDot : 0.0;
    if (p < 1 && p > curve.maxDot) p = p < (1 + curve.maxDot) / 2 ? curve.maxDot : 1.0;
    return p;
}

}  // namespace tonedot::print
