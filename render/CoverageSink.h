// What the rasteriser hands on: per pixel row, runs of pixels with one coverage count.
#pragma once
#include <cstddef>
#include <cstdint>

// `length` pixels from column `x`, each with `count` of its 64 samples inside the outline
// (1..64).  Runs of a row come left to right, never overlap and lie inside the layer.
struct CoverageRun {
    int32_t x;
    int32_t length;
    int32_t count;
};

class CoverageSink {
public:
    virtual void WriteRow(int32_t y, const CoverageRun* runs, size_t count) = 0;

protected:
    ~CoverageSink() = default;
};
