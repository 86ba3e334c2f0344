#include "host/HandleHeap.h"

#include <cstdlib>
#include <cstring>

namespace tonedot {

// PF_Handle points at `data`, the first member; the host keeps the rest.
struct HandleHeap::Record {
    void* data;
    size_t size;
    int locks;
};

namespace {

// New handle memory is not zero: an effect must initialise what it allocates.
constexpr unsigned char kFreshByte = 0xA5;

HandleHeap::Record* RecordOf(PF_Handle handle) {
    return reinterpret_cast<HandleHeap::Record*>(handle);
}

}  // namespace

HandleHeap::~HandleHeap() {
    for (Record* record : live_) {
        std::free(record->data);
        delete record;
    }
}

HandleHeap::Record* HandleHeap::Find(PF_Handle handle) {
    Record* record = RecordOf(handle);
    if (!handle || !live_.count(record)) {
        ++misuse_;
        return nullptr;
    }
    return record;
}

PF_Handle HandleHeap::New(A_u_longlong size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failNext_ > 0) {
        --failNext_;
        return nullptr;
    }
    void* data = std::malloc(size ? size : 1);
    if (!data) return nullptr;
    std::memset(data, kFreshByte, size);
    Record* record = new Record{data, static_cast<size_t>(size), 0};
    live_.insert(record);
    return reinterpret_cast<PF_Handle>(&record->data);
}

void* HandleHeap::Lock(PF_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Record* record = Find(handle);
    if (!record) return nullptr;
    ++record->locks;
    return record->data;
}

void HandleHeap::Unlock(PF_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Record* record = Find(handle);
    if (!record) return;
    if (record->locks > 0) --record->locks;
}

void HandleHeap::Dispose(PF_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Record* record = Find(handle);
    if (!record) return;
    live_.erase(record);
    std::free(record->data);
    delete record;
}

A_u_longlong HandleHeap::Size(PF_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Record* record = Find(handle);
    return record ? record->size : 0;
}

PF_Err HandleHeap::Resize(A_u_longlong size, PF_Handle* handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Record* record = handle ? Find(*handle) : nullptr;
    if (!record) return PF_Err_BAD_CALLBACK_PARAM;
    if (record->locks > 0) return PF_Err_BAD_CALLBACK_PARAM;  // a locked handle cannot move
    void* data = std::realloc(record->data, size ? size : 1);
    if (!data) return PF_Err_OUT_OF_MEMORY;
    if (size > record->size) {
        std::memset(static_cast<unsigned char*>(data) + record->size, kFreshByte,
                    size - record->size);
    }
    record->data = data;
    record->size = size;
    return PF_Err_NONE;
}

bool HandleHeap::Owns(PF_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    return handle && live_.count(RecordOf(handle)) != 0;
}

size_t HandleHeap::LiveCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_.size();
}

int HandleHeap::LockCount(PF_Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Record* record = Find(handle);
    return record ? record->locks : -1;
}

size_t HandleHeap::MisuseCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return misuse_;
}

void HandleHeap::FailNextAllocations(int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    failNext_ = count;
}

}  // namespace tonedot
