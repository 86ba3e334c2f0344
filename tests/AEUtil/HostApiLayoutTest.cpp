// The host's published 64-bit layouts and constants, pinned: a change to sdk/ that would make
// the library unloadable by the real host fails this file's compilation.
#include <cstddef>
#include <string_view>

#include <gtest/gtest.h>

#include "AEUtil/HostApi.h"

#if defined(__x86_64__) || defined(_M_X64)

#define TONEDOT_PIN_SIZE(T, N) static_assert(sizeof(T) == (N), #T " size")
#define TONEDOT_PIN_FIELD(T, F, N) static_assert(offsetof(T, F) == (N), #T "::" #F " offset")


// PF_InData
TONEDOT_PIN_SIZE(PF_InData, 408);
TONEDOT_PIN_FIELD(PF_InData, inter, 0);
TONEDOT_PIN_FIELD(PF_InData, utils, 176);
TONEDOT_PIN_FIELD(PF_InData, effect_ref, 184);
TONEDOT_PIN_FIELD(PF_InData, quality, 192);
TONEDOT_PIN_FIELD(PF_InData, version, 196);
TONEDOT_PIN_FIELD(PF_InData, serial_num, 200);
TONEDOT_PIN_FIELD(PF_InData, appl_id, 204);
TONEDOT_PIN_FIELD(PF_InData, num_params, 208);
TONEDOT_PIN_FIELD(PF_InData, reserved, 212);
TONEDOT_PIN_FIELD(PF_InData, what_cpu, 216);
TONEDOT_PIN_FIELD(PF_InData, what_fpu, 220);
TONEDOT_PIN_FIELD(PF_InData, current_time, 224);
TONEDOT_PIN_FIELD(PF_InData, time_step, 228);
TONEDOT_PIN_FIELD(PF_InData, total_time, 232);
TONEDOT_PIN_FIELD(PF_InData, local_time_step, 236);
TONEDOT_PIN_FIELD(PF_InData, time_scale, 240);
TONEDOT_PIN_FIELD(PF_InData, field, 244);
TONEDOT_PIN_FIELD(PF_InData, shutter_angle, 248);
TONEDOT_PIN_FIELD(PF_InData, width, 252);
TONEDOT_PIN_FIELD(PF_InData, height, 256);
TONEDOT_PIN_FIELD(PF_InData, extent_hint, 260);
TONEDOT_PIN_FIELD(PF_InData, output_origin_x, 276);
TONEDOT_PIN_FIELD(PF_InData, output_origin_y, 280);
TONEDOT_PIN_FIELD(PF_InData, downsample_x, 284);
TONEDOT_PIN_FIELD(PF_InData, downsample_y, 292);
TONEDOT_PIN_FIELD(PF_InData, pixel_aspect_ratio, 300);
TONEDOT_PIN_FIELD(PF_InData, in_flags, 308);
TONEDOT_PIN_FIELD(PF_InData, global_data, 312);
TONEDOT_PIN_FIELD(PF_InData, sequence_data, 320);
TONEDOT_PIN_FIELD(PF_InData, frame_data, 328);
TONEDOT_PIN_FIELD(PF_InData, start_sampL, 336);
TONEDOT_PIN_FIELD(PF_InData, dur_sampL, 340);
TONEDOT_PIN_FIELD(PF_InData, total_sampL, 344);
TONEDOT_PIN_FIELD(PF_InData, src_snd, 352);
TONEDOT_PIN_FIELD(PF_InData, pica_basicP, 384);
TONEDOT_PIN_FIELD(PF_InData, pre_effect_source_origin_x, 392);
TONEDOT_PIN_FIELD(PF_InData, pre_effect_source_origin_y, 396);
TONEDOT_PIN_FIELD(PF_InData, shutter_phase, 400);

// PF_InteractCallbacks
TONEDOT_PIN_SIZE(PF_InteractCallbacks, 176);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, checkout_param, 0);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, checkin_param, 8);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, add_param, 16);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, abort, 24);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, progress, 32);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, register_ui, 40);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, checkout_layer_audio, 48);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, checkin_layer_audio, 56);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, get_audio_data, 64);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, reserved_str, 72);
TONEDOT_PIN_FIELD(PF_InteractCallbacks, reserved, 96);

// PF_UtilCallbacks
TONEDOT_PIN_SIZE(PF_UtilCallbacks, 552);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, begin_sampling, 0);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, subpixel_sample, 8);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, area_sample, 16);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, get_batch_func_is_deprecated, 24);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, end_sampling, 32);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, composite_rect, 40);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, blend, 48);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, convolve, 56);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, copy, 64);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, fill, 72);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, gaussian_kernel, 80);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, iterate, 88);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, premultiply, 96);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, premultiply_color, 104);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, new_world, 112);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, dispose_world, 120);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, iterate_origin, 128);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, iterate_lut, 136);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, transfer_rect, 144);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, transform_world, 152);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, host_new_handle, 160);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, host_lock_handle, 168);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, host_unlock_handle, 176);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, host_dispose_handle, 184);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, get_callback_addr, 192);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, app, 200);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, ansi, 208);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, colorCB, 368);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, get_platform_data, 432);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, host_get_handle_size, 440);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, iterate_origin_non_clip_src, 448);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, iterate_generic, 456);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, host_resize_handle, 464);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, subpixel_sample16, 472);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, area_sample16, 480);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, fill16, 488);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, premultiply_color16, 496);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, iterate16, 504);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, iterate_origin16, 512);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, iterate_origin_non_clip_src16, 520);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, get_pixel_data8, 528);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, get_pixel_data16, 536);
TONEDOT_PIN_FIELD(PF_UtilCallbacks, reserved, 544);

