// The function the host calls for every command; the library exports it and nothing else.
#pragma once
#include "AEUtil/HostApi.h"

#if defined(_WIN32)
#define TONEDOT_EXPORT __declspec(dllexport)
#else
#define TONEDOT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TONEDOT_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,
                                                PF_OutData* out_data, PF_ParamDef* params[],
                                                PF_LayerDef* output, void* extra);
