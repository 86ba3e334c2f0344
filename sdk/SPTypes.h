// Suite-broker scalar types.
#pragma once
#include <cstdint>

typedef int32_t int32;
typedef int32_t SPErr;
typedef int SPBoolean;

#define kSPNoError 0
