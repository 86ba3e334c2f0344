// The coverage of an outline a few pixels across, built a pixel row at a time: each sub-row's
// spans are set as bits of a mask of 64 sample columns (8 pixels) a word, and a pixel's count
// is the sum over its eight sub-rows of the set bits in its byte, counted for all pixels of a
// word at once.  The counts are those of the span lists (SpanRows), which merge touching and
// overlapping spans of a sub-row just as the bits do, without their per-span bookkeeping.
#pragma once
#include <cstdint>
#include "render/raster/CoverageSink.h"
#include "render/raster/SampleGrid.h"

namespace Render {

// Rows of `Words` words (1 or 2: 8 or 16 pixels).
template <int Words>
class SmallRows {
    static_assert(Words == 1 || Words == 2, "a row of counts holds at most two words");

public:
    static constexpr int32_t kRows = 16;  // pixel rows
    static constexpr int32_t kPixels = 8 * Words;
    static constexpr int32_t kColumns = kPixels * kSamplesPerPixel;

    // The rows from pixel row `firstRow` on, the columns from pixel `firstPixel` on, in a
    // layer `width` pixels wide.
    SmallRows(int32_t firstRow, int32_t firstPixel, int32_t width)
        : firstRow_(firstRow),
          firstPixel_(firstPixel),
          base_(firstPixel * kSamplesPerPixel),
          sampleEnd_(width * kSamplesPerPixel),
          row_(firstRow) {}

    // Sample columns x0 .. x1 of the sub-row being built (none when x1 < x0).  A span past
    // the columns held, or past the layer's right edge, marks the outline as not small.
    void Span(int32_t x0, int32_t x1) {
        if (x1 < x0) return;
        const int32_t lo = x0 - base_, hi = x1 - base_;
        if (lo < 0 || hi >= kColumns || x1 >= sampleEnd_) {
            outside_ = true;
            return;
        }
        for (int w = 0; w < Words; ++w) mask_[w] |= Bits(lo - 64 * w, hi - 64 * w);
    }

    // The spans of sub-row k (sub-rows come in order) are all given: their samples join
    // the counts of its row.
    void SubRowDone(int32_t k) {
        if ((k >> 3) != row_) NextRow(k >> 3);
        for (int w = 0; w < Words; ++w) {
            sum_[w] += ByteCounts(mask_[w]);
            mask_[w] = 0;
        }
    }

    // Whether the row of sub-row k has spans so far.
    bool RowHasSpans(int32_t k) const { return (k >> 3) == row_ && Any(sum_); }

    // Whether a span fell outside what the rows hold, or the outline was marked so: it must
    // take the usual way.
    bool Outside() const { return outside_; }
    void MarkOutside() { outside_ = true; }

    // Hands every row with a covered pixel to `sink`.
    void Write(CoverageSink& sink) {
        NextRow(row_ + 1);
        for (int32_t r = 0; r < rows_; ++r) {
            if (!Any(counts_[r])) continue;
            const uint64_t counts[2] = {counts_[r][0], Words > 1 ? counts_[r][Words - 1] : 0};
            sink.WriteCounts(firstRow_ + r, firstPixel_, counts);
        }
    }

private:
    static bool Any(const uint64_t (&words)[Words]) {
        uint64_t any = 0;
        for (uint64_t w : words) any |= w;
        return any != 0;
    }

    // Stores the counts of the row being summed and starts row `row`.
    void NextRow(int32_t row) {
        const int32_t r = row_ - firstRow_;
        if (r < 0 || r >= kRows) {
            outside_ = outside_ || Any(sum_);
        } else {
            for (; rows_ < r; ++rows_)
                for (uint64_t& w : counts_[rows_]) w = 0;
            for (int w = 0; w < Words; ++w) counts_[r][w] = sum_[w];
            rows_ = r + 1;
        }
        row_ = row;
        for (uint64_t& w : sum_) w = 0;
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

    int32_t firstRow_, firstPixel_, base_, sampleEnd_;
    int32_t rows_ = 0;               // rows stored in counts_
    int32_t row_;                    // the pixel row being summed
    bool outside_ = false;
    uint64_t mask_[Words] = {};      // the sub-row being built
    uint64_t sum_[Words] = {};       // the row being summed, so far
    uint64_t counts_[kRows][Words];  // per pixel row: a byte per pixel, 0 .. 64
};

}  // namespace Render
