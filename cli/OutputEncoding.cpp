#include "cli/OutputEncoding.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "session/ClosestNames.h"
#include "cli/ExitCodes.h"
#include "cli/Names.h"

namespace tonedot::cli {
namespace {

struct Method {
    const char* name;
    int minLevel, maxLevel;  // 0, 0: takes no level
};

struct FormatMethods {
    std::vector<std::string> extensions;
    const char* shown;
    std::vector<Method> methods;
};

const std::vector<FormatMethods>& Formats() {
    static const std::vector<FormatMethods> formats = {
        {{"png"}, "PNG", {{"zip", 0, 9}}},
        {{"tif", "tiff"}, "TIFF", {{"none", 0, 0}, {"lzw", 0, 0}, {"zip", 1, 9}, {"packbits", 0, 0}}},
        {{"exr"},
         "OpenEXR",
         {{"none", 0, 0}, {"rle", 0, 0}, {"zip", 1, 9}, {"zips", 1, 9}, {"piz", 0, 0}, {"pxr24", 0, 0},
          {"b44", 0, 0}, {"b44a", 0, 0}, {"dwaa", 1, 1000}, {"dwab", 1, 1000}}},
        {{"jpg", "jpeg", "jpe", "jfif"}, "JPEG", {{"jpeg", 1, 100}}},
    };
    return formats;
}

bool ParseInt(const std::string& text, int& out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size();
}

std::string Choices(const FormatMethods& format) {
    std::string text;
    for (const Method& m : format.methods) {
        if (!text.empty()) text += ", ";
        text += m.name;
        if (m.maxLevel > 0) text += "[:" + std::to_string(m.minLevel) + "-" + std::to_string(m.maxLevel) + "]";
    }
    return text;
}

int JpegQuality(const std::string& text, const std::string& shown) {
    int q = 0;
    if (!ParseInt(text, q) || q < 1 || q > 100)
        throw UsageError("bad " + shown + " \"" + text + "\": expected a JPEG quality from 1 to 100.");
    return q;
}

}  // namespace

OutputEncoding ParseOutputEncoding(const std::optional<std::string>& compression,
                                   const std::optional<std::string>& jpegQuality,
                                   const std::string& extension) {
    OutputEncoding encoding;
    const auto format = std::find_if(Formats().begin(), Formats().end(), [&](const FormatMethods& f) {
        return std::find(f.extensions.begin(), f.extensions.end(), extension) != f.extensions.end();
    });
    const bool jpeg = format != Formats().end() && std::string(format->shown) == "JPEG";
    if (jpegQuality) {
        if (!jpeg) throw UsageError("--jpeg-quality is for JPEG outputs (.jpg); this output is \"." + extension + "\".");
        encoding.jpegQuality = JpegQuality(*jpegQuality, "--jpeg-quality");
    }
    if (!compression) return encoding;
    if (format == Formats().end())
        throw UsageError("--compression: the \"." + extension +
                         "\" format has no compression choices here; they are for .png, .tif, .exr and .jpg.");
    const std::size_t colon = compression->find(':');
    const std::string name = compression->substr(0, colon);
    const auto method = std::find_if(format->methods.begin(), format->methods.end(),
                                     [&](const Method& m) { return name == m.name; });
    if (method == format->methods.end()) {
        std::vector<std::string> names;
        for (const Method& m : format->methods) names.push_back(m.name);
        throw UsageError("bad --compression \"" + *compression + "\": " + format->shown + " takes " + Choices(*format) +
                         "." + DidYouMean(name, names));
    }
    int level = -1;
    if (colon != std::string::npos) {
        const std::string levelText = compression->substr(colon + 1);
        if (jpeg) {
            level = JpegQuality(levelText, "--compression");
        } else if (method->maxLevel == 0 || !ParseInt(levelText, level) || level < method->minLevel ||
                   level > method->maxLevel) {
            throw UsageError("bad --compression \"" + *compression + "\": " + format->shown + " takes " +
                             Choices(*format) + ".");
        }
    }
    if (jpeg) {
        if (jpegQuality && level >= 0 && level != encoding.jpegQuality)
            throw UsageError("the JPEG quality is given twice (--jpeg-quality and --compression jpeg:Q).");
        if (level >= 0) encoding.jpegQuality = level;
        return encoding;
    }
    encoding.compression = name;
    encoding.compressionLevel = level;
    return encoding;
}

}  // namespace tonedot::cli
