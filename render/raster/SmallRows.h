// The coverage of an outline a few pixels across, built a pixel row at a time: each sub-row's
// spans are set as bits of a mask of 128 sample columns (16 pixels), and a pixel's count is
// the sum over its eight sub-rows of the set bits in its byte, counted for all pixels of a
// word at once.  The counts are those of the span lists (SpanRows), which merge touching and
// overlapping spans of a sub-row just as the bits do, without their per-span bookkeeping.
#pragma once
#include <cassert>
#include <cstdint>
#include <cstring>
#include "render/raster/CoverageSink.h"
#include "render/raster/SampleGrid.h"

namespace Render {

class SmallRows {
public:
    static constexpr int32_t kRows = 16;  // pixel rows
    static constexpr int32_t kColumns = kSmallRowPixels * kSamplesPerPixel;

    // The rows from pixel row `firstRow` on, the columns from pixel `firstPixel` on, in a
    // layer `width` pixels wide.
    void Begin(int32_t firstRow, int32_t firstPixel, int32_t width) {
        firstRow_ = firstRow;
        firstPixel_ = firstPixel;
        base_ = firstPixel * kSamplesPerPixel;
        sampleEnd_ = width * kSamplesPerPixel;
        rows_ = 0;
        row_ = firstRow;
        outside_ = false;
        mask_[0] = mask_[1] = 0;
        row0_ = row1_ = 0;
    }

    // Sample columns x0 .. x1 of the sub-row being built (none when x1 < x0).  A span past the columns or
    // rows held, or past the layer's right edge, marks the outline as not small.
    void Span(int32_t x0, int32_t x1) {
        if (x1 < x0) return;
        const int32_t lo = x0 - base_, hi = x1 - base_;
        if (lo < 0 || hi >= kColumns || x1 >= sampleEnd_) {
            outside_ = true;
            return;
        }
        mask_[0] |= Bits(lo, hi);
        mask_[1] |= Bits(lo - 64, hi - 64);
    }

    // The spans of sub-row k (sub-rows come in order) are all given: their samples join
    // the counts of its row.
    void SubRowDone(int32_t k) {
        if ((k >> 3) != row_) NextRow(k >> 3);
        row0_ += ByteCounts(mask_[0]);
        row1_ += ByteCounts(mask_[1]);
        mask_[0] = mask_[1] = 0;
    }

    // Whether the row of sub-row k has spans so far.
    bool RowHasSpans(int32_t k) const { return (k >> 3) == row_ && (row0_ | row1_) != 0; }

    // Whether a span fell outside what the rows hold, or the outline was marked so: it must
    // take the usual way.
    bool Outside() const { return outside_; }
    void MarkOutside() { outside_ = true; }

    // Hands every row with a covered pixel to `sink`.
    void Write(CoverageSink& sink) {
        NextRow(row_ + 1);
        for (int32_t r = 0; r < rows_; ++r) {
            if ((counts_[r][0] | counts_[r][1]) != 0) sink.WriteCounts(firstRow_ + r, firstPixel_, counts_[r]);
        }
    }

private:
    // Stores the counts of the row being summed and starts row `row`.
    void NextRow(int32_t row) {
        const int32_t r = row_ - firstRow_;
        if (r < 0 || r >= kRows || row < row_) {
            outside_ = outside_ || (row0_ | row1_) != 0 || row < row_;
        } else {
            for (; rows_ < r; ++rows_) counts_[rows_][0] = counts_[rows_][1] = 0;
            counts_[r][0] = row0_;
            counts_[r][1] = row1_;
            rows_ = r + 1;
        }
        row_ = row;
        row0_ = row1_ = 0;
    }

    // Bits lo .. hi of a word, clipped to 0 .. 63 (none when the clipped range is empty).
    static uint64_t Bits(int32_t lo, int32_t hi) {
        if (hi < 0 || lo > 63) return 0;
        if (lo < 0) lo = 0;
        if (hi > 63) hi = 63;
        return (~uint64_t{0} >> (63 - hi)) & (~uint64_t{0} << lo);
    }

    // The set bits of each byte of x, in that byte.
    static uint64_t ByteCounts(uint64_t x) {
        x = x - ((x >> 1) & 0x5555555555555555ull);
        x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
        return (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    }

    int32_t firstRow_ = 0, firstPixel_ = 0, base_ = 0, sampleEnd_ = 0;
    int32_t rows_ = 0;
    bool outside_ = false;
    int32_t row_ = 0;             // the pixel row being summed
    uint64_t mask_[2] = {0, 0};  // the sub-row being built
    uint64_t row0_ = 0, row1_ = 0;  // its counts so far
    uint64_t counts_[kRows][2];  // per pixel row: a byte per pixel, 0 .. 64
};

}  // namespace Render
