// The order dots are drawn in, and the drawing loop with the host's progress report.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "AEUtil/HostApi.h"
#include "render/DotGrid.h"
#include "render/DotRecord.h"

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

// Reading order by pixel rows: a stable counting pass by whole row, then each row sorted on
// its own.  Kept (true) only when the result is strictly increasing: no two keys then
// compare equal, and every correct sort gives this one order.  Otherwise `keys` is left as
// it was.
template <class Key>
bool SortByRows(std::vector<Key>& keys)
{
    const size_t n = keys.size();
    if (n < 2) return false;
    double lo = keys[0].y, hi = keys[0].y;
    for (const Key& k : keys) {
        lo = std::min(lo, k.y);
        hi = std::max(hi, k.y);
    }
    if (!(hi - lo < 16777216.0)) return false;  // also not a number
    const size_t rows = static_cast<size_t>(hi - lo) + 1;
    auto rowOf = [lo](const Key& k) { return static_cast<size_t>(k.y - lo); };  // monotone in y
    std::vector<uint32_t> start(rows + 1, 0);
    for (const Key& k : keys) ++start[rowOf(k) + 1];
    for (size_t r = 0; r < rows; ++r) start[r + 1] += start[r];
    std::vector<Key> out(n);
    {
        std::vector<uint32_t> next(start.begin(), start.end() - 1);
        for (const Key& k : keys) out[next[rowOf(k)]++] = k;
    }
    const ReadingOrderLess less;
    for (size_t r = 0; r < rows; ++r) std::sort(out.begin() + start[r], out.begin() + start[r + 1], less);
    for (size_t i = 1; i < n; ++i) {
        if (!less(out[i - 1], out[i])) return false;
    }
    keys.swap(out);
    return true;
}

// Sorts the whole list once: by key when the dots have front points, else in reading order.
// The sort runs over compact copies of the compared fields and the records are then put in
// their places: std::sort makes the same comparisons, and so the same order of equal dots,
// whatever it moves.  Reading order goes by rows first where that gives the same order.
template <class P>
void OrderDots(DotList<P>& list)
{
    struct SortKey {
        double key, x, y;
        uint32_t index;
    };
    const size_t n = list.dots.size();
    std::vector<SortKey> keys(n);
    for (size_t i = 0; i < n; ++i) {
        const DotRecord<P>& d = list.dots[i];
        keys[i] = SortKey{d.key, d.x, d.y, static_cast<uint32_t>(i)};
    }
    if (list.noOrdering) {
        if (!SortByRows(keys)) std::sort(keys.begin(), keys.end(), ReadingOrderLess());
    } else {
        std::sort(keys.begin(), keys.end(), KeyLess());
    }
    std::vector<DotRecord<P>> sorted;
    sorted.reserve(n);
    for (const SortKey& k : keys) sorted.push_back(list.dots[k.index]);
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