// PF_ANSICallbacks
TONEDOT_PIN_SIZE(PF_ANSICallbacks, 160);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, atan, 0);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, atan2, 8);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, ceil, 16);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, cos, 24);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, exp, 32);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, fabs, 40);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, floor, 48);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, fmod, 56);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, hypot, 64);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, log, 72);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, log10, 80);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, pow, 88);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, sin, 96);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, sqrt, 104);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, tan, 112);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, sprintf, 120);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, strcpy, 128);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, asin, 136);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, acos, 144);
TONEDOT_PIN_FIELD(PF_ANSICallbacks, ansi_procs, 152);

// PF_OutData
TONEDOT_PIN_SIZE(PF_OutData, 408);
TONEDOT_PIN_FIELD(PF_OutData, my_version, 0);
TONEDOT_PIN_FIELD(PF_OutData, name, 4);
TONEDOT_PIN_FIELD(PF_OutData, global_data, 40);
TONEDOT_PIN_FIELD(PF_OutData, num_params, 48);
TONEDOT_PIN_FIELD(PF_OutData, sequence_data, 56);
TONEDOT_PIN_FIELD(PF_OutData, flat_sdata_size, 64);
TONEDOT_PIN_FIELD(PF_OutData, frame_data, 72);
TONEDOT_PIN_FIELD(PF_OutData, width, 80);
TONEDOT_PIN_FIELD(PF_OutData, height, 84);
TONEDOT_PIN_FIELD(PF_OutData, origin, 88);
TONEDOT_PIN_FIELD(PF_OutData, out_flags, 96);
TONEDOT_PIN_FIELD(PF_OutData, return_msg, 100);
TONEDOT_PIN_FIELD(PF_OutData, start_sampL, 356);
TONEDOT_PIN_FIELD(PF_OutData, dur_sampL, 360);
TONEDOT_PIN_FIELD(PF_OutData, dest_snd, 368);
TONEDOT_PIN_FIELD(PF_OutData, out_flags2, 400);

// PF_ParamDef
TONEDOT_PIN_SIZE(PF_ParamDef, 176);
TONEDOT_PIN_FIELD(PF_ParamDef, uu, 0);
TONEDOT_PIN_FIELD(PF_ParamDef, ui_flags, 4);
TONEDOT_PIN_FIELD(PF_ParamDef, ui_width, 8);
TONEDOT_PIN_FIELD(PF_ParamDef, ui_height, 10);
TONEDOT_PIN_FIELD(PF_ParamDef, param_type, 12);
TONEDOT_PIN_FIELD(PF_ParamDef, name, 16);
TONEDOT_PIN_FIELD(PF_ParamDef, flags, 48);
TONEDOT_PIN_FIELD(PF_ParamDef, unused, 52);
TONEDOT_PIN_FIELD(PF_ParamDef, u, 56);

// PF_ParamDefUnion
TONEDOT_PIN_SIZE(PF_ParamDefUnion, 120);
TONEDOT_PIN_FIELD(PF_ParamDefUnion, ld, 0);
TONEDOT_PIN_FIELD(PF_ParamDefUnion, sd, 0);
TONEDOT_PIN_FIELD(PF_ParamDefUnion, fd, 0);
TONEDOT_PIN_FIELD(PF_ParamDefUnion, ad, 0);
TONEDOT_PIN_FIELD(PF_ParamDefUnion, bd, 0);
TONEDOT_PIN_FIELD(PF_ParamDefUnion, cd, 0);
TONEDOT_PIN_FIELD(PF_ParamDefUnion, td, 0);
TONEDOT_PIN_FIELD(PF_ParamDefUnion, pd, 0);
TONEDOT_PIN_FIELD(PF_ParamDefUnion, fs_d, 0);

// PF_LayerDef
TONEDOT_PIN_SIZE(PF_LayerDef, 120);
TONEDOT_PIN_FIELD(PF_LayerDef, reserved0, 0);
TONEDOT_PIN_FIELD(PF_LayerDef, reserved1, 8);
TONEDOT_PIN_FIELD(PF_LayerDef, world_flags, 16);
TONEDOT_PIN_FIELD(PF_LayerDef, data, 24);
TONEDOT_PIN_FIELD(PF_LayerDef, rowbytes, 32);
TONEDOT_PIN_FIELD(PF_LayerDef, width, 36);
TONEDOT_PIN_FIELD(PF_LayerDef, height, 40);
TONEDOT_PIN_FIELD(PF_LayerDef, extent_hint, 44);
TONEDOT_PIN_FIELD(PF_LayerDef, platform_ref, 64);
TONEDOT_PIN_FIELD(PF_LayerDef, reserved_long1, 72);
TONEDOT_PIN_FIELD(PF_LayerDef, reserved_long4, 80);
TONEDOT_PIN_FIELD(PF_LayerDef, pix_aspect_ratio, 88);
TONEDOT_PIN_FIELD(PF_LayerDef, reserved_long2, 96);
TONEDOT_PIN_FIELD(PF_LayerDef, origin_x, 104);
TONEDOT_PIN_FIELD(PF_LayerDef, origin_y, 108);
TONEDOT_PIN_FIELD(PF_LayerDef, reserved_long3, 112);
TONEDOT_PIN_FIELD(PF_LayerDef, dephault, 116);

