// The outlines of the six dot shapes.
#pragma once
#include <cmath>
#include <cstdint>
#include "look/Choices.h"
#include "render/raster/AffineTransform.h"
#include "render/raster/VertexList.h"

namespace Render {

// Number of outline points of a circle whose width-height diagonal, mapped by the canvas
// transform, is (ex, ey): trunc(L * 2pi / 8) with L = sqrt(ex^2 + ey^2), at least 8.  Very
// large diagonals give a large count without overflow.
int64_t CircleSegmentCount(double ex, double ey);

// Shape builders: each clears `vertices` and appends the outline of a w x h shape centred
// on (cx, cy) in model coordinates.  The circle needs the transform for its point count.
void AddCircle(VertexList& vertices, const AffineTransform& transform, double cx, double cy, double w, double h);
void AddSquare(VertexList& vertices, double cx, double cy, double w, double h);
void AddRoundSquare(VertexList& vertices, double cx, double cy, double w, double h);
void AddCross(VertexList& vertices, double cx, double cy, double w, double h);
void AddStar(VertexList& vertices, double cx, double cy, double w, double h);
void AddDiamond(VertexList& vertices, double cx, double cy, double w, double h);

// Builds the outline of `shape` around the model origin; false (and an empty list) for a
// value outside 1..6.
bool BuildDotOutline(VertexList& vertices, const AffineTransform& transform, int32_t shape, double w, double h);

}  // namespace Render
