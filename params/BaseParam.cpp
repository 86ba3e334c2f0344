#include "params/BaseParam.h"

#include <cstring>

#include "AEUtil/HostVersion.h"

namespace Params {

namespace {
A_long gNextIndex = 1;
}  // namespace

A_long NextParamIndex() { return gNextIndex; }
void ResetParamIndexCounter() { gNextIndex = 1; }

bool StoredDefaultsApply(const PF_InData* in_data) {
    if (in_data->appl_id != kAfterEffectsApplId) {
        return true;
    }
    return HostVersionAbove(in_data, 12, 11);
}

BaseParam::BaseParam(int32_t recordOffset, int32_t recordSize, const char* name,
                     const PF_ParamDef* templateDef)
    : name(name), id(0), index(gNextIndex++), recordOffset(recordOffset),
      recordSize(recordSize) {
    if (templateDef != nullptr) {
        def = *templateDef;
    } else {
        std::memset(&def, 0, sizeof(def));
    }
}

BaseParam::~BaseParam() = default;

PF_Err BaseParam::Fetch(void* record, ParamGetter& getter) {
    if (recordSize == 0) {
        return PF_Err_NONE;
    }
    const bool copyOnly = getter.IsCopyOnly();
    PF_ParamDef temp;
    PF_ParamDef* target = copyOnly ? &temp : &def;
    const PF_Err err = getter.GetParam(index, target);
    if (err != PF_Err_NONE) {
        return err;
    }
    if (record != nullptr) {
        std::memcpy(static_cast<char*>(record) + recordOffset, &target->u,
                    static_cast<size_t>(recordSize));
    }
    if (copyOnly) {
        // Nothing is kept in copy mode, so the temporary checkout goes back at once.
        return getter.ReleaseParam(&temp);
    }
    held_ = true;
    return PF_Err_NONE;
}

PF_Err BaseParam::Release(ParamGetter& getter) {
    if (recordSize == 0 || getter.IsCopyOnly() || !held_) {
        return PF_Err_NONE;
    }
    held_ = false;
    return getter.ReleaseParam(&def);
}

void BaseParam::SaveDefault(PF_InData*, const char*) {}

void BaseParam::BeginDef(PF_InData* in_data, PF_ParamType kind, A_long id, bool withName) {
    def.param_type = kind;
    if (withName) {
        PF_STRCPY(def.name, name);
    }
    def.uu.id = id;
}

PF_Err BaseParam::AddDef(PF_InData* in_data) { return PF_ADD_PARAM(in_data, -1, &def); }

}  // namespace Params