// PF_SliderDef
TONEDOT_PIN_SIZE(PF_SliderDef, 88);
TONEDOT_PIN_FIELD(PF_SliderDef, value, 0);
TONEDOT_PIN_FIELD(PF_SliderDef, value_str, 4);
TONEDOT_PIN_FIELD(PF_SliderDef, value_desc, 36);
TONEDOT_PIN_FIELD(PF_SliderDef, valid_min, 68);
TONEDOT_PIN_FIELD(PF_SliderDef, valid_max, 72);
TONEDOT_PIN_FIELD(PF_SliderDef, slider_min, 76);
TONEDOT_PIN_FIELD(PF_SliderDef, slider_max, 80);
TONEDOT_PIN_FIELD(PF_SliderDef, dephault, 84);

// PF_FloatSliderDef
TONEDOT_PIN_SIZE(PF_FloatSliderDef, 88);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, value, 0);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, phase, 8);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, value_desc, 16);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, valid_min, 48);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, valid_max, 52);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, slider_min, 56);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, slider_max, 60);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, dephault, 64);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, precision, 68);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, display_flags, 70);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, fs_flags, 72);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, curve_tolerance, 76);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, useExponent, 80);
TONEDOT_PIN_FIELD(PF_FloatSliderDef, exponent, 84);

// PF_AngleDef
TONEDOT_PIN_SIZE(PF_AngleDef, 16);
TONEDOT_PIN_FIELD(PF_AngleDef, value, 0);
TONEDOT_PIN_FIELD(PF_AngleDef, dephault, 4);
TONEDOT_PIN_FIELD(PF_AngleDef, valid_min, 8);
TONEDOT_PIN_FIELD(PF_AngleDef, valid_max, 12);

// PF_ColorDef
TONEDOT_PIN_SIZE(PF_ColorDef, 8);
TONEDOT_PIN_FIELD(PF_ColorDef, value, 0);
TONEDOT_PIN_FIELD(PF_ColorDef, dephault, 4);

// PF_CheckBoxDef
TONEDOT_PIN_SIZE(PF_CheckBoxDef, 16);
TONEDOT_PIN_FIELD(PF_CheckBoxDef, value, 0);
TONEDOT_PIN_FIELD(PF_CheckBoxDef, dephault, 4);
TONEDOT_PIN_FIELD(PF_CheckBoxDef, reserved, 5);
TONEDOT_PIN_FIELD(PF_CheckBoxDef, reserved1, 6);
TONEDOT_PIN_FIELD(PF_CheckBoxDef, u, 8);

// PF_PointDef
TONEDOT_PIN_SIZE(PF_PointDef, 20);
TONEDOT_PIN_FIELD(PF_PointDef, x_value, 0);
TONEDOT_PIN_FIELD(PF_PointDef, y_value, 4);
TONEDOT_PIN_FIELD(PF_PointDef, reserved, 8);
TONEDOT_PIN_FIELD(PF_PointDef, restrict_bounds, 11);
TONEDOT_PIN_FIELD(PF_PointDef, x_dephault, 12);
TONEDOT_PIN_FIELD(PF_PointDef, y_dephault, 16);

// PF_PopupDef
TONEDOT_PIN_SIZE(PF_PopupDef, 16);
TONEDOT_PIN_FIELD(PF_PopupDef, value, 0);
TONEDOT_PIN_FIELD(PF_PopupDef, num_choices, 4);
TONEDOT_PIN_FIELD(PF_PopupDef, dephault, 6);
TONEDOT_PIN_FIELD(PF_PopupDef, u, 8);

// PF_Pixel
TONEDOT_PIN_SIZE(PF_Pixel, 4);
TONEDOT_PIN_FIELD(PF_Pixel, alpha, 0);
TONEDOT_PIN_FIELD(PF_Pixel, red, 1);
TONEDOT_PIN_FIELD(PF_Pixel, green, 2);
TONEDOT_PIN_FIELD(PF_Pixel, blue, 3);

// PF_LRect
TONEDOT_PIN_SIZE(PF_LRect, 16);
TONEDOT_PIN_FIELD(PF_LRect, left, 0);
TONEDOT_PIN_FIELD(PF_LRect, top, 4);
TONEDOT_PIN_FIELD(PF_LRect, right, 8);
TONEDOT_PIN_FIELD(PF_LRect, bottom, 12);

// PF_Point
TONEDOT_PIN_SIZE(PF_Point, 8);
TONEDOT_PIN_FIELD(PF_Point, h, 0);
TONEDOT_PIN_FIELD(PF_Point, v, 4);

// PF_RationalScale
TONEDOT_PIN_SIZE(PF_RationalScale, 8);
TONEDOT_PIN_FIELD(PF_RationalScale, num, 0);
TONEDOT_PIN_FIELD(PF_RationalScale, den, 4);

// PF_SpecVersion
TONEDOT_PIN_SIZE(PF_SpecVersion, 4);
TONEDOT_PIN_FIELD(PF_SpecVersion, major, 0);
TONEDOT_PIN_FIELD(PF_SpecVersion, minor, 2);

// PF_PreRenderExtra
TONEDOT_PIN_SIZE(PF_PreRenderExtra, 24);
TONEDOT_PIN_FIELD(PF_PreRenderExtra, input, 0);
TONEDOT_PIN_FIELD(PF_PreRenderExtra, output, 8);
TONEDOT_PIN_FIELD(PF_PreRenderExtra, cb, 16);

