#include "params/ParamRegistry.h"
#include "params/StoredDefaults.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>

namespace Params {

namespace {

// Plain arrays with no destructor of their own: the library unload hook may run after the
// C++ run time has destroyed this library's static objects.
// The id table, sorted by id once finished.
BaseParam* gIdTable[kMaxParams];
size_t gCount = 0;
// Position 0 is empty (the input layer); position i holds host parameter i; the entry
// after the last descriptor is null.
BaseParam* gIndexTable[kMaxParams + 2];

bool ById(const BaseParam* a, const BaseParam* b) { return a->id < b->id; }
bool ByIndex(const BaseParam* a, const BaseParam* b) { return a->index < b->index; }

}  // namespace

void ClearParamRegistry() {
    for (size_t i = 0; i < gCount; ++i) {
        delete gIdTable[i];
        gIdTable[i] = nullptr;
    }
    std::fill(gIndexTable, gIndexTable + gCount + 2, nullptr);
    gCount = 0;
    ResetParamIndexCounter();
}

void AppendParam(BaseParam* param) {
    assert(param != nullptr);
    if (gCount >= kMaxParams) {
        delete param;
        throw std::length_error("parameter registry full");
    }
    gIdTable[gCount++] = param;
}

void FinishParamRegistry() {
    std::stable_sort(gIdTable, gIdTable + gCount, ById);
    gIndexTable[0] = nullptr;
    std::copy(gIdTable, gIdTable + gCount, gIndexTable + 1);
    std::stable_sort(gIndexTable + 1, gIndexTable + 1 + gCount, ByIndex);
    gIndexTable[gCount + 1] = nullptr;
}

A_long FindParamIndex(A_long id) {
    BaseParam** const end = gIdTable + gCount;
    BaseParam** const it = std::lower_bound(gIdTable, end, id,
                                            [](const BaseParam* p, A_long v) { return p->id < v; });
    return (it != end && (*it)->id == id) ? (*it)->index : 0;
}

BaseParam* ParamAtIndex(A_long index) {
    if (index < 1 || static_cast<size_t>(index) > gCount) {
        return nullptr;
    }
    return gIndexTable[index];
}

size_t ParamCount() { return gCount; }

A_long HostParamCount() { return NextParamIndex(); }

PF_Err AddParamsToHost(PF_InData* in_data, const char* iniPath) {
    // Every parameter's stored default comes from one reading of the file.
    const StoredDefaultsReading reading(iniPath);
    for (A_long i = 1; i < NextParamIndex(); ++i) {
        BaseParam* p = ParamAtIndex(i);
        if (p == nullptr) {
            break;
        }
        if (const PF_Err err = p->AddToHost(in_data, p->id, iniPath)) {
            return err;
        }
    }
    return PF_Err_NONE;
}

PF_Err FetchParams(void* record, ParamGetter& getter) {
    for (A_long i = 1; static_cast<size_t>(i) <= kMaxParams; ++i) {
        BaseParam* p = ParamAtIndex(i);
        if (p == nullptr) {
            break;
        }
        if (const PF_Err err = p->Fetch(record, getter)) {
            return err;
        }
    }
    return PF_Err_NONE;
}

PF_Err ReleaseParams(ParamGetter& getter) {
    for (A_long i = 1; static_cast<size_t>(i) <= kMaxParams; ++i) {
        BaseParam* p = ParamAtIndex(i);
        if (p == nullptr) {
            break;
        }
        if (const PF_Err err = p->Release(getter)) {
            return err;
        }
    }
    return PF_Err_NONE;
}

bool SaveParamDefaults(PF_InData* in_data, const char* iniPath) {
    // Every parameter's value goes into one replacement of the file.
    StoredDefaultsSave save(iniPath);
    for (A_long i = 1; static_cast<size_t>(i) <= kMaxParams; ++i) {
        BaseParam* p = ParamAtIndex(i);
        if (p == nullptr) {
            break;
        }
        p->SaveDefault(in_data, iniPath);
    }
    return save.Commit();
}

}  // namespace Params
