// The affine map of a canvas: (x, y) goes to (a*x + b*y + tx, c*x + d*y + ty).
#pragma once
#include <cmath>

namespace Render {

struct AffineTransform {
    double a = 1.0, b = 0.0, tx = 0.0;
    double c = 0.0, d = 1.0, ty = 0.0;

    static AffineTransform Identity() { return AffineTransform{}; }

    bool IsIdentity() const {
        return a == 1.0 && b == 0.0 && tx == 0.0 && c == 0.0 && d == 1.0 && ty == 0.0;
    }

    // this = this * Translate(x, y): model point (0, 0) now lands where (x, y) used to.
    void Translate(double x, double y) {
        tx += a * x + b * y;
        ty += c * x + d * y;
    }

    // this = this * [[k, -s], [s, k]] with k = cos(theta), s = sin(theta); positive theta
    // turns clockwise on screen (y points down).
    void Rotate(double theta) { RotateBy(std::sin(theta), std::cos(theta)); }

    // The same with s = sin(theta) and k = cos(theta) known.
    void RotateBy(double s, double k) {
        const double na = a * k + b * s;
        const double nb = b * k - a * s;
        const double nc = c * k + d * s;
        const double nd = d * k - c * s;
        a = na;
        b = nb;
        c = nc;
        d = nd;
    }

    double MapX(double x, double y) const { return a * x + b * y + tx; }
    double MapY(double x, double y) const { return c * x + d * y + ty; }
};

}  // namespace Render