// PF_PreRenderInput
TONEDOT_PIN_SIZE(PF_PreRenderInput, 64);
TONEDOT_PIN_FIELD(PF_PreRenderInput, output_request, 0);
TONEDOT_PIN_FIELD(PF_PreRenderInput, bitdepth, 44);
TONEDOT_PIN_FIELD(PF_PreRenderInput, gpu_data, 48);
TONEDOT_PIN_FIELD(PF_PreRenderInput, what_gpu, 56);
TONEDOT_PIN_FIELD(PF_PreRenderInput, device_index, 60);

// PF_PreRenderOutput
TONEDOT_PIN_SIZE(PF_PreRenderOutput, 56);
TONEDOT_PIN_FIELD(PF_PreRenderOutput, result_rect, 0);
TONEDOT_PIN_FIELD(PF_PreRenderOutput, max_result_rect, 16);
TONEDOT_PIN_FIELD(PF_PreRenderOutput, solid, 32);
TONEDOT_PIN_FIELD(PF_PreRenderOutput, reserved, 33);
TONEDOT_PIN_FIELD(PF_PreRenderOutput, flags, 34);
TONEDOT_PIN_FIELD(PF_PreRenderOutput, pre_render_data, 40);
TONEDOT_PIN_FIELD(PF_PreRenderOutput, delete_pre_render_data_func, 48);

// PF_RenderRequest
TONEDOT_PIN_SIZE(PF_RenderRequest, 44);
TONEDOT_PIN_FIELD(PF_RenderRequest, rect, 0);
TONEDOT_PIN_FIELD(PF_RenderRequest, field, 16);
TONEDOT_PIN_FIELD(PF_RenderRequest, channel_mask, 20);
TONEDOT_PIN_FIELD(PF_RenderRequest, preserve_rgb_of_zero_alpha, 24);
TONEDOT_PIN_FIELD(PF_RenderRequest, unused, 25);
TONEDOT_PIN_FIELD(PF_RenderRequest, reserved, 28);

// PF_CheckoutResult
TONEDOT_PIN_SIZE(PF_CheckoutResult, 76);
TONEDOT_PIN_FIELD(PF_CheckoutResult, result_rect, 0);
TONEDOT_PIN_FIELD(PF_CheckoutResult, max_result_rect, 16);
TONEDOT_PIN_FIELD(PF_CheckoutResult, par, 32);
TONEDOT_PIN_FIELD(PF_CheckoutResult, solid, 40);
TONEDOT_PIN_FIELD(PF_CheckoutResult, reservedB, 41);
TONEDOT_PIN_FIELD(PF_CheckoutResult, ref_width, 44);
TONEDOT_PIN_FIELD(PF_CheckoutResult, ref_height, 48);
TONEDOT_PIN_FIELD(PF_CheckoutResult, reserved, 52);

// PF_PreRenderCallbacks
TONEDOT_PIN_SIZE(PF_PreRenderCallbacks, 16);
TONEDOT_PIN_FIELD(PF_PreRenderCallbacks, checkout_layer, 0);
TONEDOT_PIN_FIELD(PF_PreRenderCallbacks, GuidMixInPtr, 8);

// PF_SmartRenderExtra
TONEDOT_PIN_SIZE(PF_SmartRenderExtra, 16);
TONEDOT_PIN_FIELD(PF_SmartRenderExtra, input, 0);
TONEDOT_PIN_FIELD(PF_SmartRenderExtra, cb, 8);

// PF_SmartRenderInput
TONEDOT_PIN_SIZE(PF_SmartRenderInput, 72);
TONEDOT_PIN_FIELD(PF_SmartRenderInput, output_request, 0);
TONEDOT_PIN_FIELD(PF_SmartRenderInput, bitdepth, 44);
TONEDOT_PIN_FIELD(PF_SmartRenderInput, pre_render_data, 48);
TONEDOT_PIN_FIELD(PF_SmartRenderInput, gpu_data, 56);
TONEDOT_PIN_FIELD(PF_SmartRenderInput, what_gpu, 64);
TONEDOT_PIN_FIELD(PF_SmartRenderInput, device_index, 68);

// PF_SmartRenderCallbacks
TONEDOT_PIN_SIZE(PF_SmartRenderCallbacks, 24);
TONEDOT_PIN_FIELD(PF_SmartRenderCallbacks, checkout_layer_pixels, 0);
TONEDOT_PIN_FIELD(PF_SmartRenderCallbacks, checkin_layer_pixels, 8);
TONEDOT_PIN_FIELD(PF_SmartRenderCallbacks, checkout_output, 16);

// PF_UserChangedParamExtra
TONEDOT_PIN_SIZE(PF_UserChangedParamExtra, 4);
TONEDOT_PIN_FIELD(PF_UserChangedParamExtra, param_index, 0);

// PF_MaskWorld
TONEDOT_PIN_SIZE(PF_MaskWorld, 136);
TONEDOT_PIN_FIELD(PF_MaskWorld, mask, 0);
TONEDOT_PIN_FIELD(PF_MaskWorld, offset, 120);
TONEDOT_PIN_FIELD(PF_MaskWorld, what_is_mask, 128);

