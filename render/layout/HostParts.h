// Work cut into parts that may run at the same time, on the host's threads where it offers
// them.  Every part runs exactly once: the host's calls (iterate_generic, once per
// processor) take parts in turn, and the calling thread takes whatever is left, so a host
// that refuses or lacks iterate_generic gets the same result on one thread.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "AEUtil/HostApi.h"

namespace Render {

// Long passes over a frame's dots are cut into parts of about this many items, at most
// kMaxParts of them.
constexpr size_t kItemsPerPart = 8192;
constexpr int32_t kMaxParts = 64;

// The parts of a pass over n items (at least one).
inline int32_t PartCount(size_t n)
{
    const size_t parts = n / kItemsPerPart;
    return parts < 1 ? 1 : (parts > static_cast<size_t>(kMaxParts) ? kMaxParts : static_cast<int32_t>(parts));
}

// Part k of `parts` equal parts of the items 0 .. n - 1 (n < 2^32) begins here; part
// `parts` begins at n.
inline size_t PartBegin(size_t n, int32_t parts, int32_t k)
{
    return static_cast<size_t>(uint64_t{n} * static_cast<uint32_t>(k) / static_cast<uint32_t>(parts));
}

// Runs the parts of a job on one thread, in order.
struct InlineParts {
    template <class Fn>
    void operator()(int32_t parts, Fn&& fn) const
    {
        for (int32_t k = 0; k < parts; ++k) fn(k);
    }
};

// Runs the parts of a job through the host's iterate_generic.  fn(k) must be safe to run
// at the same time as fn(j) for j != k, and must not report progress (only the host's
// thread 0 may).
class HostParts {
public:
    explicit HostParts(const PF_InData* inData) : utils_(inData != nullptr ? inData->utils : nullptr) {}

    template <class Fn>
    void operator()(int32_t parts, Fn&& fn) const
    {
        Shared<Fn> shared{fn, parts};
        if (parts > 1 && utils_ != nullptr && utils_->iterate_generic != nullptr) {
            utils_->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &shared, &Shared<Fn>::Work);
        }
        shared.Take();
    }

private:
    template <class Fn>
    struct Shared {
        Fn& fn;
        int32_t parts;
        std::atomic<int32_t> next{0};

        void Take()
        {
            for (int32_t k = next.fetch_add(1); k < parts; k = next.fetch_add(1)) fn(k);
        }
        static PF_Err Work(void* refcon, A_long, A_long, A_long)
        {
            static_cast<Shared*>(refcon)->Take();
            return PF_Err_NONE;
        }
    };

    const PF_UtilCallbacks* utils_;
};

}  // namespace Render
