// The two span accumulators on their own: merging, per-pixel sums and the full-coverage
// shortcut.
#include <gtest/gtest.h>

#include <random>
#include <vector>
#include "render/raster/ConvexSpanState.h"
#include "render/raster/SpanRows.h"

using namespace Render;

namespace {

// Per-pixel counts from a resolved row (each pixel must appear once).
std::vector<int> Expand(const std::vector<CoverageRun>& runs, int width) {
    std::vector<int> out(width, 0);
    for (const CoverageRun& r : runs) {
        for (int p = r.x; p < r.x + r.length; ++p) {
            EXPECT_EQ(out[p], 0) << "pixel " << p << " twice";
            out[p] = r.count;
        }
    }
    return out;
}

TEST(SpanRows, HalfCoveredPixelsByColumnsOrBySubRows) {
    SpanRows rows(4);
    for (int s = 0; s < 8; ++s) rows.Add(s, 8, 11);  // left half of pixel 1 in every sub-row
    std::vector<int> counts = Expand(rows.Resolve(), 4);
    EXPECT_EQ(counts, (std::vector<int>{0, 32, 0, 0}));
    rows.Clear();
    for (int s = 0; s < 4; ++s) rows.Add(s, 16, 23);  // all of pixel 2 in sub-rows 0..3
    counts = Expand(rows.Resolve(), 4);
    EXPECT_EQ(counts, (std::vector<int>{0, 0, 32, 0}));
}

TEST(SpanRows, TouchingSpansMergeAndSeparateOnesStaySeparate) {
    SpanRows rows(8);
    rows.Add(2, 3, 10);
    rows.Add(2, 11, 14);  // touches: merges
    rows.Add(2, 12, 13);  // inside: merges without shrinking
    rows.Add(2, 16, 20);  // one column (15) uncovered: separate
    ASSERT_EQ(rows.Spans(2).size(), 2u);
    EXPECT_EQ(rows.Spans(2)[0].x0, 3);
    EXPECT_EQ(rows.Spans(2)[0].x1, 14);
    EXPECT_EQ(rows.Spans(2)[1].x0, 16);
    EXPECT_EQ(rows.Spans(2)[1].x1, 20);
    EXPECT_EQ(rows.FirstSubRow(), 2);
    EXPECT_EQ(rows.LastSubRow(), 2);
    // Pixel 1 (columns 8..15) is touched by both spans and written once with the sum.
    const std::vector<int> counts = Expand(rows.Resolve(), 8);
    EXPECT_EQ(counts[0], 5);
    EXPECT_EQ(counts[1], 7);
    EXPECT_EQ(counts[2], 5);
}

TEST(SpanRows, ClipsToTheRowAndClears) {
    SpanRows rows(3);
    rows.Add(0, -100, 2);
    rows.Add(0, 20, 1000);
    EXPECT_EQ(Expand(rows.Resolve(), 3), (std::vector<int>{3, 0, 4}));
    rows.Clear();
    EXPECT_TRUE(rows.Empty());
    EXPECT_TRUE(rows.Resolve().empty());
}

TEST(SpanRows, FullCoverageShortcutEqualsTheSum) {
    // Random span lists, with and without all eight sub-rows: the counts must equal the
    // plain per-pixel sum, and the full runs must only contain pixels with 64.
    std::mt19937 rng(99);
    constexpr int kWidth = 24;
    for (int trial = 0; trial < 2000; ++trial) {
        SpanRows rows(kWidth);
        std::vector<std::vector<SampleSpan>> lists(8);
        const bool allRows = trial % 3 != 0;
        for (int s = 0; s < 8; ++s) {
            if (!allRows && rng() % 3 == 0) continue;
            int x = static_cast<int>(rng() % 40) - 20;
            const int pieces = 1 + static_cast<int>(rng() % 3);
            for (int k = 0; k < pieces; ++k) {
                const int x0 = x + static_cast<int>(rng() % 10);
                const int x1 = x0 + static_cast<int>(rng() % 120);
                rows.Add(s, x0, x1);
                x = x1 + 1;
            }
        }
        for (int s = 0; s < 8; ++s) lists[s] = rows.Spans(s);
        std::vector<int> expected(kWidth, 0);
        for (int p = 0; p < kWidth; ++p) {
            for (const auto& list : lists) {
                for (const SampleSpan& span : list) {
                    expected[p] += std::max(0, std::min(span.x1, 8 * p + 7) - std::max(span.x0, 8 * p) + 1);
                }
            }
        }
        const std::vector<int> got = Expand(rows.Resolve(), kWidth);
        ASSERT_EQ(got, expected) << "trial " << trial;
        for (const CoverageRun& run : rows.FullRuns()) {
            for (int p = run.x; p < run.x + run.length; ++p) ASSERT_EQ(expected[p], 64);
        }
    }
}

TEST(SpanRows, FullRunsAreThePixelsStrictlyInsideTheSharedRun) {
    SpanRows rows(30);
    for (int s = 0; s < 8; ++s) rows.Add(s, 3 + s, 150 - s);  // shared run 10 .. 143
    const std::vector<int> counts = Expand(rows.Resolve(), 30);
    ASSERT_EQ(rows.FullRuns().size(), 1u);
    EXPECT_EQ(rows.FullRuns()[0].x, 2);       // (10 >> 3) + 1
    EXPECT_EQ(rows.FullRuns()[0].length, 15);  // up to (143 >> 3) - 1 = 16
    EXPECT_EQ(counts[1], 6 * 8 + 7 + 6);
    EXPECT_EQ(counts[16], 64);
    EXPECT_EQ(counts[17], 64);                 // full as well, found by summing
    EXPECT_EQ(counts[18], 7 + 6 + 5 + 4 + 3 + 2 + 1);
}

TEST(ConvexSpanState, SumsTheEightSlotsAndKeepsSlotsAcrossRows) {
    ConvexSpanState state(6);
    for (int s = 0; s < 8; ++s) state.Record(s, 8, 11);  // left half of pixel 1
    EXPECT_EQ(Expand(state.Resolve(), 6), (std::vector<int>{0, 32, 0, 0, 0, 0}));
    // Next row: only sub-rows 0..3 recorded before the walk stops at sub-row 4.
    for (int s = 0; s < 4; ++s) state.Record(s, 16, 23);
    state.ClearFrom(4);
    EXPECT_EQ(Expand(state.Resolve(), 6), (std::vector<int>{0, 0, 32, 0, 0, 0}));
}

TEST(ConvexSpanState, EmptySpansAndFullPixels) {
    ConvexSpanState state(10);
    for (int s = 0; s < 8; ++s) state.Record(s, 6 - s, 60 + s);
    state.Record(3, 30, 29);  // empty span in sub-row 3
    const std::vector<int> counts = Expand(state.Resolve(), 10);
    std::vector<int> expected(10, 0);
    for (int p = 0; p < 10; ++p) {
        for (int s = 0; s < 8; ++s) {
            if (s == 3) continue;
            expected[p] += std::max(0, std::min(60 + s, 8 * p + 7) - std::max(6 - s, 8 * p) + 1);
        }
    }
    EXPECT_EQ(counts, expected);
    state.Reset();
    EXPECT_TRUE(state.Resolve().empty());
}

}  // namespace
