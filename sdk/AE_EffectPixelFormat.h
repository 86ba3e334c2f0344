// Pixel formats of host worlds: four characters packed first-character-lowest.
#pragma once
#include "A.h"

enum {
    PF_PixelFormat_ARGB32 = 0x62677261,   // 'argb': 8 bits per channel
    PF_PixelFormat_ARGB64 = 0x36316561,   // 'ae16': 16 bits per channel, 0..32768
    PF_PixelFormat_ARGB128 = 0x32336561,  // 'ae32': float channels
    PF_PixelFormat_INVALID = 0x66646162,  // 'badf'
    PF_PixelFormat_FORCE_LONG_INT = 0xFFFFFFFF
};
typedef A_long PF_PixelFormat;
