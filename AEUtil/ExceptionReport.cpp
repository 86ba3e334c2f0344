#include "AEUtil/ExceptionReport.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include "AEUtil/AEException.h"

namespace AEUtil {
namespace {

// "不明なエラー" in code page 932, whatever the user-interface language.
const char kUnknownErrorSjis[] = "\x95\x73\x96\xBE\x82\xC8\x83\x47\x83\x89\x81\x5B";

}  // namespace

const char* ErrorCodeName(PF_Err code) noexcept {
    switch (code) {
        case PF_Err_NONE: return "PF_Err_NONE";
        case 1:
        case 2:
        case 3: return "";
        case PF_Err_OUT_OF_MEMORY: return "PF_Err_OUT_OF_MEMORY";
        case PF_Err_INTERNAL_STRUCT_DAMAGED: return "PF_Err_INTERNAL_STRUCT_DAMAGED";
        case PF_Err_INVALID_INDEX: return "PF_Err_INVALID_INDEX";
        case PF_Err_UNRECOGNIZED_PARAM_TYPE: return "PF_Err_UNRECOGNIZED_PARAM_TYPE";
        case PF_Err_INVALID_CALLBACK: return "PF_Err_INVALID_CALLBACK";
        case PF_Err_BAD_CALLBACK_PARAM: return "PF_Err_BAD_CALLBACK_PARAM";
        case PF_Interrupt_CANCEL: return "PF_Interrupt_CANCEL";
        case PF_Err_CANNOT_PARSE_KEYFRAME_TEXT: return "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT";
        default: return "unknown";
    }
}

void SetReturnMessage(PF_OutData* out_data, const char* text) noexcept {
    if (!out_data) return;
    const size_t capacity = sizeof out_data->return_msg;
    const size_t length = text ? strnlen(text, capacity - 1) : 0;
    if (length) std::memcpy(out_data->return_msg, text, length);
    out_data->return_msg[length] = '\0';
}

PF_Err ReportCurrentException(PF_OutData* out_data) noexcept {
    try {
        throw;
    } catch (const AEException& e) {
        SetReturnMessage(out_data, e.Message());
        return e.Code();
    } catch (const std::exception& e) {
        SetReturnMessage(out_data, e.what());
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    } catch (int code) {
        char message[2048];
        std::snprintf(message, sizeof message, "error code = %d\n%s", code,
                      ErrorCodeName(code));
        SetReturnMessage(out_data, message);
        return code;
    } catch (...) {
        SetReturnMessage(out_data, kUnknownErrorSjis);
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

}  // namespace AEUtil
