#include "print/InkScreen.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "session/DotVectors.h"
#include "session/ParamValue.h"

namespace tonedot::print {
namespace {

void Put(ParamSettings& settings, const RegisteredParams& params, const char* name, const std::string& text) {
    const ParamInfo& info = params.Require(name);
    settings[info.index] = ParseValue(info, text);
}

std::string Hex(const PF_Pixel& c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", c.red, c.green, c.blue);
    return text;
}

// Mean of each pixel's window of `size` pixels along rows, then along columns (edges
// extended): what a dot centred there covers of its cell, roughly.
std::vector<float> BoxMean(const std::vector<float>& in, int width, int height, int size) {
    if (size <= 1) return in;
    const int before = size / 2, after = size - 1 - before;
    std::vector<float> rows(in.size()), out(in.size());
    std::vector<double> sums;
    auto pass = [&](const std::vector<float>& src, std::vector<float>& dst, int n, int lines, std::size_t step,
                    std::size_t lineStep) {
        sums.assign(static_cast<std::size_t>(n) + 1, 0.0);
        for (int l = 0; l < lines; ++l) {
            const std::size_t base = static_cast<std::size_t>(l) * lineStep;
            for (int i = 0; i < n; ++i) sums[i + 1] = sums[i] + src[base + i * step];
            for (int i = 0; i < n; ++i) {
                const int a = i - before, b = i + after;
                double s = sums[std::min(b, n - 1) + 1] - sums[std::max(a, 0)];
                if (a < 0) s += -a * static_cast<double>(src[base]);
                if (b > n - 1) s += (b - n + 1) * static_cast<double>(src[base + (n - 1) * step]);
                dst[base + i * step] = static_cast<float>(s / size);
            }
        }
    };
    pass(in, rows, width, height, 1, static_cast<std::size_t>(width));
    pass(rows, out, height, width, static_cast<std::size_t>(width), 1);
    return out;
}

// The share of the box [x0, x1) x [y0, y1) inside the union of the closed paths the
// effect hands over as vectors (a path a line, d="M x y x y ... Z"), filled as SVG fills
// them: each path's spans on kLines scanlines a pixel, merged.
double OutlineCoverage(const std::string& paths, double x0, double x1, double y0, double y1) {
    constexpr int kLines = 16;
    const int lines = static_cast<int>(std::lround((y1 - y0) * kLines));
    std::vector<std::vector<std::pair<double, double>>> spans(static_cast<std::size_t>(lines));
    std::vector<double> xy;
    std::vector<std::pair<double, int>> crossings;  // x, and +1 or -1 as the edge runs down or up
    for (std::size_t open = paths.find("d=\"M"); open != std::string::npos; open = paths.find("d=\"M", open + 1)) {
        const std::size_t close = paths.find('Z', open);
        if (close == std::string::npos) break;
        xy.clear();
        std::istringstream numbers(paths.substr(open + 4, close - open - 4));
        for (double v; numbers >> v;) xy.push_back(v);
        const std::size_t n = xy.size() / 2;
        if (n < 3) continue;
        double top = 1e300, bottom = -1e300;
        for (std::size_t k = 0; k < n; ++k) {
            top = std::min(top, xy[2 * k + 1]);
            bottom = std::max(bottom, xy[2 * k + 1]);
        }
        const int first = std::max(0, static_cast<int>(std::floor((top - y0) * kLines)));
        const int last = std::min(lines - 1, static_cast<int>(std::ceil((bottom - y0) * kLines)));
        for (int j = first; j <= last; ++j) {
            const double y = y0 + (j + 0.5) / kLines;
            crossings.clear();
            for (std::size_t k = 0; k < n; ++k) {
                const double ax = xy[2 * k], ay = xy[2 * k + 1];
                const double bx = xy[2 * ((k + 1) % n)], by = xy[2 * ((k + 1) % n) + 1];
                if ((ay <= y) != (by <= y))
                    crossings.emplace_back(ax + (y - ay) / (by - ay) * (bx - ax), by > ay ? 1 : -1);
            }
            // Inside where the path winds round the point (SVG's nonzero rule: a star drawn
            // as one crossing path is filled in its middle too).
            std::sort(crossings.begin(), crossings.end());
            int winding = 0;
            for (std::size_t c = 0; c + 1 < crossings.size(); ++c) {
                winding += crossings[c].second;
                if (winding != 0) spans[static_cast<std::size_t>(j)].emplace_back(crossings[c].first, crossings[c + 1].first);
            }
        }
    }
    double covered = 0;
    for (auto& line : spans) {
        std::sort(line.begin(), line.end());
        double reach = x0;
        for (const auto& [a, b] : line) {
            const double from = std::max(a, reach), to = std::min(b, x1);
            if (to > from) covered += to - from;
            reach = std::max(reach, std::min(b, x1));
        }
    }
    return lines > 0 && x1 > x0 ? covered / (static_cast<double>(lines) * (x1 - x0)) : 0.0;
}

// A dot's share of whole pixels jumps as it grows, at the same sizes for dots that fall
// alike on the pixels; each dot's size is moved by up to a pixel either way, by a
// hash of the pixel under its centre, so that neighbouring dots jump at different sizes
// and the tone of a few of them rises smoothly.  In units of the largest dot.
void JitterSizes(std::vector<float>& sizes, int width, int top, const InkScreen& screen) {
    const double reach = 1.0 / (screen.pitch * MaxRelativeSize(screen.shape));
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (!(sizes[i] > 0) || !(sizes[i] < 1)) continue;
        const std::size_t row = i / static_cast<std::size_t>(width) + static_cast<std::size_t>(top);
        std::uint32_t h = static_cast<std::uint32_t>(i % static_cast<std::size_t>(width)) * 0x9E3779B1u ^
                          static_cast<std::uint32_t>(row) * 0x85EBCA77u;
        h ^= h >> 15;
        h *= 0x2C1B3C6Du;
        h ^= h >> 12;
        const double u = (h & 0xFFFFFF) / static_cast<double>(0xFFFFFF) * 2 - 1;
        sizes[i] = static_cast<float>(std::clamp(sizes[i] + u * reach, 0.0, 1.0));
    }
}

}  // namespace

