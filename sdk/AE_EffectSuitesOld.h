// Older versions of two effect suites.  Only AE_EffectSuites.h includes this header, after
// the types these use.
#ifndef _H_AE_EffectSuitesOld
#error this header is included only by AE_EffectSuites.h
#endif

// Version 2 of the parameter utilities suite, under the name the SDK gives it.
#define kPFParamUtilsSuiteVersion1 2

typedef struct PF_ParamUtilsSuite1 {
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                               const PF_ParamDef* defP);
    PF_Err (*PF_GetCurrentStateObsolete)(PF_ProgPtr effect_ref, PF_State* stateP);
    PF_Err (*PF_HasParamChangedObsolete)(PF_ProgPtr effect_ref, const PF_State* stateP,
                                         PF_ParamIndex param_index, PF_Boolean* changedPB);
    PF_Err (*PF_HaveInputsChangedOverTimeSpanObsolete)(PF_ProgPtr effect_ref,
                                                       const PF_State* stateP,
                                                       const A_Time* startPT,
                                                       const A_Time* durationPT,
                                                       PF_Boolean* changedPB);
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
} PF_ParamUtilsSuite1;

// Version 7 of the app suite.
#define kPFAppSuiteVersion5 7

typedef struct PFAppSuite5 {
    PF_Err (*PF_AppGetBgColor)(PF_App_Color* bg_colorP);
    PF_Err (*PF_AppGetColor)(PF_App_ColorType color_type, PF_App_Color* app_colorP);
    PF_Err (*PF_AppGetLanguage)(A_char* lang_tagZ);
    PF_Err (*PF_GetPersonalInfo)(PF_AppPersonalTextInfo* ptiP);
    PF_Err (*PF_GetFontStyleSheet)(PF_FontStyleSheet sheet, PF_FontName* font_nameP,
                                   A_short* font_numPS, A_short* sizePS, A_short* stylePS);
    PF_Err (*PF_SetCursor)(PF_CursorType cursor);
    PF_Err (*PF_IsRenderEngine)(PF_Boolean* render_enginePB);
    PF_Err (*PF_AppColorPickerDialog)(const A_char* dialog_titleZ0, const PF_PixelFloat* sample_colorP,
                                      PF_Boolean use_ws_to_monitor_xformB,
                                      PF_PixelFloat* result_colorP);
    PF_Err (*PF_GetMouse)(PF_Point* pointP);
    PF_Err (*PF_InvalidateRect)(const PF_ContextH contextH, const PF_Rect* rectP0);
    PF_Err (*PF_ConvertLocalToGlobal)(const PF_Point* localP, PF_Point* globalP);
    PF_Err (*PF_GetColorAtGlobalPoint)(const PF_Point* globalP, A_short radius,
                                       PF_EyeDropperSampleMode mode, PF_PixelFloat* sample_colorP);
} PFAppSuite5;
