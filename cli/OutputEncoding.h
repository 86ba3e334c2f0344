// How an output image is encoded: the compression method and level (--compression
// NAME[:LEVEL]) and the JPEG quality (--jpeg-quality Q), checked against the output's format.
#pragma once
#include <optional>
#include <string>

namespace tonedot::cli {

struct OutputEncoding {
    std::string compression;   // the format's method ("zip", "lzw", "piz"...); empty: the default
    int compressionLevel = -1; // the method's level; -1: the method's default
    int jpegQuality = -1;      // 1 to 100; -1: the writer's default
};

// Checks --compression and --jpeg-quality against the output format named by its file
// extension ("png", "tif", "exr", "jpg"...).  For JPEG, "jpeg:Q" is the same as
// --jpeg-quality Q.  Throws a usage CliError naming the methods and levels the format takes.
OutputEncoding ParseOutputEncoding(const std::optional<std::string>& compression,
                                   const std::optional<std::string>& jpegQuality,
                                   const std::string& extension);

}  // namespace tonedot::cli
