// What a press does to a plate's tone, and what the plate is given so that the print comes
// out as meant: dot gain compensated, and no dot smaller or larger than the press holds.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace tonedot::print {

struct PrintCurve {
    // The smallest and largest dot the press prints (0 to 1).  A cell meant to have less
    // than the smallest dot gets the smallest where it is meant at least half of it, else
    // none; a cell beyond the largest dot gets the largest where it is nearer to it than to
    // solid, else solid.
    double minDot = 0, maxDot = 1;
    // The press's dot gain: the tone printed for each plate tone, as points (plate,
    // printed) from 0 to 1 rising; empty: none.  The plate is given the tone that prints
    // as meant.
    std::vector<std::pair<double, double>> gain;

    bool IsIdentity() const { return minDot <= 0 && maxDot >= 1 && gain.empty(); }
};

// The gain of a press that prints `percent` points more at a 50 % plate, as the usual
// parabola: printed = p + 4 g p (1 - p).
std::vector<std::pair<double, double>> ParabolicDotGain(double percent);

// A gain curve read from text: one point a line, "PLATE PRINTED" in percent (0 to 100),
// rising; 0 0 and 100 100 are added when missing; blank lines and lines from # are
// skipped.  Throws std::invalid_argument with the line at fault.
std::vector<std::pair<double, double>> ParseDotGainCurve(const std::string& text);

// The plate's tone (0 to 1) for the tone meant in print.
double PlateTone(const PrintCurve& curve, double tone);

}  // namespace tonedot::print
