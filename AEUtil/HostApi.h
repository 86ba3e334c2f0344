// The one place the effect includes the host's API from.  The build points the include
// path either at our own declarations in sdk/ or at a real SDK's header folder.
#pragma once
#include "AE_Effect.h"
#include "AE_EffectCB.h"
#include "AE_EffectCBSuites.h"
#include "AE_EffectSuites.h"
#include "SPBasic.h"

// The application id After Effects puts into PF_InData::appl_id ('FXTC').
constexpr A_long kAfterEffectsApplId = ('F' << 24) | ('X' << 16) | ('T' << 8) | 'C';
