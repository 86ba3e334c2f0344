// Reading and writing RGBA PNG files of 8 or 16 bits per channel (libpng), for the
// reference images of the whole-frame tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tonedot::test {

struct PngImage {
    int width = 0;
    int height = 0;
    int bitDepth = 8;                // 8 or 16
    std::vector<uint16_t> samples;   // red, green, blue, alpha per pixel, rows top to bottom

    int MaxValue() const { return bitDepth == 16 ? 65535 : 255; }
    uint16_t& At(int x, int y, int channel) {
        return samples[(static_cast<size_t>(y) * width + x) * 4 + channel];
    }
    uint16_t At(int x, int y, int channel) const {
        return samples[(static_cast<size_t>(y) * width + x) * 4 + channel];
    }
};

// Both return "" on success, otherwise what went wrong.
std::string WritePng(const std::string& path, const PngImage& image);
// Any PNG is read as RGBA at its own depth (8 or 16 bits; lower depths become 8).
std::string ReadPng(const std::string& path, PngImage& image);

}  // namespace tonedot::test
