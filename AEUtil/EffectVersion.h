// The effect's version and the capability flags it declares to the host.  The PiPL resource
// carries the same numbers.
#pragma once
#include "AEUtil/HostApi.h"
#include "TonedotVersion.h"

// The numbers come from the build (project(VERSION ...)); the stage is stated here.
constexpr A_u_long kEffectStage = PF_Stage_RELEASE;
constexpr A_u_long kEffectVersion =
    PF_VERSION(TONEDOT_VERSION_MAJOR, TONEDOT_VERSION_MINOR, TONEDOT_VERSION_BUGFIX, kEffectStage,
               TONEDOT_VERSION_BUILD);

constexpr PF_OutFlags kEffectOutFlags =
    PF_OutFlag_WIDE_TIME_INPUT | PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING |
    PF_OutFlag_I_DO_DIALOG | PF_OutFlag_USE_OUTPUT_EXTENT | PF_OutFlag_DEEP_COLOR_AWARE |
    PF_OutFlag_SEND_UPDATE_PARAMS_UI;

constexpr PF_OutFlags2 kEffectOutFlags2 =
    PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS | PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG |
    PF_OutFlag2_I_AM_THREADSAFE | PF_OutFlag2_SUPPORTS_SMART_RENDER |
    PF_OutFlag2_FLOAT_COLOR_AWARE | PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA |
    PF_OutFlag2_SUPPORTS_THREADED_RENDERING;

static_assert(kEffectOutFlags == 0x06000072, "out_flags");
static_assert(kEffectOutFlags2 == 0x08801419, "out_flags2");
