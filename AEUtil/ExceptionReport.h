// Turns whatever a command threw into the host error code and the message the host shows.
#pragma once
#include "AEUtil/HostApi.h"

namespace AEUtil {

// The name of a host error code for the "error code = %d\n%s" message: "PF_Err_NONE",
// "PF_Err_OUT_OF_MEMORY", ..., empty for 1 to 3, "unknown" for codes the host does not define.
const char* ErrorCodeName(PF_Err code) noexcept;

// Copies text into out_data->return_msg, cut to fit and always terminated.
void SetReturnMessage(PF_OutData* out_data, const char* text) noexcept;

// To be called inside a catch block: maps the exception being handled to its result code and
// writes its message into out_data->return_msg.
//   AEUtil::AEException -> its code, its message
//   other std::exception -> PF_Err_INTERNAL_STRUCT_DAMAGED, what()
//   int                  -> the integer, "error code = %d\n%s"
//   anything else        -> PF_Err_INTERNAL_STRUCT_DAMAGED, the Shift-JIS text for "unknown error"
PF_Err ReportCurrentException(PF_OutData* out_data) noexcept;

// Runs body and returns its result, or the reported result of whatever it threw.
template <class Body>
PF_Err Guarded(PF_OutData* out_data, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return ReportCurrentException(out_data);
    }
}

}  // namespace AEUtil
