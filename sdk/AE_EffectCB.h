// The host's callbacks reached through PF_InData::utils, the types they take and the macros
// over them, as the host lays them out on 64-bit Windows.
#pragma once
#include <AE_Effect.h>

typedef A_u_long PF_KernelFlags;

enum { PF_Xfer_NONE = -1, PF_Xfer_COPY = 0, PF_Xfer_BEHIND = 1, PF_Xfer_IN_FRONT = 2 };

enum { PF_MaskFlag_NONE = 0, PF_MaskFlag_INVERTED = 1L << 0, PF_MaskFlag_LUMINANCE = 1L << 1 };
typedef A_long PF_MaskFlags;

typedef struct {
    PF_EffectWorld mask;
    PF_Point offset;
    PF_MaskFlags what_is_mask;
} PF_MaskWorld;

// Carried in the callback signatures only; never looked into.
typedef struct PF_SampPB PF_SampPB;

typedef A_long PF_CallbackID;
typedef struct PF_YouMustCastThisToActualFunctionType* PF_CallbackFunc;

enum {
    PF_PlatData_MAIN_WND = 0,
    PF_PlatData_EXE_FILE_PATH_DEPRECATED = 1,
    PF_PlatData_RES_FILE_PATH_DEPRECATED = 2,
    PF_PlatData_RES_REFNUM = 3,
    PF_PlatData_RES_DLLINSTANCE = 4
};
typedef A_long PF_PlatDataID;

typedef struct {
    A_FpLong (*atan)(A_FpLong);
    A_FpLong (*atan2)(A_FpLong y, A_FpLong x);
    A_FpLong (*ceil)(A_FpLong);
    A_FpLong (*cos)(A_FpLong);
    A_FpLong (*exp)(A_FpLong);
    A_FpLong (*fabs)(A_FpLong);
    A_FpLong (*floor)(A_FpLong);
    A_FpLong (*fmod)(A_FpLong, A_FpLong);
    A_FpLong (*hypot)(A_FpLong, A_FpLong);
    A_FpLong (*log)(A_FpLong);
    A_FpLong (*log10)(A_FpLong);
    A_FpLong (*pow)(A_FpLong, A_FpLong);
    A_FpLong (*sin)(A_FpLong);
    A_FpLong (*sqrt)(A_FpLong);
    A_FpLong (*tan)(A_FpLong);
    int (*sprintf)(A_char*, const A_char*, ...);
    A_char* (*strcpy)(A_char*, const A_char*);
    A_FpLong (*asin)(A_FpLong);
    A_FpLong (*acos)(A_FpLong);
    A_long ansi_procs[1];
} PF_ANSICallbacks;

typedef struct {
    PF_Err (*RGBtoHLS)(PF_ProgPtr, PF_Pixel*, PF_Fixed*);
    PF_Err (*HLStoRGB)(PF_ProgPtr, PF_Fixed*, PF_Pixel*);
    PF_Err (*RGBtoYIQ)(PF_ProgPtr, PF_Pixel*, PF_Fixed*);
    PF_Err (*YIQtoRGB)(PF_ProgPtr, PF_Fixed*, PF_Pixel*);
    PF_Err (*Luminance)(PF_ProgPtr, PF_Pixel*, A_long*);
    PF_Err (*Hue)(PF_ProgPtr, PF_Pixel*, A_long*);
    PF_Err (*Lightness)(PF_ProgPtr, PF_Pixel*, A_long*);
    PF_Err (*Saturation)(PF_ProgPtr, PF_Pixel*, A_long*);
} PF_ColorCallbacks;

enum {
    PF_NewWorldFlag_NONE = 0,
    PF_NewWorldFlag_CLEAR_PIXELS = 1L << 0,
    PF_NewWorldFlag_DEEP_PIXELS = 1L << 1
};
typedef A_long PF_NewWorldFlags;

typedef PF_Err (*PF_IteratePixel8Func)(void* refconP, A_long xL, A_long yL, PF_Pixel* inP,
                                       PF_Pixel* outP);
typedef PF_Err (*PF_IteratePixel16Func)(void* refconP, A_long xL, A_long yL, PF_Pixel16* inP,
                                        PF_Pixel16* outP);

// What iterate_generic may be given as its count: "once for each thread the host offers".
// The worker function itself is never passed it.
#define PF_Iterations_ONCE_PER_PROCESSOR (-1L)