// PF_CompositeMode
TONEDOT_PIN_SIZE(PF_CompositeMode, 12);
TONEDOT_PIN_FIELD(PF_CompositeMode, xfer, 0);
TONEDOT_PIN_FIELD(PF_CompositeMode, rand_seed, 4);
TONEDOT_PIN_FIELD(PF_CompositeMode, opacity, 8);
TONEDOT_PIN_FIELD(PF_CompositeMode, rgb_only, 9);
TONEDOT_PIN_FIELD(PF_CompositeMode, opacitySu, 10);

// SPBasicSuite
TONEDOT_PIN_SIZE(SPBasicSuite, 56);
TONEDOT_PIN_FIELD(SPBasicSuite, AcquireSuite, 0);
TONEDOT_PIN_FIELD(SPBasicSuite, ReleaseSuite, 8);
TONEDOT_PIN_FIELD(SPBasicSuite, IsEqual, 16);
TONEDOT_PIN_FIELD(SPBasicSuite, AllocateBlock, 24);
TONEDOT_PIN_FIELD(SPBasicSuite, FreeBlock, 32);
TONEDOT_PIN_FIELD(SPBasicSuite, ReallocateBlock, 40);
TONEDOT_PIN_FIELD(SPBasicSuite, Undefined, 48);

// PF_WorldSuite1
TONEDOT_PIN_SIZE(PF_WorldSuite1, 16);
TONEDOT_PIN_FIELD(PF_WorldSuite1, new_world, 0);
TONEDOT_PIN_FIELD(PF_WorldSuite1, dispose_world, 8);

// PF_WorldSuite2
TONEDOT_PIN_SIZE(PF_WorldSuite2, 24);
TONEDOT_PIN_FIELD(PF_WorldSuite2, PF_NewWorld, 0);
TONEDOT_PIN_FIELD(PF_WorldSuite2, PF_DisposeWorld, 8);
TONEDOT_PIN_FIELD(PF_WorldSuite2, PF_GetPixelFormat, 16);

// PF_FillMatteSuite2
TONEDOT_PIN_SIZE(PF_FillMatteSuite2, 56);
TONEDOT_PIN_FIELD(PF_FillMatteSuite2, fill, 0);
TONEDOT_PIN_FIELD(PF_FillMatteSuite2, fill16, 8);
TONEDOT_PIN_FIELD(PF_FillMatteSuite2, fill_float, 16);
TONEDOT_PIN_FIELD(PF_FillMatteSuite2, premultiply, 24);
TONEDOT_PIN_FIELD(PF_FillMatteSuite2, premultiply_color, 32);
TONEDOT_PIN_FIELD(PF_FillMatteSuite2, premultiply_color16, 40);
TONEDOT_PIN_FIELD(PF_FillMatteSuite2, premultiply_color_float, 48);

// PF_WorldTransformSuite1
TONEDOT_PIN_SIZE(PF_WorldTransformSuite1, 56);
TONEDOT_PIN_FIELD(PF_WorldTransformSuite1, composite_rect, 0);
TONEDOT_PIN_FIELD(PF_WorldTransformSuite1, blend, 8);
TONEDOT_PIN_FIELD(PF_WorldTransformSuite1, convolve, 16);
TONEDOT_PIN_FIELD(PF_WorldTransformSuite1, copy, 24);
TONEDOT_PIN_FIELD(PF_WorldTransformSuite1, copy_hq, 32);
TONEDOT_PIN_FIELD(PF_WorldTransformSuite1, transfer_rect, 40);
TONEDOT_PIN_FIELD(PF_WorldTransformSuite1, transform_world, 48);

// PF_Iterate8Suite1
TONEDOT_PIN_SIZE(PF_Iterate8Suite1, 40);
TONEDOT_PIN_FIELD(PF_Iterate8Suite1, iterate, 0);
TONEDOT_PIN_FIELD(PF_Iterate8Suite1, iterate_origin, 8);
TONEDOT_PIN_FIELD(PF_Iterate8Suite1, iterate_lut, 16);
TONEDOT_PIN_FIELD(PF_Iterate8Suite1, iterate_origin_non_clip_src, 24);
TONEDOT_PIN_FIELD(PF_Iterate8Suite1, iterate_generic, 32);

// PF_HandleSuite1
TONEDOT_PIN_SIZE(PF_HandleSuite1, 48);
TONEDOT_PIN_FIELD(PF_HandleSuite1, host_new_handle, 0);
TONEDOT_PIN_FIELD(PF_HandleSuite1, host_lock_handle, 8);
TONEDOT_PIN_FIELD(PF_HandleSuite1, host_unlock_handle, 16);
TONEDOT_PIN_FIELD(PF_HandleSuite1, host_dispose_handle, 24);
TONEDOT_PIN_FIELD(PF_HandleSuite1, host_get_handle_size, 32);
TONEDOT_PIN_FIELD(PF_HandleSuite1, host_resize_handle, 40);

// PF_ParamUtilsSuite1
TONEDOT_PIN_SIZE(PF_ParamUtilsSuite1, 80);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite1, PF_UpdateParamUI, 0);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite1, PF_GetCurrentStateObsolete, 8);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite1, PF_HasParamChangedObsolete, 16);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite1, PF_HaveInputsChangedOverTimeSpanObsolete, 24);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite1, PF_IsIdenticalCheckout, 32);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite1, PF_FindKeyframeTime, 40);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite1, PF_GetKeyframeCount, 48);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite1, PF_CheckoutKeyframe, 56);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite1, PF_CheckinKeyframe, 64);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite1, PF_KeyIndexToTime, 72);

