// Basic scalar types of the host API, as the host lays them out on 64-bit Windows.
#pragma once
#include <cstddef>
#include <cstdint>

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef unsigned char A_u_char;
typedef double A_FpLong;
typedef float A_FpShort;
typedef int32_t A_Err;
typedef unsigned char A_Boolean;
typedef int64_t A_longlong;
typedef uint64_t A_u_longlong;
typedef A_u_longlong A_HandleSize;
typedef void** A_Handle;

typedef struct {
    A_long value;
    A_u_long scale;
} A_Time;

enum { A_Err_NONE = 0 };
