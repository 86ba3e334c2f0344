// Writes an RGB picture as a PNG file (stored, uncompressed deflate blocks: no zlib needed),
// so tests can keep screenshots next to their output.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace PngFile {

// `rgb` holds width * height pixels, three bytes each, rows from the top.  False when the
// file cannot be written.
bool WriteRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace PngFile