// PF_ParamUtilsSuite3
TONEDOT_PIN_SIZE(PF_ParamUtilsSuite3, 72);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite3, PF_UpdateParamUI, 0);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite3, PF_GetCurrentState, 8);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite3, PF_AreStatesIdentical, 16);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite3, PF_IsIdenticalCheckout, 24);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite3, PF_FindKeyframeTime, 32);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite3, PF_GetKeyframeCount, 40);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite3, PF_CheckoutKeyframe, 48);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite3, PF_CheckinKeyframe, 56);
TONEDOT_PIN_FIELD(PF_ParamUtilsSuite3, PF_KeyIndexToTime, 64);

// PFAppSuite5
TONEDOT_PIN_SIZE(PFAppSuite5, 96);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_AppGetBgColor, 0);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_AppGetColor, 8);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_AppGetLanguage, 16);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_GetPersonalInfo, 24);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_GetFontStyleSheet, 32);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_SetCursor, 40);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_IsRenderEngine, 48);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_AppColorPickerDialog, 56);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_GetMouse, 64);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_InvalidateRect, 72);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_ConvertLocalToGlobal, 80);
TONEDOT_PIN_FIELD(PFAppSuite5, PF_GetColorAtGlobalPoint, 88);

// constants
static_assert(PF_Cmd_ABOUT == 0, "PF_Cmd_ABOUT");
static_assert(PF_Cmd_GLOBAL_SETUP == 1, "PF_Cmd_GLOBAL_SETUP");
static_assert(PF_Cmd_GLOBAL_SETDOWN == 3, "PF_Cmd_GLOBAL_SETDOWN");
static_assert(PF_Cmd_PARAMS_SETUP == 4, "PF_Cmd_PARAMS_SETUP");
static_assert(PF_Cmd_SEQUENCE_SETUP == 5, "PF_Cmd_SEQUENCE_SETUP");
static_assert(PF_Cmd_SEQUENCE_RESETUP == 6, "PF_Cmd_SEQUENCE_RESETUP");
static_assert(PF_Cmd_SEQUENCE_FLATTEN == 7, "PF_Cmd_SEQUENCE_FLATTEN");
static_assert(PF_Cmd_SEQUENCE_SETDOWN == 8, "PF_Cmd_SEQUENCE_SETDOWN");
static_assert(PF_Cmd_DO_DIALOG == 9, "PF_Cmd_DO_DIALOG");
static_assert(PF_Cmd_FRAME_SETUP == 10, "PF_Cmd_FRAME_SETUP");
static_assert(PF_Cmd_RENDER == 11, "PF_Cmd_RENDER");
static_assert(PF_Cmd_FRAME_SETDOWN == 12, "PF_Cmd_FRAME_SETDOWN");
static_assert(PF_Cmd_USER_CHANGED_PARAM == 13, "PF_Cmd_USER_CHANGED_PARAM");
static_assert(PF_Cmd_UPDATE_PARAMS_UI == 14, "PF_Cmd_UPDATE_PARAMS_UI");
static_assert(PF_Cmd_EVENT == 15, "PF_Cmd_EVENT");
static_assert(PF_Cmd_GET_EXTERNAL_DEPENDENCIES == 16, "PF_Cmd_GET_EXTERNAL_DEPENDENCIES");
static_assert(PF_Cmd_COMPLETELY_GENERAL == 17, "PF_Cmd_COMPLETELY_GENERAL");
static_assert(PF_Cmd_QUERY_DYNAMIC_FLAGS == 18, "PF_Cmd_QUERY_DYNAMIC_FLAGS");
static_assert(PF_Cmd_AUDIO_RENDER == 19, "PF_Cmd_AUDIO_RENDER");
static_assert(PF_Cmd_AUDIO_SETUP == 20, "PF_Cmd_AUDIO_SETUP");
static_assert(PF_Cmd_AUDIO_SETDOWN == 21, "PF_Cmd_AUDIO_SETDOWN");
static_assert(PF_Cmd_ARBITRARY_CALLBACK == 22, "PF_Cmd_ARBITRARY_CALLBACK");
static_assert(PF_Cmd_SMART_PRE_RENDER == 23, "PF_Cmd_SMART_PRE_RENDER");
static_assert(PF_Cmd_SMART_RENDER == 24, "PF_Cmd_SMART_RENDER");
static_assert(PF_Cmd_GET_FLATTENED_SEQUENCE_DATA == 28, "PF_Cmd_GET_FLATTENED_SEQUENCE_DATA");
static_assert(PF_Err_NONE == 0, "PF_Err_NONE");
static_assert(PF_Err_OUT_OF_MEMORY == 4, "PF_Err_OUT_OF_MEMORY");
static_assert(PF_Err_INTERNAL_STRUCT_DAMAGED == 512, "PF_Err_INTERNAL_STRUCT_DAMAGED");
static_assert(PF_Err_INVALID_INDEX == 513, "PF_Err_INVALID_INDEX");
static_assert(PF_Err_UNRECOGNIZED_PARAM_TYPE == 514, "PF_Err_UNRECOGNIZED_PARAM_TYPE");
static_assert(PF_Err_INVALID_CALLBACK == 515, "PF_Err_INVALID_CALLBACK");
static_assert(PF_Err_BAD_CALLBACK_PARAM == 516, "PF_Err_BAD_CALLBACK_PARAM");
static_assert(PF_Interrupt_CANCEL == 517, "PF_Interrupt_CANCEL");
static_assert(PF_Err_CANNOT_PARSE_KEYFRAME_TEXT == 518, "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT");
static_assert(PF_Param_LAYER == 0, "PF_Param_LAYER");
static_assert(PF_Param_SLIDER == 1, "PF_Param_SLIDER");
static_assert(PF_Param_FIX_SLIDER == 2, "PF_Param_FIX_SLIDER");
static_assert(PF_Param_ANGLE == 3, "PF_Param_ANGLE");
static_assert(PF_Param_CHECKBOX == 4, "PF_Param_CHECKBOX");
static_assert(PF_Param_COLOR == 5, "PF_Param_COLOR");
static_assert(PF_Param_POINT == 6, "PF_Param_POINT");
static_assert(PF_Param_POPUP == 7, "PF_Param_POPUP");
static_assert(PF_Param_CUSTOM == 8, "PF_Param_CUSTOM");
static_assert(PF_Param_NO_DATA == 9, "PF_Param_NO_DATA");
static_assert(PF_Param_FLOAT_SLIDER == 10, "PF_Param_FLOAT_SLIDER");
static_assert(PF_Param_ARBITRARY_DATA == 11, "PF_Param_ARBITRARY_DATA");
static_assert(PF_Param_PATH == 12, "PF_Param_PATH");
static_assert(PF_Param_GROUP_START == 13, "PF_Param_GROUP_START");
static_assert(PF_Param_GROUP_END == 14, "PF_Param_GROUP_END");
static_assert(PF_Param_BUTTON == 15, "PF_Param_BUTTON");
static_assert(PF_Param_RESERVED2 == 16, "PF_Param_RESERVED2");
static_assert(PF_Param_RESERVED3 == 17, "PF_Param_RESERVED3");
static_assert(PF_Param_POINT_3D == 18, "PF_Param_POINT_3D");
static_assert(PF_ParamFlag_CANNOT_TIME_VARY == 2, "PF_ParamFlag_CANNOT_TIME_VARY");
static_assert(PF_ParamFlag_CANNOT_INTERP == 4, "PF_ParamFlag_CANNOT_INTERP");
static_assert(PF_ParamFlag_COLLAPSE_TWIRLY == 32, "PF_ParamFlag_COLLAPSE_TWIRLY");
static_assert(PF_ParamFlag_SUPERVISE == 64, "PF_ParamFlag_SUPERVISE");
static_assert(PF_ParamFlag_START_COLLAPSED == 32, "PF_ParamFlag_START_COLLAPSED");
static_assert(PF_PUI_DISABLED == 32, "PF_PUI_DISABLED");
static_assert(PF_ValueDisplayFlag_PERCENT == 1, "PF_ValueDisplayFlag_PERCENT");
static_assert(PF_FSliderFlag_WANT_PHASE == 1, "PF_FSliderFlag_WANT_PHASE");
static_assert(PF_ChangeFlag_CHANGED_VALUE == 1, "PF_ChangeFlag_CHANGED_VALUE");
static_assert(PF_LayerDefault_MYSELF == -1, "PF_LayerDefault_MYSELF");
static_assert(PF_LayerDefault_NONE == 0, "PF_LayerDefault_NONE");
static_assert(PF_OutFlag_WIDE_TIME_INPUT == 2, "PF_OutFlag_WIDE_TIME_INPUT");
static_assert(PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING == 16, "PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING");
static_assert(PF_OutFlag_I_DO_DIALOG == 32, "PF_OutFlag_I_DO_DIALOG");
static_assert(PF_OutFlag_USE_OUTPUT_EXTENT == 64, "PF_OutFlag_USE_OUTPUT_EXTENT");
static_assert(PF_OutFlag_DEEP_COLOR_AWARE == 33554432, "PF_OutFlag_DEEP_COLOR_AWARE");
static_assert(PF_OutFlag_SEND_UPDATE_PARAMS_UI == 67108864, "PF_OutFlag_SEND_UPDATE_PARAMS_UI");
static_assert(PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS == 1, "PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS");
static_assert(PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG == 8, "PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG");
static_assert(PF_OutFlag2_I_AM_THREADSAFE == 16, "PF_OutFlag2_I_AM_THREADSAFE");
static_assert(PF_OutFlag2_SUPPORTS_SMART_RENDER == 1024, "PF_OutFlag2_SUPPORTS_SMART_RENDER");
static_assert(PF_OutFlag2_FLOAT_COLOR_AWARE == 4096, "PF_OutFlag2_FLOAT_COLOR_AWARE");
static_assert(PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA == 8388608, "PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA");
static_assert(PF_OutFlag2_SUPPORTS_THREADED_RENDERING == 134217728, "PF_OutFlag2_SUPPORTS_THREADED_RENDERING");
static_assert(PF_PixelFormat_ARGB32 == 1650946657, "PF_PixelFormat_ARGB32");
static_assert(PF_PixelFormat_ARGB64 == 909206881, "PF_PixelFormat_ARGB64");
static_assert(PF_PixelFormat_ARGB128 == 842229089, "PF_PixelFormat_ARGB128");
static_assert(PF_PixelFormat_INVALID == 1717854562, "PF_PixelFormat_INVALID");
static_assert(PF_WorldFlag_DEEP == 1, "PF_WorldFlag_DEEP");
static_assert(PF_NewWorldFlag_CLEAR_PIXELS == 1, "PF_NewWorldFlag_CLEAR_PIXELS");
static_assert(PF_NewWorldFlag_DEEP_PIXELS == 2, "PF_NewWorldFlag_DEEP_PIXELS");
static_assert(PF_Quality_HI == 1, "PF_Quality_HI");
static_assert(PF_Quality_LO == 0, "PF_Quality_LO");
static_assert(PF_Field_FRAME == 0, "PF_Field_FRAME");
static_assert(PF_ChannelMask_ARGB == 15, "PF_ChannelMask_ARGB");
static_assert(PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS == 1, "PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS");
static_assert(PF_MaskFlag_NONE == 0, "PF_MaskFlag_NONE");
static_assert(PF_MaskFlag_INVERTED == 1, "PF_MaskFlag_INVERTED");
static_assert(PF_Xfer_IN_FRONT == 2, "PF_Xfer_IN_FRONT");
static_assert(PF_MF_Alpha_STRAIGHT == 1, "PF_MF_Alpha_STRAIGHT");
static_assert(PF_MF_Alpha_PREMUL == 0, "PF_MF_Alpha_PREMUL");
static_assert(PF_PlatData_MAIN_WND == 0, "PF_PlatData_MAIN_WND");
static_assert(PF_Stage_RELEASE == 3, "PF_Stage_RELEASE");
static_assert(PF_MAX_EFFECT_MSG_LEN == 255, "PF_MAX_EFFECT_MSG_LEN");
static_assert(PF_MAX_EFFECT_PARAM_NAME_LEN == 31, "PF_MAX_EFFECT_PARAM_NAME_LEN");
static_assert(PF_MAX_PARAM_DESCRIPTION_LEN == 31, "PF_MAX_PARAM_DESCRIPTION_LEN");
static_assert(PF_MAX_PARAM_VALUE_LEN == 31, "PF_MAX_PARAM_VALUE_LEN");
static_assert(PF_VERSION(1,6,1,PF_Stage_RELEASE,7) == 724487UL, "PF_VERSION");
static_assert(PF_MAX_CHAN16 == 32768, "PF_MAX_CHAN16");
static_assert(std::string_view(kPFWorldSuite) == "PF World Suite", "kPFWorldSuite");
static_assert(std::string_view(kPFFillMatteSuite) == "PF Fill Matte Suite", "kPFFillMatteSuite");
static_assert(std::string_view(kPFWorldTransformSuite) == "PF World Transform Suite", "kPFWorldTransformSuite");
static_assert(std::string_view(kPFHandleSuite) == "PF Handle Suite", "kPFHandleSuite");
static_assert(std::string_view(kPFParamUtilsSuite) == "PF Param Utils Suite", "kPFParamUtilsSuite");
static_assert(std::string_view(kPFAppSuite) == "PF AE App Suite", "kPFAppSuite");
static_assert(std::string_view(kSPBasicSuite) == "SP Basic Suite", "kSPBasicSuite");
static_assert(kPFWorldSuiteVersion1 == 1, "kPFWorldSuiteVersion1");
static_assert(kPFWorldSuiteVersion2 == 2, "kPFWorldSuiteVersion2");
static_assert(kPFFillMatteSuiteVersion2 == 2, "kPFFillMatteSuiteVersion2");
static_assert(kPFWorldTransformSuiteVersion1 == 1, "kPFWorldTransformSuiteVersion1");
static_assert(kPFHandleSuiteVersion1 == 2, "kPFHandleSuiteVersion1");
static_assert(kPFParamUtilsSuiteVersion3 == 3, "kPFParamUtilsSuiteVersion3");
static_assert(kPFAppSuiteVersion6 == 1, "kPFAppSuiteVersion6");
static_assert(std::string_view(kPFIterate8Suite) == "PF Iterate8 Suite", "kPFIterate8Suite");
static_assert(kPFIterate8SuiteVersion1 == 1, "kPFIterate8SuiteVersion1");
static_assert(PF_Iterations_ONCE_PER_PROCESSOR == -1, "PF_Iterations_ONCE_PER_PROCESSOR");

// Basic widths.
static_assert(sizeof(A_long) == 4 && sizeof(A_u_long) == 4 && sizeof(A_short) == 2, "ints");
static_assert(sizeof(PF_Boolean) == 1 && sizeof(A_FpLong) == 8 && sizeof(PF_FpShort) == 4, "reals");
static_assert(sizeof(PF_Handle) == 8 && sizeof(A_u_longlong) == 8 && sizeof(SPBoolean) == 4, "wide");
static_assert(sizeof(PF_Pixel8) == 4 && sizeof(PF_Pixel16) == 8 && sizeof(PF_PixelFloat) == 16,
              "pixels");
static_assert(sizeof(PF_PixelFormat) == 4 && sizeof(PF_Err) == 4 && sizeof(SPErr) == 4, "codes");

#endif

// The pins above are compile-time; this records in the test list that they were compiled.
TEST(HostApiLayout, PinnedAtCompileTime) {
#if defined(__x86_64__) || defined(_M_X64)
    EXPECT_EQ(sizeof(PF_InData), 408u);
    EXPECT_EQ(sizeof(PF_OutData), 408u);
#else
    GTEST_SKIP() << "the published layouts are those of x86-64";
#endif
}

