// tests/PngFile.h on zlib alone, for the Windows cross build, which has no libpng: enough of
// PNG for the reference images (8 or 16 bits per sample, grey, grey with alpha, RGB or RGBA,
// not interlaced), so the whole-frame tests compare the Windows build's pixels with the same
// reference images as the native build's.
#include "tests/support/PngFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tonedot::test {
namespace {

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t BE32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void PutBE32(std::vector<unsigned char>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

void Chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    PutBE32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBE32(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

}  // namespace

std::string WritePng(const std::string& path, const PngImage& image) {
    if (image.width <= 0 || image.height <= 0 || (image.bitDepth != 8 && image.bitDepth != 16) ||
        image.samples.size() != static_cast<size_t>(image.width) * image.height * 4)
        return "bad image for " + path;
    const size_t bytesPerSample = image.bitDepth / 8;
    const size_t rowBytes = static_cast<size_t>(image.width) * 4 * bytesPerSample;
    std::vector<unsigned char> raw;
    raw.reserve((rowBytes + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // no filter
        for (size_t i = 0; i < static_cast<size_t>(image.width) * 4; ++i) {
            const uint16_t s = image.samples[static_cast<size_t>(y) * image.width * 4 + i];
            if (bytesPerSample == 2) raw.push_back(static_cast<unsigned char>(s >> 8));
            raw.push_back(static_cast<unsigned char>(s & 0xFF));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
        return "zlib failed for " + path;
    packed.resize(packedSize);

    std::vector<unsigned char> file(kSignature, kSignature + 8);
    std::vector<unsigned char> header;
    PutBE32(header, static_cast<uint32_t>(image.width));
    PutBE32(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {static_cast<unsigned char>(image.bitDepth), 6, 0, 0, 0});
    Chunk(file, "IHDR", header);
    Chunk(file, "IDAT", packed);
    Chunk(file, "IEND", {});
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return "cannot create " + path;
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return out ? "" : "cannot write " + path;
}

std::string ReadPng(const std::string& path, PngImage& image) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot open " + path;
    const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), {});
    if (file.size() < 8 || !std::equal(kSignature, kSignature + 8, file.begin()))
        return "not a PNG: " + path;

    uint32_t width = 0, height = 0;
    int depth = 0, colourType = -1, interlace = 0;
    std::vector<unsigned char> packed;
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = BE32(&file[at]);
        if (length > file.size() - at - 12) return "cut chunk in " + path;
        const std::string type(file.begin() + at + 4, file.begin() + at + 8);
        const unsigned char* data = &file[at + 8];
        if (type == "IHDR" && length >= 13) {
            width = BE32(data);
            height = BE32(data + 4);
            depth = data[8];
            colourType = data[9];
            interlace = data[12];
        } else if (type == "IDAT") {
            packed.insert(packed.end(), data, data + length);
        } else if (type == "IEND") {
            break;
        }
        at += 12 + length;
    }
    int channels = 0;
    switch (colourType) {
    case 0: channels = 1; break;
    case 2: channels = 3; break;
    case 4: channels = 2; break;
    case 6: channels = 4; break;
    default: return "colour type not read here: " + path;
    }
    if ((depth != 8 && depth != 16) || interlace != 0 || width == 0 || height == 0 ||
        width > 16384 || height > 16384)
        return "PNG form not read here: " + path;

    const size_t bytesPerPixel = static_cast<size_t>(channels) * (depth / 8);
    const size_t rowBytes = bytesPerPixel * width;
    std::vector<unsigned char> raw((rowBytes + 1) * height);
    uLongf rawSize = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawSize, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
        rawSize != raw.size())
        return "bad image data in " + path;

    // Undo the row filters in place.
    std::vector<unsigned char> rows(rowBytes * height);
    for (uint32_t y = 0; y < height; ++y) {
        const unsigned char filter = raw[y * (rowBytes + 1)];
        const unsigned char* src = &raw[y * (rowBytes + 1) + 1];
        unsigned char* row = &rows[y * rowBytes];
        const unsigned char* up = y ? &rows[(y - 1) * rowBytes] : nullptr;
        for (size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= bytesPerPixel ? row[i - bytesPerPixel] : 0;
            const int b = up ? up[i] : 0;
            const int c = up && i >= bytesPerPixel ? up[i - bytesPerPixel] : 0;
            int predicted = 0;
            switch (filter) {
            case 0: break;
            case 1: predicted = a; break;
            case 2: predicted = b; break;
            case 3: predicted = (a + b) / 2; break;
            case 4: predicted = Paeth(a, b, c); break;
            default: return "bad row filter in " + path;
            }
            row[i] = static_cast<unsigned char>(src[i] + predicted);
        }
    }

    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.bitDepth = depth;
    image.samples.assign(static_cast<size_t>(width) * height * 4, 0);
    const uint16_t full = depth == 16 ? 65535 : 255;
    for (size_t p = 0; p < static_cast<size_t>(width) * height; ++p) {
        uint16_t s[4] = {0, 0, 0, full};
        for (int ch = 0; ch < channels; ++ch) {
            const unsigned char* q = &rows[p * bytesPerPixel + static_cast<size_t>(ch) * (depth / 8)];
            s[ch] = depth == 16 ? static_cast<uint16_t>(q[0] << 8 | q[1]) : q[0];
        }
        if (channels <= 2) {  // grey (and alpha) to RGBA
            const uint16_t alpha = channels == 2 ? s[1] : full;
            s[1] = s[2] = s[0];
            s[3] = alpha;
        }
        for (int ch = 0; ch < 4; ++ch) image.samples[p * 4 + ch] = s[ch];
    }
    return "";
}

}  // namespace tonedot::test