const std::vector<std::string>& ScreenParameterNames() {
    static const std::vector<std::string> names = {
        "Dot Shape", "Dot Color", "Dot Size", "Distance Between", "Dot Distance X", "Dot Distance Y",
        "Global Rotation", "Rotation Type", "Clear Background", "Enable Effector 1", "Effect Map 1",
        "Custom Map Layer 1", "Fit to Layer 1", "Pick Source Color 1", "Tiling 1", "Absolute 1", "ABS Size 1",
        "ABS Aspect 1", "ABS Rotation 1", "ABS Opacity 1", "Ratio Size 1", "Offset Size 1", "Color 1",
        "Shift Hue 1"};
    return names;
}

double MaxRelativeSize(int shape) {
    // Measured: the first size at which each shape's cells are covered whole at any pitch
    // from 2 pixels, with a step to spare (Circle, Square, Round Square, Cross, Star, Diamond).
    static const double kSizes[kScreenShapes] = {1.6, 1.125, 1.2, 3.2, 2.8, 2.1};
    assert(shape >= 1 && shape <= kScreenShapes);
    return kSizes[shape - 1];
}

int BandMargin(const InkScreen& screen) {
    // The farthest a dot reaches from its centre (the corners of the largest square
    // around it), with a pixel to spare for its anti-aliased edge and the map's sampling.
    const double reach = MaxRelativeSize(screen.shape) * screen.pitch / std::sqrt(2.0) + 2;
    const double cell = std::ceil(screen.pitch / 2) + 1;
    if (screen.measure != ToneMeasure::Thresholded) return static_cast<int>(std::ceil(cell + reach));
    const double window = std::lround(8 * screen.pitch) / 2 + 1;
    return static_cast<int>(std::ceil(cell + (kWholePixelPasses + 1) * reach + kWholePixelPasses * window));
}

