// The library's only way in: every host command arrives at EntryPointFunc.
#include "AEUtil/EntryPoint.h"

#include <new>

#include "AEUtil/BaseFilter.h"
#include "AEUtil/ExceptionReport.h"
#include "AEUtil/HostApi.h"
#include "AEUtil/LibraryLifetime.h"
#include "AEUtil/SuiteHolder.h"

namespace {

// The single effect object, built by CreateEffect in the effect's static storage.
BaseFilter* gEffect = nullptr;  // the object while it is alive
bool gCreated = false;          // the first call has built the object and the descriptors

PF_Err RunCommand(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output, void* extra) {
    // Only checks that the basic suite is there; operations hold their own suites.
    SuiteHolder suites(in_data->pica_basicP);

    PF_Err err = PF_Err_NONE;
    if (!gCreated) {
        if (!gEffect) gEffect = CreateEffect();
        gEffect->CreateParams(in_data);
        err = gEffect->Initialize(in_data, out_data, params, output);
        gCreated = true;
    } else if (!gEffect) {
        // After PF_Cmd_GLOBAL_SETDOWN the object is gone; only a new global setup builds it
        // again (the descriptors live as long as the library).
        if (cmd != PF_Cmd_GLOBAL_SETUP) return PF_Err_BAD_CALLBACK_PARAM;
        gEffect = CreateEffect();
        err = gEffect->Initialize(in_data, out_data, params, output);
    }
    if (err == PF_Err_NONE) err = gEffect->Dispatch(cmd, in_data, out_data, params, output, extra);
    return err;
}

}  // namespace

extern "C" TONEDOT_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                          PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    if (!in_data || !out_data) return PF_Err_BAD_CALLBACK_PARAM;
    if (in_data->appl_id != kAfterEffectsApplId) return PF_Err_BAD_CALLBACK_PARAM;

    const PF_Err err = AEUtil::Guarded(out_data, [&] {
        return RunCommand(cmd, in_data, out_data, params, output, extra);
    });
    // Destroyed in place whatever the result; the storage stays.
    if (cmd == PF_Cmd_GLOBAL_SETDOWN) AEUtil::DestroyEffect();
    return err;
}

namespace AEUtil {

void DestroyEffect() noexcept {
    if (!gEffect) return;
    BaseFilter* effect = gEffect;
    gEffect = nullptr;
    effect->~BaseFilter();
}

}  // namespace AEUtil
