// What the rasteriser hands on: per pixel row, runs of pixels with one coverage count.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Render {

// `length` pixels from column `x`, each with `count` of its 64 samples inside the outline
// (1..64).  Runs of a row come left to right, never overlap and lie inside the layer.
struct CoverageRun {
    int32_t x;
    int32_t length;
    int32_t count;
};

// Appends a run built in place (a temporary would be stored field by field and read back
// whole, stalling on every run).
inline void AppendRun(std::vector<CoverageRun>& runs, int32_t x, int32_t length, int32_t count) {
    CoverageRun& run = runs.emplace_back();
    run.x = x;
    run.length = length;
    run.count = count;
}

// Pixels a row of counts (CoverageSink::WriteCounts) holds.
constexpr int32_t kSmallRowPixels = 16;

class CoverageSink {
public:
    virtual void WriteRow(int32_t y, const CoverageRun* runs, size_t count) = 0;

    // The counts of pixels x .. x + 15 of row y, a byte each (0: none), pixel x + 8w + b in
    // byte b (from the lowest) of counts[w]; inside the layer.  By default handed on as runs.
    virtual void WriteCounts(int32_t y, int32_t x, const uint64_t (&counts)[2]) {
        CoverageRun runs[kSmallRowPixels];
        size_t n = 0;
        for (int32_t p = 0; p < kSmallRowPixels; ++p) {
            const auto c = static_cast<int32_t>((counts[p >> 3] >> (8 * (p & 7))) & 0xFF);
            if (c != 0) runs[n++] = CoverageRun{x + p, 1, c};
        }
        if (n != 0) WriteRow(y, runs, n);
    }

protected:
    ~CoverageSink() = default;
};

}  // namespace Render
