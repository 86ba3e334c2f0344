#include "effect/ParamUIState.h"
#include <algorithm>
#include <initializer_list>
#include "AEUtil/SeqHeader.h"
#include "AEUtil/SuiteHolder.h"
#include "effect/ParamIds.h"
#include "look/Choices.h"
#include "look/SequenceUIState.h"
#include "effect/ParamTable.h"
#include "params/ParamRegistry.h"
#include "params/ParamUtilsSuiteRef.h"
#include "render/base/Constants.h"

using namespace Look;
using namespace Params;
using namespace Render;

namespace {

bool ValidIndex(const PF_InData* in_data, PF_ParamDef* params[], A_long index)
{
    return index > 0 && index < in_data->num_params && params[index] != nullptr;
}

// The current value of a parameter by id; 0 when the parameter is not in the array.
A_long PopupValue(const PF_InData* in_data, PF_ParamDef* params[], A_long id)
{
    const A_long index = FindParamIndex(id);
    return ValidIndex(in_data, params, index) ? params[index]->u.pd.value : 0;
}

bool CheckboxOn(const PF_InData* in_data, PF_ParamDef* params[], A_long id)
{
    const A_long index = FindParamIndex(id);
    return ValidIndex(in_data, params, index) && params[index]->u.bd.value == 1;
}

// The live sequence data of the instance, locked through `lock`/`unlock` for as long as the
// object lives; Header() is null when there is none the UI handlers may touch.
template <class Lock, class Unlock, class Size>
class LockedUiState {
public:
    LockedUiState(PF_Handle handle, Lock lock, Unlock unlock, Size size)
        : handle_(handle), unlock_(unlock)
    {
        if (!handle_) return;
        block_ = lock(handle_);
        if (block_ && IsLiveSeqBlock(block_, static_cast<std::size_t>(size(handle_))))
            header_ = static_cast<SeqHeader*>(block_);
    }
    ~LockedUiState()
    {
        if (block_) unlock_(handle_);
    }
    LockedUiState(const LockedUiState&) = delete;
    LockedUiState& operator=(const LockedUiState&) = delete;

    SeqHeader* Header() const { return header_; }

private:
    PF_Handle handle_;
    Unlock unlock_;
    void* block_ = nullptr;
    SeqHeader* header_ = nullptr;
};

template <class Lock, class Unlock, class Size>
LockedUiState<Lock, Unlock, Size> LockUiState(PF_Handle handle, Lock lock, Unlock unlock,
                                              Size size)
{
    return LockedUiState<Lock, Unlock, Size>(handle, lock, unlock, size);
}

}  // namespace

void SetParamsEnabled(ParamUtilsSuiteRef& suite, PF_InData* in_data, PF_ParamDef* params[],
                      bool enabled, const std::vector<A_long>& indices)
{
    for (A_long index : indices) {
        if (!ValidIndex(in_data, params, index)) continue;
        PF_ParamDef copy = *params[index];
        if (enabled) copy.ui_flags &= ~PF_PUI_DISABLED;
        else copy.ui_flags |= PF_PUI_DISABLED;
        suite.UpdateParamUI(in_data->effect_ref, index, &copy);
    }
}

