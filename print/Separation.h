// Colour to ink: the amounts of cyan, magenta, yellow and black (0 to 1) that print a
// colour by grey-component replacement (IccSeparation.h: through ICC profiles), and the
// preview of inks laid over paper.
#pragma once
#include <array>

namespace tonedot::print {

enum Ink { kCyan = 0, kMagenta, kYellow, kBlack, kInkCount };
// "C", "M", "Y", "K".
const char* InkLetter(int ink);

using InkAmounts = std::array<float, kInkCount>;
using InkColour = std::array<float, 3>;  // red, green, blue from 0 to 1

// "Cyan", "Magenta", "Yellow", "Black".
const char* InkName(int ink);

// The usual screen angles, degrees counter-clockwise: the colour inks 30 degrees apart,
// yellow, the least visible, between them, black at the calmest angle.
constexpr double kDefaultScreenAngles[kInkCount] = {15, 75, 0, 45};
// Ideal process inks: each takes away one primary; over white they print a colour exactly
// as the separation meant it.
constexpr InkColour kProcessInks[kInkCount] = {{0, 1, 1}, {1, 0, 1}, {1, 1, 0}, {0, 0, 0}};
// At most this much ink in total (3 is 300 %) unless asked otherwise.
constexpr double kDefaultInkLimit = 3.0;
constexpr double kDefaultBlackGeneration = 0.5;

// The built-in separation.  From red, green, blue (0 to 1, as the file holds them):
// c' = 1 - red, m' = 1 - green, y' = 1 - blue, and their grey x = min(c', m', y').  Under
// a grey x the colour inks lay s = R x (1 - g) / (1 - g x), for a black generation g from
// 0 to 1 and the rich black's colour ink R; black K = 1 - (1 - x) / (1 - s), the black
// that with s prints the grey; each colour ink (c' - K) / (1 - K), R where K is 1.  So
// every ink rises with the grey, solid black is black 100 % over R of each colour ink, and
// laid over each other as the preview lays them (ideal inks multiplied) the inks print the
// colour exactly.  g = 0 is no black at all (s = x, the three colour inks alone), g = 1
// all grey from black (s = 0).
constexpr double kDefaultRichBlack = 0.6;
struct GreyReplacement {
    double blackGeneration = kDefaultBlackGeneration;
    double richBlack = kDefaultRichBlack;  // R, 0 to 1
};
// The rich black's colour ink that keeps solid black within an ink limit (0 to 4).
double RichBlackWithin(double inkLimit);
InkAmounts SeparateByGreyReplacement(float red, float green, float blue, const GreyReplacement& settings);

// No more than `limit` (0 to 4, 4 is no limit) of ink in total: black is kept (down to the
// limit), the colour inks are scaled down together to what is left.
void LimitInk(InkAmounts& amounts, double limit);

// The ink a pixel takes: its colour's amounts within the limit (`limit` 4 or more: none),
// none at all where the pixel is wholly transparent (its colour means nothing), and with
// `alphaIsCoverage` times its alpha (a half-transparent pixel prints half the ink: print,
// where paper is everywhere; without it alpha stays alpha, for a video frame that keeps it).
void FinishInk(InkAmounts& amounts, float alpha, double limit, bool alphaIsCoverage);

// The colour (0 to 1, red, green, blue) of inks of the given coverage on paper: each ink
// filters the light by its colour where it lies, ink over ink multiplies.
InkColour InkOnPaper(const InkAmounts& coverage, const std::array<InkColour, kInkCount>& inks, const InkColour& paper);

}  // namespace tonedot::print
