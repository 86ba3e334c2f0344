// The frame's dots as vector shapes (SVG): the loaded effect renders the frame once more
// with the host asking for outlines (host/OutlineRequests.h), and hands over each dot as
// it would draw it, so the drawing matches the raster dot for dot (the mask aside) and
// comes from the very effect that drew the raster.
#pragma once
#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "session/EffectSession.h"

namespace tonedot::session {

// One dot as the effect draws it: a closed outline in the dot layer's pixels (x right,
// y down), its colour (0 to 1) and opacity (above 0, at most 1).
struct DotOutline {
    std::vector<double> points;  // x0 y0 x1 y1 ...: at least one point
    std::array<double, 3> colour;
    double opacity;
};

// The prepared frame's dots in drawing order; fully transparent dots and empty outlines
// are left out.  Throws an Effect error when the effect fails or hands over no outlines at
// all (an effect that does not know the outline suite).
std::vector<DotOutline> FrameDots(EffectSession& session, Instance& instance, PreparedFrame& frame);

// The dots that reach into a width x height page: the grid runs on past its edges, and a
// plotter or a print shop would get the dots wholly outside too.
std::vector<DotOutline> DotsReachingIn(std::vector<DotOutline> dots, int width, int height);

// The dots as SVG paths, one a line, each in its colour and opacity.
void WriteDotPaths(std::ostream& out, const std::vector<DotOutline>& dots);

// The SVG document of the prepared frame's dots (FrameDots), at the dot layer's size (the
// layer at the current downsampling).
std::string FrameDotsSvg(EffectSession& session, Instance& instance, PreparedFrame& frame);

// The paths FrameDotsSvg writes, alone, onto `out`: the body of one layer of a document
// of several (one per ink).
void WriteFrameDotPaths(std::ostream& out, EffectSession& session, Instance& instance, PreparedFrame& frame);

}  // namespace tonedot::session