PF_Err ApplyParamUIRules(PF_InData* in_data, PF_OutData*, PF_ParamDef* params[])
{
    if (!in_data || !params) return PF_Err_BAD_CALLBACK_PARAM;
    ParamUtilsSuiteRef suite(in_data);  // throws PF_Err_BAD_CALLBACK_PARAM when refused
    auto set = [&](bool enabled, std::initializer_list<A_long> ids) {
        // The rules name parameters by id; the host knows them by index.
        std::vector<A_long> indices;
        indices.reserve(ids.size());
        for (A_long id : ids) indices.push_back(FindParamIndex(id));
        SetParamsEnabled(suite, in_data, params, enabled, indices);
    };

    // The mask layer only for "Mask" Layer; "Invert Mask" unless there is no mask at all.
    const A_long mask = PopupValue(in_data, params, ParamId::Mask);
    set(mask == Look::kMaskLayer, {ParamId::MaskTargetLayer});
    set(mask != Look::kMaskNone, {ParamId::InvertMask});

    for (int n = 0; n < Look::kEffectorCount; ++n) {
        const ParamId::Effector e = ParamId::EffectorIds(n);
        // An effector that is off has every member off.
        const bool on = CheckboxOn(in_data, params, e.enable);
        set(on, {e.effectMap, e.angle, e.position, e.centerDotToFront, e.size, e.falloff,
                 e.customMapLayer, e.tiling, e.fitToLayer, e.pickSourceColor, e.absolute,
                 e.absSize, e.absAspect, e.absRotation, e.absOpacity, e.ratioSize, e.ratioAspect,
                 e.ratioRotation, e.ratioOpacity, e.offsetSize, e.offsetAspect, e.offsetRotation,
                 e.offsetOpacity, e.color, e.blendMode, e.blendColor, e.shiftHue});
        if (!on) continue;
        const A_long map = PopupValue(in_data, params, e.effectMap);
        const bool custom = map == Look::kEffectMapCustom;
        const bool fit = CheckboxOn(in_data, params, e.fitToLayer);
        // The layer and how it is laid only for a custom map; size and falloff only for the
        // drawn maps.
        set(custom, {e.customMapLayer, e.tiling, e.fitToLayer, e.pickSourceColor});
        set(!custom, {e.size, e.falloff});
        // The angle turns a custom map laid by hand and the linear maps; a map fitted to
        // the layer has neither angle nor position.
        set((custom && !fit) || map == Look::kEffectMapLinear || map == Look::kEffectMapLinearMirror,
            {e.angle});
        set(!custom || !fit, {e.position});
        // The absolute values only with "Absolute n", the blending only with "Color n".
        set(CheckboxOn(in_data, params, e.absolute),
            {e.absSize, e.absAspect, e.absRotation, e.absOpacity});
        set(CheckboxOn(in_data, params, e.color), {e.blendMode, e.blendColor});
    }

    // Remember the "Distance Between" choice the first time, for ConvertDotDistances.
    const PF_UtilCallbacks* u = in_data->utils;
    if (in_data->sequence_data && u && u->host_lock_handle && u->host_unlock_handle &&
        u->host_get_handle_size) {
        auto state = LockUiState(in_data->sequence_data, u->host_lock_handle,
                                 u->host_unlock_handle, u->host_get_handle_size);
        if (SeqHeader* h = state.Header()) {
            SequenceUIState ui = ReadUIState(*h);
            if (ui.uiStateSet == 0) {
                ui.distanceChoice = PopupValue(in_data, params, ParamId::DistanceBetween);
                ui.uiStateSet = 1;
                WriteUIState(*h, ui);
            }
        }
    }
    return PF_Err_NONE;
}

PF_Err ConvertDotDistances(PF_InData* in_data, PF_OutData*, PF_ParamDef* params[],
                           A_long changedIndex)
{
    if (!in_data || !params) return PF_Err_BAD_CALLBACK_PARAM;
    const A_long distanceIndex = FindParamIndex(ParamId::DistanceBetween);
    if (changedIndex != distanceIndex || !ValidIndex(in_data, params, distanceIndex) ||
        !in_data->sequence_data)
        return PF_Err_NONE;

    SuiteHolder suites(in_data->pica_basicP);
    const PF_HandleSuite1* handles = suites.HandleSuite1();  // throws when refused
    auto state = LockUiState(in_data->sequence_data, handles->host_lock_handle,
                             handles->host_unlock_handle, handles->host_get_handle_size);
    SeqHeader* h = state.Header();
    if (!h) return PF_Err_NONE;
    SequenceUIState ui = ReadUIState(*h);
    if (ui.uiStateSet == 0) return PF_Err_NONE;

    const A_long choice = params[distanceIndex]->u.pd.value;
    if (choice == ui.distanceChoice) return PF_Err_NONE;
    if (choice != Look::kDistanceDots && choice != Look::kDistanceCenters) return PF_Err_NONE;
    ui.distanceChoice = choice;
    WriteUIState(*h, ui);

    const A_long sizeIndex = FindParamIndex(ParamId::DotSize);
    if (!ValidIndex(in_data, params, sizeIndex)) return PF_Err_NONE;
    const double dotSize = params[sizeIndex]->u.fs_d.value;
    for (A_long id : {ParamId::DotDistanceX, ParamId::DotDistanceY}) {
        const A_long index = FindParamIndex(id);
        if (!ValidIndex(in_data, params, index)) continue;
        PF_FpLong& distance = params[index]->u.fs_d.value;
        if (choice == Look::kDistanceDots) distance = std::max(0.0, distance - dotSize);
        else distance = std::min(kMaxDotDistance, distance + dotSize);
        params[index]->uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
    }
    return PF_Err_NONE;
}
