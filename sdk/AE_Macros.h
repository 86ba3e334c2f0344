// Convenience macros over the callbacks in PF_InData, as the host SDK names them.
#pragma once
#include "AE_Effect.h"

#define PF_ADD_PARAM(IN_DATA, INDEX, DEF) ((IN_DATA)->inter.add_param((IN_DATA)->effect_ref, (INDEX), (DEF)))
#define PF_CHECKOUT_PARAM(IN_DATA, INDEX, TIME, STEP, SCALE, PARAM) \
    ((IN_DATA)->inter.checkout_param((IN_DATA)->effect_ref, (INDEX), (TIME), (STEP), (SCALE), (PARAM)))
#define PF_CHECKIN_PARAM(IN_DATA, PARAM) ((IN_DATA)->inter.checkin_param((IN_DATA)->effect_ref, (PARAM)))
#define PF_PROGRESS(IN_DATA, CURRENT, TOTAL) ((IN_DATA)->inter.progress((IN_DATA)->effect_ref, (CURRENT), (TOTAL)))
#define PF_ABORT(IN_DATA) ((IN_DATA)->inter.abort((IN_DATA)->effect_ref))
#define PF_SPRINTF (*in_data->utils->ansi.sprintf)
#define PF_STRCPY (*in_data->utils->ansi.strcpy)
#define PF_NEW_HANDLE (*in_data->utils->host_new_handle)
#define PF_LOCK_HANDLE (*in_data->utils->host_lock_handle)
#define PF_UNLOCK_HANDLE (*in_data->utils->host_unlock_handle)
#define PF_DISPOSE_HANDLE (*in_data->utils->host_dispose_handle)
#define PF_GET_HANDLE_SIZE (*in_data->utils->host_get_handle_size)
#define PF_GET_PLATFORM_DATA(PF_PLAT_DATA_ID, DATA) \
    (*in_data->utils->get_platform_data)(in_data->effect_ref, (PF_PLAT_DATA_ID), (DATA))
