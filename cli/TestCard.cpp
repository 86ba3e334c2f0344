#include "cli/TestCard.h"

#include <algorithm>
#include <cmath>

namespace tonedot::cli {
namespace {

struct Rgb {
    double r, g, b;
};

Rgb Hue(double h) {  // h in turns, full saturation and value
    h = h - std::floor(h);
    const double x = h * 6;
    const int i = static_cast<int>(x) % 6;
    const double f = x - std::floor(x);
    switch (i) {
        case 0: return {1, f, 0};
        case 1: return {1 - f, 1, 0};
        case 2: return {0, 1, f};
        case 3: return {0, 1 - f, 1};
        case 4: return {f, 0, 1};
        default: return {1, 0, 1 - f};
    }
}

Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

void Put(Picture& float32, int x, int y, Rgb c, double alpha) {
    Pixel32& p = float32.At<Pixel32>(x, y);
    p.alpha = static_cast<float>(std::clamp(alpha, 0.0, 1.0));
    p.red = static_cast<float>(std::clamp(c.r, 0.0, 1.0));
    p.green = static_cast<float>(std::clamp(c.g, 0.0, 1.0));
    p.blue = static_cast<float>(std::clamp(c.b, 0.0, 1.0));
}

double SmoothStep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

}  // namespace

Picture MakeTestCard(int width, int height, Depth depth) {
    Picture card(Depth::Float32, width, height);
    const double w = width, h = height;
    const double unit = std::min(w, h);
    struct Disc {
        double cx, cy, r;
        Rgb color;
    };
    const Disc discs[] = {
        {0.36 * w, 0.42 * h, 0.22 * unit, {0.95, 0.15, 0.25}},
        {0.55 * w, 0.36 * h, 0.20 * unit, {0.15, 0.75, 0.35}},
        {0.50 * w, 0.60 * h, 0.21 * unit, {0.20, 0.35, 0.95}},
    };
    const double rampTop = 0.88 * h;
    const double checker = std::max(4.0, unit / 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = (x + 0.5) / w, v = (y + 0.5) / h;
            Rgb c = Hue(u * 0.9);
            // White toward the top, black toward the bottom.
            if (v < 0.5) c = Mix(Rgb{1, 1, 1}, c, SmoothStep(0.0, 0.5, v));
            else c = Mix(c, Rgb{0.05, 0.05, 0.08}, SmoothStep(0.5, 1.0, v) * 0.85);
            for (const Disc& d : discs) {
                const double dist = std::hypot(x + 0.5 - d.cx, y + 0.5 - d.cy) / d.r;
                if (dist < 1) {
                    // Lit from the upper left, with a soft rim.
                    const double lx = (x + 0.5 - d.cx) / d.r + 0.35, ly = (y + 0.5 - d.cy) / d.r + 0.35;
                    const double shade = std::clamp(1.15 - 0.6 * std::hypot(lx, ly), 0.25, 1.0);
                    const Rgb lit{d.color.r * shade, d.color.g * shade, d.color.b * shade};
                    c = Mix(c, lit, 0.85 * (1 - SmoothStep(0.96, 1.0, dist)));
                }
            }
            if (y >= rampTop) {
                const double g = u;
                c = {g, g, g};
            } else if (x < 4 * checker && y < 4 * checker) {
                const bool dark = (static_cast<int>(x / checker) + static_cast<int>(y / checker)) % 2 == 1;
                c = dark ? Rgb{0.1, 0.1, 0.1} : Rgb{0.95, 0.95, 0.9};
            }
            Put(card, x, y, c, 1.0);
        }
    }
    return ConvertDepth(card, depth);
}

Picture MakeTestMask(int width, int height, Depth depth) {
    Picture mask(Depth::Float32, width, height);
    const double cx = width / 2.0, cy = height / 2.0;
    const double rx = width * 0.38, ry = height * 0.38;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double d = std::hypot((x + 0.5 - cx) / rx, (y + 0.5 - cy) / ry);
            Put(mask, x, y, Rgb{1, 1, 1}, 1 - SmoothStep(0.75, 1.1, d));
        }
    }
    return ConvertDepth(mask, depth);
}

}  // namespace tonedot::cli
