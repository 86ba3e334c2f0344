// Reading and writing image files (PNG, JPEG, TIFF, OpenEXR and whatever else the image
// library knows) to and from the host's pixel layout.
//
// Colour in files is taken as straight (unassociated) where the format says so (PNG,
// TIFF with unassociated alpha) and unpremultiplied where it is associated (OpenEXR,
// TIFF with associated alpha); grey images become grey RGB; images without alpha become
// opaque; an EXIF orientation is applied, so the picture is upright.  16-bit files
// (0..65535) map to the host's 0..32768 and back exactly.
//
// What a file carries besides its pixels (colour profile, gamma, EXIF, XMP and other
// metadata, data and display windows, channel layout, pixel type, compression) travels
// with the picture as its SourceTraits and is written again where the output format holds it.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "session/Picture.h"
#include "cli/Names.h"

namespace tonedot::cli {

// What an image file held besides its pixels; opaque outside the image-file code.
struct SourceTraits;

struct LoadedImage {
    Picture picture;
    Depth fileDepth = Depth::Bits8;  // the depth the file itself holds
    bool hasAlpha = false;           // the file has an alpha channel
    std::shared_ptr<const SourceTraits> traits;
};

// The header of an image file: size, channels and the bytes its first image takes.
struct ImageHeader {
    int width = 0, height = 0, channels = 0;
    Depth fileDepth = Depth::Bits8;
};

// Reads the header only.  Throws an IO CliError naming the file when it is missing,
// unreadable, not an image, or holds several images (an animation or a multi-page file).
ImageHeader ReadImageHeader(const std::string& path);

// Reads the image of a file, in `depth` when given, else in the file's own depth.
// Throws an IO CliError naming the file when it is missing, unreadable, damaged (the
// library's messages folded into one line), not an image, or holds several images.
LoadedImage ReadImage(const std::string& path, std::optional<Depth> depth = std::nullopt);

// Whether the file is one image that decodes to its end (a frame cut short by a crash or a
// full disk does not).
bool DecodesWhole(const std::string& path);

// Throws a usage CliError when no writer knows the file name's extension.
void CheckWritableFormat(const std::string& path);

// How the writer encodes.
struct WriteOptions {
    // The format's compression method (PNG: zip; TIFF: none, lzw, zip, packbits, jpeg;
    // OpenEXR: none, rle, zip, zips, piz, pxr24, b44, b44a, dwaa, dwab) and its level.
    // Empty: the input's own when it has the output's format, else none for TIFF and the
    // format's usual one otherwise.
    std::string compression;
    int compressionLevel = -1;  // -1: the method's default
    int jpegQuality = -1;       // 1-100; -1: 95
    // The input the picture came from: its metadata, layout and pixel type are kept.
    const SourceTraits* source = nullptr;
    // Pixels per inch to tag the file with (over the source's); 0: as the source has it.
    double dpi = 0;
};

// Writes the pixels to `path` through a temporary file renamed into place, keeping the
// depth where the format can (PNG: 8 or 16-bit; JPEG: 8-bit without alpha; TIFF: 8, 16 or
// float; OpenEXR: half for 8 and 16-bit pictures, float for float ones, premultiplied as
// that format expects) and the source's pixel type when it was the same depth in a format
// that holds it (half stays half).  Alpha is written when the source had it or the result
// is not opaque; a format that cannot hold transparency that the result has gets a
// warning.  Every byte is checked to the disk; throws an IO CliError and leaves `path` as
// it was on any failure.
void WriteImage(const std::string& path, const PixelView& pixels, const WriteOptions& options = {});
inline void WriteImage(const std::string& path, const Picture& picture, const WriteOptions& options = {}) {
    WriteImage(path, picture.View(), options);
}

// The same, the picture handed over a band of rows at a time (in order, each band a
// view of whole rows), so that it is never held whole.  Whether the whole picture is
// opaque and grey must be known when the file is opened.  Nothing is in `path` before
// Finish() succeeds; a writer dropped before that leaves no file.
class ImageStripWriter {
public:
    ImageStripWriter(const std::string& path, int width, int height, Depth depth, bool opaque, bool grey,
                     const WriteOptions& options = {});
    ~ImageStripWriter();
    ImageStripWriter(const ImageStripWriter&) = delete;
    ImageStripWriter& operator=(const ImageStripWriter&) = delete;
    void Write(const PixelView& rows);
    void Finish();

private:
    struct State;
    std::string path_;
    int width_, height_;
    Depth depth_;
    int written_ = 0;
    std::unique_ptr<State> state_;
};

// The colour profile an input file embeds (the ICC profile's bytes), "" when none.
std::string EmbeddedColourProfile(const SourceTraits* traits);

// The lower-case extension of a file name without the dot ("" when none).
std::string ExtensionOf(const std::string& path);

}  // namespace tonedot::cli
