// What a host callback answers when the host's code behind it throws: no exception goes
// back into the effect, whose frames may not be C++ at all.
#pragma once
#include <new>
#include <type_traits>

#include "AEUtil/HostApi.h"

namespace tonedot {

// Calls f() (which returns nothing or a PF_Err) and answers its error, PF_Err_OUT_OF_MEMORY
// for an allocation that failed, PF_Err_INTERNAL_STRUCT_DAMAGED for anything else thrown.
template <class F>
PF_Err ErrorOfCall(F&& f) noexcept {
    try {
        if constexpr (std::is_void_v<decltype(f())>) {
            f();
            return PF_Err_NONE;
        } else {
            return f();
        }
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

}  // namespace tonedot
