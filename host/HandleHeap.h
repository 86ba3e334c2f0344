// The stand-in host's memory handles (PF_Handle): new, lock, unlock, dispose, size, resize,
// with a count of live handles and of misuse.
#pragma once
#include <cstddef>
#include <mutex>
#include <unordered_set>
#include "AEUtil/HostApi.h"

namespace tonedot {

class HandleHeap {
public:
    HandleHeap() = default;
    ~HandleHeap();
    HandleHeap(const HandleHeap&) = delete;
    HandleHeap& operator=(const HandleHeap&) = delete;

    PF_Handle New(A_u_longlong size);
    void* Lock(PF_Handle handle);
    void Unlock(PF_Handle handle);
    void Dispose(PF_Handle handle);
    A_u_longlong Size(PF_Handle handle);
    PF_Err Resize(A_u_longlong size, PF_Handle* handle);

    bool Owns(PF_Handle handle);
    size_t LiveCount();
    int LockCount(PF_Handle handle);
    // Operations on handles this heap does not know (already disposed, never made).
    size_t MisuseCount();
    // Makes the next `count` calls of New answer with a null handle.
    void FailNextAllocations(int count);

    struct Record;

private:
    Record* Find(PF_Handle handle);  // needs mutex_

    std::mutex mutex_;
    std::unordered_set<Record*> live_;
    size_t misuse_ = 0;
    int failNext_ = 0;
};

}  // namespace tonedot
