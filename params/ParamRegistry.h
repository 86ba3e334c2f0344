// The process-wide registry of parameter descriptors, ordered by id (for FindParamIndex)
// and by host index (for the registration, fetch, release and save passes).  It owns the
// descriptors.
#pragma once
#include <cstddef>
#include "AEUtil/HostApi.h"
#include "params/BaseParam.h"

namespace Params {

// The most descriptors the id table holds.
constexpr size_t kMaxParams = 16383;

// Deletes every registered descriptor, empties both tables and sets the index counter
// back to 1.  The library unload hook and every rebuild call it.
void ClearParamRegistry();
// Takes ownership of `param` (already given its id) and appends it to the id table; a full
// table deletes it and throws std::length_error.
void AppendParam(BaseParam* param);
// Sorts the id table by id and builds the index table from it.
void FinishParamRegistry();

// The host index of the parameter with `id`, or 0 when no descriptor has it.
A_long FindParamIndex(A_long id);
// The descriptor at host index `index` (1-based), or null past the last one.
BaseParam* ParamAtIndex(A_long index);
// Number of registered descriptors.
size_t ParamCount();
// Number of host parameters: descriptors plus the input layer at index 0.
A_long HostParamCount();

// Registers every descriptor with the host in index order; stops at the first error.
PF_Err AddParamsToHost(PF_InData* in_data, const char* iniPath);
// Fetches every descriptor's value into the effect's value record `record` (may be null),
// each at its offset; stops at the first error.
PF_Err FetchParams(void* record, ParamGetter& getter);
// Gives back what a keeping-mode fetch pass checked out; stops at the first error.
PF_Err ReleaseParams(ParamGetter& getter);
// Writes every descriptor's current value to the stored-defaults file, all in one
// replacement of the file; false when it was not written.
bool SaveParamDefaults(PF_InData* in_data, const char* iniPath);

}  // namespace Params
