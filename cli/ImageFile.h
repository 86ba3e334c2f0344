// Reading and writing image files (PNG, JPEG, TIFF, OpenEXR and whatever else the image
// library knows) to and from the host's pixel layout.
//
// Colour in files is taken as straight (unassociated) where the format says so (PNG,
// TIFF with unassociated alpha) and unpremultiplied where it is associated (OpenEXR,
// TIFF with associated alpha); grey images become grey RGB; images without alpha become
// opaque.  16-bit files (0..65535) map to the host's 0..32768 and back exactly.
#pragma once
#include <optional>
#include <string>

#include "cli/Picture.h"

namespace tonedot::cli {

struct LoadedImage {
    Picture picture;
    Depth fileDepth = Depth::Bits8;  // the depth the file itself holds
};

// Reads the first image of a file, in `depth` when given, else in the file's own depth.
// Throws an IO CliError naming the file when it is missing, unreadable or not an image.
LoadedImage ReadImage(const std::string& path, std::optional<Depth> depth = std::nullopt);

// Throws a usage CliError when no writer knows the file name's extension.
void CheckWritableFormat(const std::string& path);

// Writes the picture to `path` through a temporary file renamed into place, keeping its
// depth where the format can (PNG: 8 or 16-bit; JPEG: 8-bit without alpha; TIFF: 8, 16
// or float; OpenEXR: half for 8 and 16-bit pictures, float for float ones, premultiplied
// as that format expects).  Throws an IO CliError; nothing is left at `path` on failure.
void WriteImage(const std::string& path, const Picture& picture);

// The lower-case extension of a file name without the dot ("" when none).
std::string ExtensionOf(const std::string& path);

}  // namespace tonedot::cli
