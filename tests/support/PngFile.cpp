#include "tests/support/PngFile.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace tonedot::test {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// libpng reports errors by longjmp; the functions below keep every object that needs a
// destructor outside the setjmp frame.
bool WriteRows(std::FILE* file, const PngImage& image, std::vector<png_bytep>& rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), image.bitDepth,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct ReadHeader {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0;
};

bool ReadRows(std::FILE* file, ReadHeader& header, std::vector<unsigned char>& bytes,
              std::vector<png_bytep>& rows) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    header.width = png_get_image_width(png, info);
    header.height = png_get_image_height(png, info);
    header.bitDepth = png_get_bit_depth(png, info);
    if (header.width > 16384 || header.height > 16384 || png_get_channels(png, info) != 4) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    const size_t rowBytes = png_get_rowbytes(png, info);
    bytes.assign(rowBytes * header.height, 0);
    rows.assign(header.height, nullptr);
    for (png_uint_32 y = 0; y < header.height; ++y) rows[y] = bytes.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

std::string WritePng(const std::string& path, const PngImage& image) {
    if (image.width <= 0 || image.height <= 0 || (image.bitDepth != 8 && image.bitDepth != 16) ||
        image.samples.size() != static_cast<size_t>(image.width) * image.height * 4)
        return "bad image for " + path;
    const size_t bytesPerSample = image.bitDepth / 8;
    const size_t rowBytes = static_cast<size_t>(image.width) * 4 * bytesPerSample;
    std::vector<unsigned char> bytes(rowBytes * image.height);
    for (size_t i = 0; i < image.samples.size(); ++i) {
        if (bytesPerSample == 1) {
            bytes[i] = static_cast<unsigned char>(image.samples[i]);
        } else {  // PNG stores 16-bit samples big-endian
            bytes[2 * i] = static_cast<unsigned char>(image.samples[i] >> 8);
            bytes[2 * i + 1] = static_cast<unsigned char>(image.samples[i] & 0xFF);
        }
    }
    std::vector<png_bytep> rows(image.height);
    for (int y = 0; y < image.height; ++y) rows[y] = bytes.data() + y * rowBytes;
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) return "cannot create " + path;
    if (!WriteRows(file.get(), image, rows)) return "libpng failed writing " + path;
    if (std::fflush(file.get()) != 0) return "cannot write " + path;
    return "";
}

std::string ReadPng(const std::string& path, PngImage& image) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return "cannot open " + path;
    ReadHeader header;
    std::vector<unsigned char> bytes;
    std::vector<png_bytep> rows;
    if (!ReadRows(file.get(), header, bytes, rows)) return "not a readable PNG: " + path;
    image.width = static_cast<int>(header.width);
    image.height = static_cast<int>(header.height);
    image.bitDepth = header.bitDepth == 16 ? 16 : 8;
    const size_t count = static_cast<size_t>(image.width) * image.height * 4;
    image.samples.resize(count);
    for (size_t i = 0; i < count; ++i) {
        image.samples[i] = image.bitDepth == 16
                               ? static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1])
                               : bytes[i];
    }
    return "";
}

}  // namespace tonedot::test
