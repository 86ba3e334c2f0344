// Drawing a frame's ordered dots on the host's threads: the layer is cut into horizontal
// bands, and each band draws, in the frame's order, every dot that may touch it, writing
// only its own rows.  A pixel sees the same dots in the same order as when the whole list is
// drawn at once, so the layer is the same for any number of bands and threads.
//
// The bands run through the host's iterate_generic, once per processor; only the call on
// thread 0 reports progress (the share of all bands' dots drawn) and hears a cancel, which
// then stops every band.  Without iterate_generic, when the host offers one thread, or for a
// layer too low to cut, the list is drawn as DrawInOrder draws it.
#pragma once
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <vector>

#include "AEUtil/HostApi.h"
#include "render/drawing/DotCanvas.h"
#include "render/drawing/DotTracer.h"
#include "render/layout/DotOrdering.h"
#include "render/layout/DotRecord.h"

namespace Render {

// Bands per thread (more than one, so a thread that finishes early takes another) and the
// fewest rows a band has.
constexpr int32_t kBandsPerThread = 4;
constexpr int32_t kMinBandRows = 32;

// The rows of a layer `height` high that a dot may write: first .. last (none when
// last < first).  Every outline lies in its width x height box turned about the centre, so
// within half the box's diagonal of it; two rows more cover the coverage samples.
template <class P>
void DotRowSpan(const DotRecord<P>& dot, int32_t height, int32_t& first, int32_t& last)
{
    first = 0;
    last = -1;
    if (!HasOutline(dot)) return;  // DrawDot draws nothing
    const double reach = 0.5 * (std::fabs(dot.width) + std::fabs(dot.height)) + 2.0;
    const double top = std::floor(dot.y - reach);
    const double bottom = std::floor(dot.y + reach);
    if (bottom < 0.0 || top >= height) return;
    first = top <= 0.0 ? 0 : static_cast<int32_t>(top);
    last = bottom >= height - 1 ? height - 1 : static_cast<int32_t>(bottom);
}

template <class P>
class BandedDrawing {
public:
    BandedDrawing(const DotList<P>& list, DotCanvas<P>& canvas, PF_InData* inData)
        : list_(list), canvas_(canvas), inData_(inData) {}

    // Draws the list; returns the progress answer that stopped it, or 0.
    PF_Err Run()
    {
        PF_UtilCallbacks* utils = inData_ != nullptr ? inData_->utils : nullptr;
        if (utils == nullptr || utils->iterate_generic == nullptr) return DrawWhole(true);
        utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, this, &BandedDrawing::Work);
        // Whatever the host did not run (it refused, or stopped early) runs here.
        if (!started_) return DrawWhole(true);
        if (whole_) return wholeResult_;
        if (!stop_.load()) DrawBands(0);
        if (stop_.load()) return cancel_;
        return Report(ProgressPercent(total_, total_));
    }

private:
    static PF_Err Work(void* refcon, A_long thread, A_long i, A_long iterations)
    {
        auto& self = *static_cast<BandedDrawing*>(refcon);
        std::call_once(self.prepared_, [&] { self.Prepare(iterations); });
        if (self.whole_) {
            if (i == 0) self.wholeResult_ = self.DrawWhole(thread == 0);
        } else {
            self.DrawBands(thread);
        }
        return PF_Err_NONE;
    }

    PF_Err DrawWhole(bool report)
    {
        return DrawInOrder(list_, report ? inData_ : nullptr,
                           [this](const DotRecord<P>& dot) { DrawDot(canvas_, dot); });
    }

    // Each dot's index goes to every band it may touch, in the order the dots are drawn.
    void Prepare(A_long threads)
    {
        started_ = true;
        const int32_t height = canvas_.Height();
        bandCount_ = std::min<int64_t>(int64_t{threads} * kBandsPerThread, height / kMinBandRows);
        if (threads <= 1 || bandCount_ <= 1) {
            whole_ = true;
            return;
        }
        bandRows_ = (height + bandCount_ - 1) / bandCount_;
        bandCount_ = (height + bandRows_ - 1) / bandRows_;
        bands_.resize(bandCount_);
        const size_t n = list_.dots.size();
        for (size_t k = 0; k < n; ++k) {
            const size_t index = list_.noOrdering ? k : n - 1 - k;
            int32_t first, last;
            DotRowSpan(list_.dots[index], height, first, last);
            if (last < first) continue;
            for (int32_t b = first / bandRows_; b <= last / bandRows_; ++b) {
                bands_[b].push_back(static_cast<uint32_t>(index));
            }
        }
        for (const std::vector<uint32_t>& band : bands_) total_ += band.size();
    }

    // Takes bands until none is left or the frame is cancelled.
    void DrawBands(A_long thread)
    {
        const bool reporter = thread == 0 && inData_ != nullptr && inData_->inter.progress != nullptr;
        for (;;) {
            const int32_t b = nextBand_.fetch_add(1);
            if (b >= bandCount_ || stop_.load(std::memory_order_relaxed)) return;
            const int32_t top = b * bandRows_;
            DotCanvas<P> band(canvas_.Pixels(), canvas_.Width(), canvas_.Height(), canvas_.RowBytes());
            band.Filler().SetRowWindow(top, std::min(top + bandRows_, canvas_.Height()));
            uint64_t unpublished = 0;
            for (const uint32_t index : bands_[b]) {
                DrawDot(band, list_.dots[index]);
                ++unpublished;
                if (reporter) {
                    const PF_Err answer =
                        Report(ProgressPercent(done_.load(std::memory_order_relaxed) + unpublished, total_));
                    if (answer != PF_Err_NONE) {
                        cancel_ = answer;
                        stop_.store(true);
                        return;
                    }
                } else if (stop_.load(std::memory_order_relaxed)) {
                    return;
                }
                if (unpublished == kPublishEvery) {
                    done_.fetch_add(unpublished, std::memory_order_relaxed);
                    unpublished = 0;
                }
            }
            done_.fetch_add(unpublished, std::memory_order_relaxed);
        }
    }

    PF_Err Report(A_long percent)
    {
        if (inData_ == nullptr || inData_->inter.progress == nullptr) return PF_Err_NONE;
        return inData_->inter.progress(inData_->effect_ref, percent, 100);
    }

    static constexpr uint64_t kPublishEvery = 64;

    const DotList<P>& list_;
    DotCanvas<P>& canvas_;
    PF_InData* inData_;
    std::once_flag prepared_;
    bool started_ = false;
    bool whole_ = false;             // one thread, or a layer too low to cut
    PF_Err wholeResult_ = PF_Err_NONE;
    int32_t bandCount_ = 0;
    int32_t bandRows_ = 0;
    std::vector<std::vector<uint32_t>> bands_;  // dot indices per band, in drawing order
    uint64_t total_ = 0;                        // entries of all bands
    std::atomic<int32_t> nextBand_{0};
    std::atomic<uint64_t> done_{0};             // entries drawn, published in steps
    std::atomic<bool> stop_{false};
    PF_Err cancel_ = PF_Err_NONE;               // written by thread 0 before stop_
};

// Draws an ordered list as DrawInOrder does, on the host's threads where it offers them.
template <class P>
PF_Err DrawInBands(const DotList<P>& list, DotCanvas<P>& canvas, PF_InData* inData)
{
    return BandedDrawing<P>(list, canvas, inData).Run();
}

}  // namespace Render