typedef struct _PF_UtilCallbacks {
    PF_Err (*begin_sampling)(PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_SampPB*);
    PF_Err (*subpixel_sample)(PF_ProgPtr, PF_Fixed, PF_Fixed, const PF_SampPB*, PF_Pixel*);
    PF_Err (*area_sample)(PF_ProgPtr, PF_Fixed, PF_Fixed, const PF_SampPB*, PF_Pixel*);
    void* get_batch_func_is_deprecated;
    PF_Err (*end_sampling)(PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_SampPB*);
    PF_Err (*composite_rect)(PF_ProgPtr, PF_Rect*, A_long, PF_EffectWorld*, A_long, A_long,
                             PF_Field, PF_XferMode, PF_EffectWorld*);
    PF_Err (*blend)(PF_ProgPtr, const PF_EffectWorld*, const PF_EffectWorld*, PF_Fixed,
                    PF_EffectWorld*);
    PF_Err (*convolve)(PF_ProgPtr, PF_EffectWorld*, const PF_Rect*, PF_KernelFlags, A_long, void*,
                       void*, void*, void*, PF_EffectWorld*);
    PF_Err (*copy)(PF_ProgPtr, PF_EffectWorld*, PF_EffectWorld*, PF_Rect*, PF_Rect*);
    PF_Err (*fill)(PF_ProgPtr, const PF_Pixel*, const PF_Rect*, PF_EffectWorld*);
    PF_Err (*gaussian_kernel)(PF_ProgPtr, A_FpLong, PF_KernelFlags, A_FpLong, A_long*, void*);
    PF_Err (*iterate)(PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, void*,
                      PF_IteratePixel8Func, PF_EffectWorld*);
    PF_Err (*premultiply)(PF_ProgPtr, A_long, PF_EffectWorld*);
    PF_Err (*premultiply_color)(PF_ProgPtr, PF_EffectWorld*, const PF_Pixel*, A_long,
                                PF_EffectWorld*);
    PF_Err (*new_world)(PF_ProgPtr, A_long, A_long, PF_NewWorldFlags, PF_EffectWorld*);
    PF_Err (*dispose_world)(PF_ProgPtr, PF_EffectWorld*);
    PF_Err (*iterate_origin)(PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*,
                             const PF_Point*, void*, PF_IteratePixel8Func, PF_EffectWorld*);
    PF_Err (*iterate_lut)(PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, A_u_char*,
                          A_u_char*, A_u_char*, A_u_char*, PF_EffectWorld*);
    PF_Err (*transfer_rect)(PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_Field, const PF_Rect*,
                            const PF_EffectWorld*, const PF_CompositeMode*, const PF_MaskWorld*,
                            A_long, A_long, PF_EffectWorld*);
    PF_Err (*transform_world)(PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_Field,
                              const PF_EffectWorld*, const PF_CompositeMode*, const PF_MaskWorld*,
                              const PF_FloatMatrix*, A_long, PF_Boolean, const PF_Rect*,
                              PF_EffectWorld*);
    PF_Handle (*host_new_handle)(A_u_longlong size);
    void* (*host_lock_handle)(PF_Handle);
    void (*host_unlock_handle)(PF_Handle);
    void (*host_dispose_handle)(PF_Handle);
    PF_Err (*get_callback_addr)(PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_CallbackID,
                                PF_CallbackFunc*);
    PF_Err (*app)(PF_ProgPtr, A_long, ...);
    PF_ANSICallbacks ansi;
    PF_ColorCallbacks colorCB;
    PF_Err (*get_platform_data)(PF_ProgPtr, PF_PlatDataID, void*);
    A_u_longlong (*host_get_handle_size)(PF_Handle);
    PF_Err (*iterate_origin_non_clip_src)(PF_InData*, A_long, A_long, PF_EffectWorld*,
                                          const PF_Rect*, const PF_Point*, void*,
                                          PF_IteratePixel8Func, PF_EffectWorld*);
    PF_Err (*iterate_generic)(A_long iterationsL, void* refconPV,
                              PF_Err (*fn_func)(void* refconPV, A_long thread_indexL, A_long i,
                                                A_long iterationsL));
    PF_Err (*host_resize_handle)(A_u_longlong, PF_Handle*);
    PF_Err (*subpixel_sample16)(PF_ProgPtr, PF_Fixed, PF_Fixed, const PF_SampPB*, PF_Pixel16*);
    PF_Err (*area_sample16)(PF_ProgPtr, PF_Fixed, PF_Fixed, const PF_SampPB*, PF_Pixel16*);
    PF_Err (*fill16)(PF_ProgPtr, const PF_Pixel16*, const PF_Rect*, PF_EffectWorld*);
    PF_Err (*premultiply_color16)(PF_ProgPtr, PF_EffectWorld*, const PF_Pixel16*, A_long,
                                  PF_EffectWorld*);
    PF_Err (*iterate16)(PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, void*,
                        PF_IteratePixel16Func, PF_EffectWorld*);
    PF_Err (*iterate_origin16)(PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*,
                               const PF_Point*, void*, PF_IteratePixel16Func, PF_EffectWorld*);
    PF_Err (*iterate_origin_non_clip_src16)(PF_InData*, A_long, A_long, PF_EffectWorld*,
                                            const PF_Rect*, const PF_Point*, void*,
                                            PF_IteratePixel16Func, PF_EffectWorld*);
    PF_Err (*get_pixel_data8)(PF_EffectWorld*, PF_PixelPtr, PF_Pixel8**);
    PF_Err (*get_pixel_data16)(PF_EffectWorld*, PF_PixelPtr, PF_Pixel16**);
    A_long reserved[1];
} PF_UtilCallbacks;

#define PF_SPRINTF (*in_data->utils->ansi.sprintf)
#define PF_STRCPY(DST, SRC) (*in_data->utils->ansi.strcpy)((DST), (SRC))
