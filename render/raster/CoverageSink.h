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

class CoverageSink {
public:
    virtual void WriteRow(int32_t y, const CoverageRun* runs, size_t count) = 0;

protected:
    ~CoverageSink() = default;
};

}  // namespace Render