double RelativeSizeForCoverage(const std::vector<double>& table, double maxSize, double coverage) {
    assert(table.size() == kAreaTableSteps + 1);
    if (!(coverage > table.front())) return 0.0;
    if (coverage >= table.back()) return maxSize;
    // The first entry at or above the coverage; the table does not decrease.
    const std::size_t i = static_cast<std::size_t>(std::lower_bound(table.begin(), table.end(), coverage) - table.begin());
    const double lo = table[i - 1], hi = table[i];
    const double t = hi > lo ? (coverage - lo) / (hi - lo) : 0.0;
    return (static_cast<double>(i - 1) + t) * maxSize / kAreaTableSteps;
}

ScreenRenderer::ScreenRenderer(EffectSession& session, const ParamSettings& user)
    : session_(session), user_(user), instance_(&session.NewInstance()) {}

ScreenRenderer::~ScreenRenderer() { session_.RemoveInstance(*instance_); }

void ScreenRenderer::SetUserSettings(const ParamSettings& user) {
    user_ = user;
    tables_.clear();
}

std::vector<float> ScreenRenderer::Render(const std::vector<float>& amounts, int width, int height,
                                          const InkScreen& screen, const AfterDraw& after) {
    assert(amounts.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const std::vector<float> cells = BoxMean(amounts, width, height, static_cast<int>(std::lround(screen.pitch)));
    const double largest = MaxRelativeSize(screen.shape);
    const std::vector<double>& table = AreaTable(screen);
    const bool curve = !screen.curve.IsIdentity();
    std::vector<float> plate = cells, sizes(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (curve) plate[i] = static_cast<float>(PlateTone(screen.curve, cells[i]));
        sizes[i] = static_cast<float>(RelativeSizeForCoverage(table, largest, plate[i]) / largest);
    }
    if (screen.measure != ToneMeasure::Thresholded) return Draw(sizes, width, height, screen, largest * screen.pitch, after);
    // Whole pixels beat with the dots: a dot's share of pixels at least half covered
    // depends on where it falls on them, so a tone prints differently from place to place
    // (a flat 20 % anywhere from 21 to 27 % at 85 lpi and 300 dpi, with the table alone).
    // Each dot's size is jittered (JitterSizes) so that the tone of a few dots rises
    // smoothly, and the tone printed around each pixel (over eight cells: over fewer, a dot
    // corrects itself and overshoots) is measured on the thresholded plate, and what is
    // missing or over is given back to the amounts, a few times over.
    const int window = static_cast<int>(std::lround(8 * screen.pitch));
    const std::vector<float> meant = BoxMean(plate, width, height, window);
    std::vector<float> wanted = plate;
    const float least = static_cast<float>(screen.curve.minDot), most = static_cast<float>(screen.curve.maxDot);
    std::vector<float> coverage;
    for (int pass = 0;; ++pass) {
        if (pass == 0) JitterSizes(sizes, width, pageTop_, screen);
        coverage = Draw(sizes, width, height, screen, largest * screen.pitch, pass == kWholePixelPasses ? after : nullptr);
        for (float& c : coverage) c = c >= 0.5f ? 1.0f : 0.0f;
        if (pass == kWholePixelPasses) break;
        const std::vector<float> printed = BoxMean(coverage, width, height, window);
        for (std::size_t i = 0; i < plate.size(); ++i) {
            // Solid and empty stay as they are, and dots within the press's smallest and largest.
            if (!(plate[i] > 0) || !(plate[i] < 1)) continue;
            wanted[i] = std::clamp(wanted[i] + (meant[i] - printed[i]), least, most);
            sizes[i] = static_cast<float>(RelativeSizeForCoverage(table, largest, wanted[i]) / largest);
        }
        JitterSizes(sizes, width, pageTop_, screen);
    }
    return coverage;
}

std::vector<float> ScreenRenderer::RenderUniform(double relativeSize, int width, int height,
                                                 const InkScreen& screen, const AfterDraw& after) {
    // Drawn as Render draws: the largest dot, shrunk by the map.
    const double largest = MaxRelativeSize(screen.shape);
    std::vector<float> sizes(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                             static_cast<float>(relativeSize / largest));
    if (screen.measure == ToneMeasure::Thresholded) JitterSizes(sizes, width, pageTop_, screen);
    return Draw(sizes, width, height, screen, largest * screen.pitch, after);
}

std::vector<float> ScreenRenderer::Draw(const std::vector<float>& sizes, int width, int height,
                                        const InkScreen& screen, double dotSize, const AfterDraw& after) {
    const RegisteredParams& params = session_.Params();
    ParamSettings settings = user_;
    auto registered = [&](const char* name) {
        const ParamInfo& info = params.Require(name);
        const auto it = user_.find(info.index);
        return FormatValue(info, it != user_.end() ? it->second : RegisteredValue(info));
    };
    // The dots: the ink's shape and colour at the largest size, on a grid of the pitch at
    // the angle (the picture's y axis points down, so counter-clockwise is negative), each
    // dot turned with the grid.
    Put(settings, params, "Dot Shape", std::to_string(screen.shape));
    Put(settings, params, "Dot Color", Hex(screen.colour));
    Put(settings, params, "Dot Size", FormatNumber(dotSize));
    Put(settings, params, "Distance Between", "Centers");
    Put(settings, params, "Dot Distance X", FormatNumber(screen.pitch));
    Put(settings, params, "Dot Distance Y", FormatNumber(screen.pitch));
    Put(settings, params, "Global Rotation", FormatNumber(screen.angle == 0 ? 0.0 : -screen.angle));
    Put(settings, params, "Rotation Type", "Normal");
    Put(settings, params, "Clear Background", "on");
    // Effector 1 shrinks each dot by the map under its centre: white leaves no dot, black
    // the largest; everything else about the dot stays as it was.
    Put(settings, params, "Enable Effector 1", "on");
    Put(settings, params, "Effect Map 1", "Use Custom Map");
    Put(settings, params, "Fit to Layer 1", "on");
    Put(settings, params, "Pick Source Color 1", "off");
    Put(settings, params, "Tiling 1", "Extend Edge");
    Put(settings, params, "Absolute 1", "on");
    Put(settings, params, "ABS Size 1", "0");
    Put(settings, params, "ABS Aspect 1", registered("Dot Aspect"));
    Put(settings, params, "ABS Rotation 1", registered("Dot Rotation"));
    Put(settings, params, "ABS Opacity 1", registered("Dot Opacity"));
    Put(settings, params, "Ratio Size 1", "1");
    Put(settings, params, "Offset Size 1", "0");
    Put(settings, params, "Color 1", "off");
    Put(settings, params, "Shift Hue 1", "0");
    // Points as on the page: in its pixels, moved up by the rows above the frame.
    if (pageHeight_ > 0)
        for (const ParamInfo& info : params.All()) {
            if (info.kind != ParamKind::Point) continue;
            const auto it = settings.find(info.index);
            ParamValue v = it != settings.end() ? it->second : RegisteredValue(info);
            if (v.xPercent) v.x = v.x * width / 100.0;
            if (v.yPercent) v.y = v.y * pageHeight_ / 100.0;
            v.y -= pageTop_;
            v.xPercent = v.yPercent = false;
            settings[info.index] = v;
        }
    const ParamInfo& mapLayer = params.Require("Custom Map Layer 1");
    settings[mapLayer.index] = ParseLayerValue(mapLayer, "self");

    // The map, 16-bit grey: 1 - size.
    Picture map(Depth::Bits16, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float s = sizes[static_cast<std::size_t>(y) * width + x];
            const double grey = 1.0 - std::min(1.0, std::max(0.0, static_cast<double>(s)));
            const auto v = static_cast<A_u_short>(std::lround(grey * 32768.0));
            map.At<Pixel16>(x, y) = Pixel16{32768, v, v, v};
        }

    FrameContext context;
    context.layerWidth = width;
    context.layerHeight = height;
    session_.ApplySettings(*instance_, settings, context);
    session_.UpdateParamsUI(*instance_);
    FrameLayers layers;
    layers.input = &map;
    layers.layers = layers_;
    layers.layers[mapLayer.index] = &map;
    PreparedFrame prepared = session_.Prepare(*instance_, context, layers);
    map = Picture();
    const RenderedFrame result = session_.RenderFrame(*instance_, prepared);
    const PixelView view = result.View();
    assert(view.depth == Depth::Bits16 && view.width == width && view.height == height);
    std::vector<float> coverage(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            coverage[static_cast<std::size_t>(y) * width + x] = view.At<Pixel16>(x, y).alpha / 32768.0f;
    if (after) after(*instance_, prepared);
    return coverage;
}

double MeanCoverage(const std::vector<float>& coverage) {
    double sum = 0;
    for (float c : coverage) sum += c;
    return coverage.empty() ? 0.0 : sum / static_cast<double>(coverage.size());
}

const std::vector<double>& ScreenRenderer::AreaTable(const InkScreen& screen) {
    // Beyond this pitch the pixel grid no longer counts and shapes are measured at it:
    // a circle of 3/4 the pitch, the least exact, covers 0.4 % of its cell less there than
    // at 100 pixels, and the largest frame measured stays 256 pixels wide.
    constexpr double kLargestMeasuredPitch = 32;
    const bool wholePixels = screen.measure == ToneMeasure::Thresholded;
    InkScreen flat = screen;
    flat.pitch = std::min(screen.pitch, kLargestMeasuredPitch);
    // A square of at least 4 cells and 64 pixels (128 for whole pixels, which beat with the
    // dots over longer distances).
    const int cells = std::max(4, static_cast<int>(std::ceil((wholePixels ? 128.0 : 64.0) / flat.pitch / 2.0)) * 2);
    const int square = static_cast<int>(std::lround(cells * flat.pitch / 2)) * 2;
    const auto key = std::make_tuple(flat.shape, flat.pitch, flat.angle, flat.measure);
    auto found = tables_.find(key);
    if (found != tables_.end()) return found->second;
    // Flat fields on the screen's grid centred on a frame of twice the measured square:
    // however far the dots reach, they all reach into it.  At small pitches the pixel grid
    // counts, and it meets the dots differently at every angle, so the table is measured
    // at the screen's angle.  The user's effectors 2 and 3 vary across the frame, so they
    // are off while measuring.
    const int size = 2 * square;
    const int lo = square / 2, hi = lo + square;
    const ParamSettings user = user_;
    const int top = pageTop_, pageHeight = pageHeight_;
    pageTop_ = pageHeight_ = 0;
    for (const char* name : {"Enable Effector 2", "Enable Effector 3"}) Put(user_, session_.Params(), name, "off");
    std::vector<double> table;
    try {
        for (int i = 0; i <= kAreaTableSteps; ++i) {
            const double relative = MaxRelativeSize(screen.shape) * i / kAreaTableSteps;
            std::string paths;
            AfterDraw outlines;
            if (screen.measure == ToneMeasure::Outline)
                outlines = [&](Instance& instance, PreparedFrame& frame) {
                    std::ostringstream out;
                    WriteFrameDotPaths(out, session_, instance, frame);
                    paths = out.str();
                };
            const std::vector<float> c = RenderUniform(relative, size, size, flat, outlines);
            double mean = 0;
            if (screen.measure == ToneMeasure::Outline) {
                mean = i == 0 ? 0.0 : OutlineCoverage(paths, lo, hi, lo, hi);
            } else {
                double sum = 0;
                for (int y = lo; y < hi; ++y)
                    for (int x = lo; x < hi; ++x) {
                        const float v = c[static_cast<std::size_t>(y) * size + x];
                        sum += wholePixels ? (v >= 0.5f ? 1.0 : 0.0) : v;
                    }
                mean = sum / (static_cast<double>(hi - lo) * (hi - lo));
            }
            table.push_back(table.empty() ? mean : std::max(table.back(), mean));
        }
    } catch (...) {
        user_ = user;
        SetPageRows(top, pageHeight);
        throw;
    }
    user_ = user;
    SetPageRows(top, pageHeight);
    return tables_.emplace(key, std::move(table)).first->second;
}

}  // namespace tonedot::print
