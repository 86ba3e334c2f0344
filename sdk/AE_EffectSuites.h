// Effect suites reached through the basic suite.  The older versions of two of them are in
// AE_EffectSuitesOld.h, which only this header includes.
#pragma once
#include <AE_Effect.h>
#include <AE_EffectUI.h>
#include <SPBasic.h>

typedef struct {
    A_long reservedAL[4];
} PF_State;

typedef A_long PF_TimeDir;
typedef A_long PF_KeyIndex;

#define kPFParamUtilsSuite "PF Param Utils Suite"
#define kPFParamUtilsSuiteVersion3 3

typedef struct PF_ParamUtilsSuite3 {
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                               const PF_ParamDef* defP);
    PF_Err (*PF_GetCurrentState)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                                 const A_Time* startPT, const A_Time* durationPT,
                                 PF_State* stateP);
    PF_Err (*PF_AreStatesIdentical)(PF_ProgPtr effect_ref, const PF_State* state1P,
                                    const PF_State* state2P, A_Boolean* samePB);
    PF_Err (*PF_IsIdenticalCheckout)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                                     A_long what_time1, A_long time_step1, A_u_long time_scale1,
                                     A_long what_time2, A_long time_step2, A_u_long time_scale2,
                                     PF_Boolean* identicalPB);
    PF_Err (*PF_FindKeyframeTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                                  A_long what_time, A_u_long time_scale, PF_TimeDir time_dir,
                                  PF_Boolean* foundPB, PF_KeyIndex* key_indexP,
                                  A_long* key_timeP, A_u_long* key_timescaleP);
    PF_Err (*PF_GetKeyframeCount)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                                  PF_KeyIndex* key_countP);
    PF_Err (*PF_CheckoutKeyframe)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                                  PF_KeyIndex key_index, A_long* key_timeP,
                                  A_u_long* key_timescaleP, PF_ParamDef* paramP);
    PF_Err (*PF_CheckinKeyframe)(PF_ProgPtr effect_ref, PF_ParamDef* paramP);
    PF_Err (*PF_KeyIndexToTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                                PF_KeyIndex key_indexP, A_long* key_timeP,
                                A_u_long* key_timescaleP);
} PF_ParamUtilsSuite3;

#define kPFAppSuite "PF AE App Suite"
#define kPFAppSuiteVersion6 1  // the SDK's name for version 1 of the app suite

typedef A_short PF_App_ColorType;
typedef A_short PF_EyeDropperSampleMode;

typedef struct PF_App_Color {
    A_u_short red;
    A_u_short green;
    A_u_short blue;
} PF_App_Color;

// Carried in the suite's signatures only; never looked into.
typedef struct PF_AppPersonalTextInfo PF_AppPersonalTextInfo;

typedef A_LegacyEnumType PF_FontStyleSheet;

#define PF_FONT_NAME_LEN 255
typedef struct PF_FontName {
    A_char font_nameAC[PF_FONT_NAME_LEN + 1];
} PF_FontName;

// PF_AppGetLanguage writes a five-letter tag and a zero.
#define PF_APP_LANG_TAG_SIZE (5 + 1)

#define _H_AE_EffectSuitesOld
#include "AE_EffectSuitesOld.h"
#undef _H_AE_EffectSuitesOld
