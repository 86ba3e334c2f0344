// The coverage of an outline a few pixels across, built a pixel row at a time: each sub-row's
// spans are set as bits of a mask of 64 sample columns (8 pixels) a word, and a pixel's count
// is the sum over its eight sub-rows of the set bits in its byte, counted for all pixels of a
// word at once.  The counts are those of the span lists (SpanRows), which merge touching and
// overlapping spans of a sub-row just as the bits do, without their per-span bookkeeping.
// A convex outline has one span a sub-row, and its counts come quicker from the span's ends:
// a pixel holds the samples left of the span's end less those left of its start.
#pragma once
#include <cstdint>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TONEDOT_SMALL_ROWS_SSE2 1
#endif
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

    // The one span of sub-row k of a convex outline (sub-rows come in order): sample columns
    // x0 .. x1, none when x1 < x0 (then x1 = x0 - 1 at least, as the two ends of a convex
    // outline's sub-row come from one point or two in order).
    void ConvexSpan(int32_t k, int32_t x0, int32_t x1) {
        if ((k >> 3) != row_) NextRow(k >> 3);
        const int32_t lo = x0 - base_, end = x1 + 1 - base_;
        if (end <= lo) return;
        if (lo < 0 || end > kColumns || x1 >= sampleEnd_) {
            outside_ = true;
            return;
        }
#ifdef TONEDOT_SMALL_ROWS_SSE2
        const __m128i eight = _mm_set1_epi16(8), zero = _mm_setzero_si128();
        const __m128i vlo = _mm_set1_epi16(static_cast<int16_t>(lo)), vend = _mm_set1_epi16(static_cast<int16_t>(end));
        for (int w = 0; w < Words; ++w) {
            const __m128i left = _mm_set_epi16(56, 48, 40, 32, 24, 16, 8, 0);
            const __m128i p = _mm_add_epi16(left, _mm_set1_epi16(static_cast<int16_t>(64 * w)));
            const __m128i before = _mm_min_epi16(_mm_max_epi16(_mm_sub_epi16(vlo, p), zero), eight);
            const __m128i upTo = _mm_min_epi16(_mm_max_epi16(_mm_sub_epi16(vend, p), zero), eight);
            acc_[w] = _mm_add_epi16(acc_[w], _mm_sub_epi16(upTo, before));
        }
#else
        for (int32_t p = 0; p < kPixels; ++p) {
            auto clamp8 = [](int32_t v) { return v < 0 ? 0 : v > 8 ? 8 : v; };
            acc_[p] += static_cast<int16_t>(clamp8(end - 8 * p) - clamp8(lo - 8 * p));
        }
#endif
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
    bool RowHasSpans(int32_t k) const { return (k >> 3) == row_ && Any(sum_); }  // (mask spans)

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
    // The convex spans' counts of the row being summed, a byte a pixel, and cleared.
    void TakeConvexCounts() {
#ifdef TONEDOT_SMALL_ROWS_SSE2
        alignas(16) uint64_t bytes[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes),
                        _mm_packus_epi16(acc_[0], Words > 1 ? acc_[Words - 1] : _mm_setzero_si128()));
        for (int w = 0; w < Words; ++w) {
            sum_[w] += bytes[w];
            acc_[w] = _mm_setzero_si128();
        }
#else
        for (int32_t p = 0; p < kPixels; ++p) {
            sum_[p >> 3] += static_cast<uint64_t>(acc_[p]) << (8 * (p & 7));
            acc_[p] = 0;
        }
#endif
    }

    static bool Any(const uint64_t (&words)[Words]) {
        uint64_t any = 0;
        for (uint64_t w : words) any |= w;
        return any != 0;
    }

    // Stores the counts of the row being summed and starts row `row`.
    void NextRow(int32_t row) {
        TakeConvexCounts();
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
#ifdef TONEDOT_SMALL_ROWS_SSE2
    __m128i acc_[Words] = {};        // and its convex spans' counts, a 16-bit lane a pixel
#else
    int16_t acc_[kPixels] = {};
#endif
    uint64_t counts_[kRows][Words];  // per pixel row: a byte per pixel, 0 .. 64
};

}  // namespace Render
