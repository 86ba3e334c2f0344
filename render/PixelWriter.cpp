#include "render/PixelWriter.h"

void CopyPixelBytes(void* dst, const void* src, size_t bytes) { std::memcpy(dst, src, bytes); }
