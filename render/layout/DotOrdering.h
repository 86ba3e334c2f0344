// The order dots are drawn in, and the drawing loop with the host's progress report.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "AEUtil/HostApi.h"
#include "render/layout/DotGrid.h"
#include "render/layout/DotRecord.h"
#include "render/layout/HostParts.h"

namespace Render {

// Reading order: top row first, left to right within a row.
struct ReadingOrderLess {
    template <class D>
    bool operator()(const D& a, const D& b) const
    {
        return a.y < b.y || (a.y == b.y && a.x < b.x);
    }
};

// Nearest a front point first (drawn last, so it lies on top).
struct KeyLess {
    template <class D>
    bool operator()(const D& a, const D& b) const { return a.key < b.key; }
};

// Reading order by pixel rows into `out`: a stable counting pass by whole row, then each
// row sorted on its own.  Kept (true) only when the result is strictly increasing: no two
// keys then compare equal, and every correct sort gives this one order.  The passes run in
// parts through `runParts` (HostParts.h); the counting pass keeps the keys' order within a
// row whatever the parts, so the result does not depend on them.
template <class Key, class Parts>
bool SortByRows(const Key* keys, size_t n, Key* out, const Parts& runParts)
{
    if (n < 2) return false;
    const int32_t parts = PartCount(n);
    std::vector<double> partLo(parts), partHi(parts);
    std::vector<char> partValid(parts);
    runParts(parts, [&](int32_t k) {
        const size_t begin = PartBegin(n, parts, k), end = PartBegin(n, parts, k + 1);
        double lo = keys[begin].y, hi = keys[begin].y;
        bool valid = true;
        for (size_t i = begin; i < end; ++i) {
            const double y = keys[i].y;
            valid = valid && y == y;
            lo = std::min(lo, y);
            hi = std::max(hi, y);
        }
        partLo[k] = lo;
        partHi[k] = hi;
        partValid[k] = valid;
    });
    double lo = partLo[0], hi = partHi[0];
    for (int32_t k = 0; k < parts; ++k) {
        if (!partValid[k]) return false;  // not a number
        lo = std::min(lo, partLo[k]);
        hi = std::max(hi, partHi[k]);
    }
    if (!(hi - lo < 16777216.0)) return false;
    const size_t rows = static_cast<size_t>(hi - lo) + 1;
    auto rowOf = [lo](const Key& k) { return static_cast<size_t>(k.y - lo); };  // monotone in y

    // Counts per part and row (one part when the rows are many against the keys), then each
    // part's first place in every row.
    const int32_t countParts = rows * static_cast<size_t>(parts) <= std::max<size_t>(n, 65536) ? parts : 1;
    std::vector<uint32_t> place(static_cast<size_t>(countParts) * rows, 0);
    std::vector<uint32_t> start(rows + 1, 0);
    runParts(countParts, [&](int32_t k) {
        uint32_t* count = place.data() + static_cast<size_t>(k) * rows;
        for (size_t i = PartBegin(n, countParts, k), end = PartBegin(n, countParts, k + 1); i < end; ++i)
            ++count[rowOf(keys[i])];
    });
    uint32_t total = 0;
    for (size_t r = 0; r < rows; ++r) {
        start[r] = total;
        for (int32_t k = 0; k < countParts; ++k) {
            uint32_t& p = place[static_cast<size_t>(k) * rows + r];
            const uint32_t count = p;
            p = total;
            total += count;
        }
    }
    start[rows] = total;
    runParts(countParts, [&](int32_t k) {
        uint32_t* next = place.data() + static_cast<size_t>(k) * rows;
        for (size_t i = PartBegin(n, countParts, k), end = PartBegin(n, countParts, k + 1); i < end; ++i)
            out[next[rowOf(keys[i])]++] = keys[i];
    });

    // The rows, in parts of about equal numbers of keys; each part checks its own keys,
    // and the keys where two parts meet are checked after.
    std::vector<size_t> firstRow(parts + 1);
    for (int32_t k = 0; k <= parts; ++k) {
        const size_t at = PartBegin(n, parts, k);
        firstRow[k] = k == parts ? rows
                                 : static_cast<size_t>(std::lower_bound(start.begin(), start.end() - 1,
                                                                        static_cast<uint32_t>(at)) - start.begin());
    }
    std::vector<char> increasing(parts, 1);
    const ReadingOrderLess less;
    runParts(parts, [&](int32_t k) {
        for (size_t r = firstRow[k]; r < firstRow[k + 1]; ++r) std::sort(out + start[r], out + start[r + 1], less);
        for (size_t i = start[firstRow[k]] + 1; i < start[firstRow[k + 1]]; ++i) {
            if (!less(out[i - 1], out[i])) {
                increasing[k] = 0;
                return;
            }
        }
    });
    for (int32_t k = 0; k < parts; ++k) {
        const size_t i = start[firstRow[k]];
        if (!increasing[k] || (i > 0 && i < n && !less(out[i - 1], out[i]))) return false;
    }
    return true;
}

// Sorts the whole list once: by key when the dots have front points, else in reading order.
// The sort runs over compact copies of the compared fields and the records are then put in
// their places: std::sort makes the same comparisons, and so the same order of equal dots,
// whatever it moves.  Reading order goes by rows first where that gives the same order.
// The copying and the row sorts run in parts through `runParts` (HostParts.h), with the
// same result for any parts and threads.
template <class P, class Parts = InlineParts>
void OrderDots(DotList<P>& list, const Parts& runParts = Parts{})
{
    struct SortKey {
        double key, x, y;
        uint32_t index;
    };
    const size_t n = list.dots.size();
    if (n < 2) return;
    const int32_t parts = PartCount(n);
    std::vector<SortKey, FrameAllocator<SortKey>> keys(n);  // left uninitialised, written below
    runParts(parts, [&](int32_t k) {
        for (size_t i = PartBegin(n, parts, k), end = PartBegin(n, parts, k + 1); i < end; ++i) {
            const DotRecord<P>& d = list.dots[i];
            keys[i] = SortKey{d.key, d.x, d.y, static_cast<uint32_t>(i)};
        }
    });
    const SortKey* order = keys.data();
    std::vector<SortKey, FrameAllocator<SortKey>> byRows;
    if (list.noOrdering) {
        byRows.resize(n);
        if (SortByRows(keys.data(), n, byRows.data(), runParts)) {
            order = byRows.data();
            decltype(keys)().swap(keys);  // the row order is the one kept
        } else {
            std::sort(keys.begin(), keys.end(), ReadingOrderLess());
        }
    } else {
        std::sort(keys.begin(), keys.end(), KeyLess());
    }
    DotVector<P> sorted(n);  // left uninitialised: every record is written below
    runParts(parts, [&](int32_t k) {
        for (size_t i = PartBegin(n, parts, k), end = PartBegin(n, parts, k + 1); i < end; ++i)
            sorted[i] = list.dots[order[i].index];
    });
    list.dots.swap(sorted);
}

// Progress after `done` of `total` dots, in percent (computed in 64 bits: done * 100
// overflows 32 bits from 21.5 million dots on).
inline A_long ProgressPercent(uint64_t done, uint64_t total)
{
    const uint64_t percent = total == 0 ? 100 : done * 100u / total;
    return static_cast<A_long>(percent < 100 ? percent : 100);
}

// Draws an ordered list: reading order first to last, keyed order last to first (the
// farthest dot first).  After each dot the host hears the progress; a non-zero answer
// (the user cancelled) stops the drawing and is returned.
template <class P, class DrawOne>
PF_Err DrawInOrder(const DotList<P>& list, PF_InData* inData, DrawOne&& drawOne)
{
    const size_t n = list.dots.size();
    PF_Err result = PF_Err_NONE;
    for (size_t i = 0; i < n && result == PF_Err_NONE; ++i) {
        drawOne(list.dots[list.noOrdering ? i : n - 1 - i]);
        if (inData != nullptr && inData->inter.progress != nullptr)
            result = inData->inter.progress(inData->effect_ref, ProgressPercent(i + 1, n), 100);
    }
    return result;
}

}  // namespace Render
