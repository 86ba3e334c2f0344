#include "render/raster/PixelWriter.h"

namespace Render {

void CopyPixelBytes(void* dst, const void* src, size_t bytes) { std::memcpy(dst, src, bytes); }

}  // namespace Render
