// Basic scalar types of the host API, as the host lays them out on 64-bit Windows.
#pragma once
#include <stdint.h>

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef char A_char;
typedef double A_FpLong;
typedef float A_FpShort;
typedef A_long A_Err;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef uint8_t A_u_char;
typedef uint8_t A_Boolean;
typedef uint64_t A_u_longlong;
typedef A_u_longlong A_HandleSize;

typedef struct {
    A_long value;
    A_u_long scale;
} A_Time;

// The type of the host's old enumerations: a char for GCC builds, a 32-bit integer otherwise.
#if defined(__GNUC__)
typedef A_char A_LegacyEnumType;
#else
typedef A_long A_LegacyEnumType;
#endif
