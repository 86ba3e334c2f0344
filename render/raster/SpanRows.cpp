#include "render/raster/SpanRows.h"

#include <algorithm>
#include <cassert>
#include "render/raster/SampleGrid.h"

namespace Render {

SpanRows::SpanRows(int32_t width) : width_(width), cover_(static_cast<size_t>(width > 0 ? width : 0), 0) {
    assert(width >= 0 && width < (kSampleLimit >> 3));
    for (auto& list : lists_) list.reserve(8);
}

void SpanRows::Clear() {
    if (first_ >= 0) {
        for (int32_t s = first_; s <= last_; ++s) lists_[s].clear();
    }
    first_ = -1;
    last_ = -1;
}

void SpanRows::Add(int32_t subRow, int32_t x0, int32_t x1) {
    assert(subRow >= 0 && subRow < 8 && x0 <= x1);
    std::vector<SampleSpan>& list = lists_[subRow];
    if (list.empty() || list.back().x1 + 1 < x0) {
        SampleSpan& span = list.emplace_back();
        span.x0 = x0;
        span.x1 = x1;
    } else if (x1 > list.back().x1) {
        list.back().x1 = x1;
    }
    if (first_ < 0 || subRow < first_) first_ = subRow;
    if (subRow > last_) last_ = subRow;
}

void SpanRows::FindFullRuns() {
    fullRuns_.clear();
    if (first_ != 0 || last_ != 7) return;
    // Intersect sub-row 0 with 1, the result with 2, and so on.
    const std::vector<SampleSpan>* sofar = &lists_[0];
    for (int32_t s = 1; s < 8 && !sofar->empty(); ++s) {
        std::vector<SampleSpan>& out = sofar == &meet_ ? scratch_ : meet_;
        out.clear();
        const std::vector<SampleSpan>& a = *sofar;
        const std::vector<SampleSpan>& b = lists_[s];
        size_t i = 0, k = 0;
        while (i < a.size() && k < b.size()) {
            const int32_t lo = std::max(a[i].x0, b[k].x0);
            const int32_t hi = std::min(a[i].x1, b[k].x1);
            if (lo <= hi) out.push_back(SampleSpan{lo, hi});
            if (a[i].x1 < b[k].x1) ++i; else ++k;
        }
        sofar = &out;
    }
    for (const SampleSpan& run : *sofar) {
        const int32_t p0 = std::max((run.x0 >> 3) + 1, 0);
        const int32_t p1 = std::min((run.x1 >> 3) - 1, width_ - 1);
        if (p0 <= p1) AppendRun(fullRuns_, p0, p1 - p0 + 1, kSamplesPerPixelArea);
    }
}

const std::vector<CoverageRun>& SpanRows::Resolve() {
    runs_.clear();
    fullRuns_.clear();
    if (first_ < 0 || width_ <= 0) return runs_;
    FindFullRuns();

    // Partial counts of every pixel a span touches, leaving out the full runs.
    const int32_t lastSample = width_ * kSamplesPerPixel - 1;
    int32_t minPixel = width_, maxPixel = -1;
    for (int32_t s = first_; s <= last_; ++s) {
        size_t full = 0;
        for (const SampleSpan& span : lists_[s]) {
            const int32_t x0 = std::max(span.x0, 0);
            const int32_t x1 = std::min(span.x1, lastSample);
            if (x1 < x0) continue;
            const int32_t p0 = x0 >> 3, p1 = x1 >> 3;
            minPixel = std::min(minPixel, p0);
            maxPixel = std::max(maxPixel, p1);
            for (int32_t p = p0; p <= p1;) {
                while (full < fullRuns_.size() && fullRuns_[full].x + fullRuns_[full].length <= p) ++full;
                int32_t stop = p1;
                if (full < fullRuns_.size()) {
                    if (fullRuns_[full].x <= p) {
                        p = fullRuns_[full].x + fullRuns_[full].length;
                        continue;
                    }
                    stop = std::min(stop, fullRuns_[full].x - 1);
                }
                for (; p <= stop; ++p) {
                    cover_[p] += std::min(x1, 8 * p + 7) - std::max(x0, 8 * p) + 1;
                }
            }
        }
    }

    // Emit left to right, full runs whole, other pixels one by one (clearing the counts).
    size_t full = 0;
    for (int32_t p = minPixel; p <= maxPixel;) {
        if (full < fullRuns_.size() && fullRuns_[full].x == p) {
            runs_.push_back(fullRuns_[full]);
            p += fullRuns_[full].length;
            ++full;
            continue;
        }
        const int32_t c = cover_[p];
        if (c > 0) {
            cover_[p] = 0;
            AppendRun(runs_, p, 1, c);
        }
        ++p;
    }
    return runs_;
}

CoverageCells::CoverageCells(int32_t width)
    : width_(width),
      sampleEnd_(width * kSamplesPerPixel),
      area_(static_cast<size_t>(width > 0 ? width : 0) + 2, 0),
      cover_(static_cast<size_t>(width > 0 ? width : 0) + 2, 0) {
    assert(width >= 0 && width < (kSampleLimit >> 3));
    zones_.reserve(64);
    runs_.reserve(64);
}

void CoverageCells::AddEdge(const int32_t (&b)[8], int32_t sign) {
    int32_t q = -1, area = 0, cover = 0;  // the pixel being summed and its sums
    int32_t first = INT32_MAX, last = -1;
    for (int32_t s = 0; s < 8; ++s) {
        int32_t x = b[s];
        if (x >= sampleEnd_) continue;
        if (x < 0) x = 0;
        const int32_t p = x >> 3;
        if (p != q) {
            if (q >= 0) {
                area_[q] += sign * area;
                cover_[q + 1] += sign * cover;
            }
            q = p;
            area = 0;
            cover = 0;
            first = std::min(first, p);
            last = std::max(last, p);
        }
        area += 8 - (x & 7);
        cover += 8;
    }
    if (q < 0) return;
    area_[q] += sign * area;
    cover_[q + 1] += sign * cover;
    zones_.push_back(Zone{first, last + 1});
}

const std::vector<CoverageRun>& CoverageCells::Resolve() {
    runs_.clear();
    // Zones arrive nearly in order: insertion sort by first pixel.
    for (size_t i = 1; i < zones_.size(); ++i) {
        const Zone z = zones_[i];
        size_t m = i;
        for (; m > 0 && zones_[m - 1].first > z.first; --m) zones_[m] = zones_[m - 1];
        zones_[m] = z;
    }
    auto emit = [this](int32_t x, int32_t length, int32_t count) {
        if (!runs_.empty()) {
            CoverageRun& last = runs_.back();
            if (last.count == count && last.x + last.length == x) {
                last.length += length;
                return;
            }
        }
        AppendRun(runs_, x, length, count);
    };
    int32_t running = 0;
    int32_t next = 0;  // first pixel not yet handed out
    for (size_t i = 0; i < zones_.size();) {
        const int32_t first = std::max(zones_[i].first, next);
        int32_t last = zones_[i].last;
        for (++i; i < zones_.size() && zones_[i].first <= last + 1; ++i) last = std::max(last, zones_[i].last);
        if (first > last) continue;
        if (running > 0 && first > next) emit(next, first - next, running);
        for (int32_t p = first; p <= last; ++p) {
            running += cover_[p];
            const int32_t c = running + area_[p];
            cover_[p] = 0;
            area_[p] = 0;
            if (c > 0 && p < width_) emit(p, 1, c);
        }
        next = last + 1;
    }
    if (running > 0 && next < width_) emit(next, width_ - next, running);
    zones_.clear();
    return runs_;
}

}  // namespace Render
