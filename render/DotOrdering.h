// The order dots are drawn in, and the drawing loop with the host's progress report.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "AEUtil/HostApi.h"
#include "render/DotGrid.h"
#include "render/DotRecord.h"

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

// Sorts the whole list once: by key when the dots have front points, else in reading order.
// The sort runs over compact copies of the compared fields and the records are then put in
// their places: std::sort makes the same comparisons, and so the same order of equal dots,
// whatever it moves.
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
    if (list.noOrdering) std::sort(keys.begin(), keys.end(), ReadingOrderLess());
    else std::sort(keys.begin(), keys.end(), KeyLess());
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
