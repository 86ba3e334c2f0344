// One ink of a print screen drawn by the effect: a grid of dots at the ink's angle and
// pitch whose size follows the ink's amount, so that the share of each cell the ink covers
// is the amount (the area table below), rendered through the effect exactly as `render`
// renders.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "print/PrintCurve.h"
#include "session/EffectSession.h"
#include "session/Presets.h"

namespace tonedot::print {

// The print screens are drawn through a session and use its names as their own.
using namespace tonedot::session;

// The effect's dot shapes, as its "Dot Shape" choices number them (1 Circle ... 6 Diamond).
constexpr int kScreenShapes = 6;

// What the ink's tone is true on: the share of each pixel covered (8-bit plates, the
// preview), whole pixels where at least half is covered (1-bit plates, as a device gets
// them), or the dots' outlines (vectors, true at any resolution).
enum class ToneMeasure { Coverage, Thresholded, Outline };

// How one ink is screened.
struct InkScreen {
    int shape = 1;       // "Dot Shape" choice, 1 to kScreenShapes
    double angle = 0;    // degrees, counter-clockwise from the horizontal as the picture is seen
    double pitch = 8;    // pixels from one dot centre to the next
    PF_Pixel colour{255, 0, 0, 0};  // the colour the dots are drawn in (alpha, red, green, blue)
    ToneMeasure measure = ToneMeasure::Coverage;
    PrintCurve curve;    // the press's smallest and largest dot and dot gain
};

// Area tables.  The share of its cell a dot covers is measured through the effect for each
// shape and pitch, at dot sizes (size over pitch) from 0 to MaxRelativeSize(shape) in
// kAreaTableSteps equal steps, and kept non-decreasing; on what the screen's ToneMeasure
// says (the anti-aliased coverage, the thresholded pixels, or the area inside the outlines).  A formula cannot give it: dots of
// neighbouring cells merge at high coverage, and at small pitches a circle is a polygon of
// few points and the pixel grid counts, so a table measured at one pitch is off by up to
// 6 % of full scale at another.
constexpr int kAreaTableSteps = 64;
// The size from which every shape's dots cover their cells whole.
double MaxRelativeSize(int shape);

// The relative dot size whose dots cover `coverage` (0 to 1) of their cells: the table
// inverted, linear between its entries.
double RelativeSizeForCoverage(const std::vector<double>& table, double maxSize, double coverage);

// Whole pixels (ToneMeasure::Thresholded) are drawn, measured and drawn again this many
// more times, each time closer to the tone (ScreenRenderer::Render).
constexpr int kWholePixelPasses = 3;

// The parameters a screen sets for every ink; --set may not name them.
const std::vector<std::string>& ScreenParameterNames();

// The effect's instance that draws the screens.  `user` holds values given with --set and
// --preset; the screen's own parameters are set over them for every ink.
class ScreenRenderer {
public:
    ScreenRenderer(EffectSession& session, const ParamSettings& user);
    ~ScreenRenderer();
    ScreenRenderer(const ScreenRenderer&) = delete;
    ScreenRenderer& operator=(const ScreenRenderer&) = delete;

    // New values of the user's (the measured tables go with the old ones).
    void SetUserSettings(const ParamSettings& user);

    // The pictures of the user's layer parameters (a custom map or mask for effectors 2
    // and 3), by host index, 16-bit; parameters without one have none.  They must live
    // while the renderer draws.
    void SetLayers(const std::map<int, const Picture*>& layers) { layers_ = layers; }

    // The frames drawn from now on are rows [top, top + height) of a page `pageHeight`
    // rows high and as wide as the frame: the grid, the points of the parameters (given
    // in pixels or percent of the page) and the dots' jitter are placed as on the page, so
    // that a band of the page drawn with BandMargin rows above and below it has the
    // page's dots.  Until called, every frame is a page of its own.
    void SetPageRows(int top, int pageHeight) {
        pageTop_ = top;
        pageHeight_ = pageHeight;
    }

    // Called after an ink is drawn, with the instance and the frame it drew (for the dots
    // as vectors).
    using AfterDraw = std::function<void(Instance&, PreparedFrame&)>;

    // The share of each pixel the ink covers (row by row, 0 to 1) for ink amounts of the
    // same size (0 to 1), each dot sized from the mean amount of its cell through the
    // screen's print curve and area table.
    std::vector<float> Render(const std::vector<float>& amounts, int width, int height, const InkScreen& screen,
                              const AfterDraw& after = nullptr);

    // The same for dots of one relative size everywhere, unequalised: what the area table
    // is measured from.
    std::vector<float> RenderUniform(double relativeSize, int width, int height, const InkScreen& screen,
                                     const AfterDraw& after = nullptr);

    // The area table of the screen's shape at its pitch and angle, on its tone measure,
    // measured once per run.
    const std::vector<double>& AreaTable(const InkScreen& screen);

private:
    // Each pixel's size as a fraction of the screen's largest dot (0 to 1).
    std::vector<float> Draw(const std::vector<float>& sizes, int width, int height, const InkScreen& screen,
                            double dotSize, const AfterDraw& after);

    EffectSession& session_;
    ParamSettings user_;
    int pageTop_ = 0, pageHeight_ = 0;  // 0: the frame is the page
    Instance* instance_ = nullptr;
    std::map<std::tuple<int, double, double, ToneMeasure>, std::vector<double>> tables_;
    std::map<int, const Picture*> layers_;
};

// The rows beyond a band of the page that what Render draws in the band depends on, with
// the user's settings adding no reach of their own (no effector 2 or 3, no random sizes
// or positions): each dot's mean amount over its cell, the largest dot's reach and, for
// whole pixels, each pass's measure of the printed tone over eight cells.
int BandMargin(const InkScreen& screen);

// The mean of `coverage` over the whole picture.
double MeanCoverage(const std::vector<float>& coverage);

}  // namespace tonedot::print
