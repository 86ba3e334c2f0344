// Fixed-width integer names of the suite broker.
#pragma once
#include <stdint.h>

typedef int32_t int32;
