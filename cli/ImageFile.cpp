#include "cli/ImageFile.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <fcntl.h>
#include <mutex>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/AtomicFile.h"
#include "cli/ExitCodes.h"

namespace tonedot::cli {

struct SourceTraits {
    std::string format;           // the reader's format name ("png", "openexr", ...)
    OIIO::TypeDesc type;          // the file's pixel type
    bool grey = false;            // one colour channel
    bool alpha = false;
    OIIO::ParamValueList metadata;  // what is kept: profile, gamma, EXIF, XMP, ...
    std::string compression;      // the file's compression as the writers name it
    int x = 0, y = 0, fullX = 0, fullY = 0, fullWidth = 0, fullHeight = 0;  // windows
};

namespace {

// Rows converted at a time between the file's layout and the host's.
constexpr int kStripRows = 64;
// A strip's buffer stays near this, whatever the width: a million-pixel-wide row is a strip
// of its own.
constexpr std::size_t kStripBytes = std::size_t{8} << 20;

// Rows per strip for `values` values of `bytes` bytes a pixel: at most kStripRows, at most
// the image's rows, at most kStripBytes; whole tile rows for a tiled file.
int StripRows(int width, int height, int values, std::size_t bytes) {
    const std::size_t row = static_cast<std::size_t>(std::max(1, width)) * static_cast<std::size_t>(values) * bytes;
    const std::size_t fit = std::max<std::size_t>(1, kStripBytes / row);
    return static_cast<int>(std::min<std::size_t>({fit, static_cast<std::size_t>(kStripRows),
                                                   static_cast<std::size_t>(std::max(1, height))}));
}
int StripRows(const OIIO::ImageSpec& header, int values, std::size_t bytes) {
    return header.tile_width > 0 ? std::max(1, header.tile_height) : StripRows(header.width, header.height, values, bytes);
}

// The channel type a depth is read and written as.
template <class P> struct FileChannel;
template <> struct FileChannel<Pixel8> { using Type = uint8_t; static OIIO::TypeDesc Desc() { return OIIO::TypeDesc::UINT8; } };
template <> struct FileChannel<Pixel16> { using Type = uint16_t; static OIIO::TypeDesc Desc() { return OIIO::TypeDesc::UINT16; } };
template <> struct FileChannel<Pixel32> { using Type = float; static OIIO::TypeDesc Desc() { return OIIO::TypeDesc::FLOAT; } };

// File channel value to host channel value and back.
inline uint8_t ToHost(Pixel8, uint8_t v) { return v; }
inline uint16_t ToHost(Pixel16, uint16_t v) { return static_cast<uint16_t>((v * 32768u + 32767u) / 65535u); }
inline float ToHost(Pixel32, float v) { return v; }
inline uint8_t ToFile(Pixel8, uint8_t v) { return v; }
inline uint16_t ToFile(Pixel16, uint16_t v) {
    const uint32_t c = std::min<uint32_t>(v, 32768u);
    return static_cast<uint16_t>((c * 65535u + 16384u) / 32768u);
}
inline float ToFile(Pixel32, float v) { return v; }

// A channel divided by alpha (both on the depth's scale), for associated-alpha files.
template <class P>
typename PixelTraits<P>::Channel Unpremultiply(typename PixelTraits<P>::Channel c,
                                               typename PixelTraits<P>::Channel a) {
    using T = PixelTraits<P>;
    if constexpr (T::isFloat) {
        return a > 0 ? c / a : c;
    } else {
        if (a == 0) return c;
        const double v = std::min(1.0, static_cast<double>(c) / a);
        return static_cast<typename T::Channel>(static_cast<int>(v * T::maxValue + 0.5));
    }
}

Depth DepthOfType(OIIO::TypeDesc t) {
    switch (t.basetype) {
        case OIIO::TypeDesc::UINT8: case OIIO::TypeDesc::INT8: return Depth::Bits8;
        case OIIO::TypeDesc::UINT16: case OIIO::TypeDesc::INT16: return Depth::Bits16;
        default: return Depth::Float32;
    }
}

// The library's messages (often several lines, one per problem) as one line.
std::string LibraryError(const std::string& text) {
    std::string t;
    bool breakPending = false;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            breakPending = !t.empty();
            continue;
        }
        if (breakPending) {
            while (!t.empty() && (t.back() == '.' || t.back() == ' ')) t.pop_back();
            t += "; ";
            breakPending = false;
        }
        t += c;
    }
    while (!t.empty() && (t.back() == '.' || t.back() == ' ')) t.pop_back();
    return t.empty() ? "not a readable image" : t;
}

[[noreturn]] void ThrowReadError(const std::string& path, const std::string& reason) {
    throw IOError("cannot read \"" + path + "\": " + reason + ".");
}

// Attributes that describe how the input was encoded rather than what it shows; they are
// not carried to the output.
bool IsEncodingAttribute(const std::string& name) {
    static const char* const kPrefixes[] = {"oiio:", "tiff:", "jpeg:", "png:", "openexr:", "thumbnail_", "gif:",
                                            "webp:", "heif:", "bmp:", "targa:", "dpx:", "ICCProfile:"};
    static const char* const kNames[] = {"compression", "Compression", "CompressionQuality", "Orientation",
                                         "planarconfig", "PixelAspectRatio_is_set", "Exif:PixelXDimension",
                                         "Exif:PixelYDimension", "XResolution_is_set"};
    if (name == "oiio:ColorSpace" || name == "oiio:Gamma") return false;
    for (const char* p : kPrefixes)
        if (name.compare(0, std::strlen(p), p) == 0) return true;
    for (const char* n : kNames)
        if (name == n) return true;
    return false;
}

std::shared_ptr<SourceTraits> TraitsOf(const OIIO::ImageInput& in) {
    const OIIO::ImageSpec& h = in.spec();
    auto t = std::make_shared<SourceTraits>();
    t->format = in.format_name();
    t->type = h.format;
    t->grey = h.nchannels < 3;
    t->alpha = h.alpha_channel >= 0 || h.nchannels == 2 || h.nchannels == 4;
    for (const OIIO::ParamValue& p : h.extra_attribs)
        if (!IsEncodingAttribute(p.name().string())) t->metadata.push_back(p);
    t->compression = h.get_string_attribute("compression");
    t->x = h.x;
    t->y = h.y;
    t->fullX = h.full_x;
    t->fullY = h.full_y;
    t->fullWidth = h.full_width;
    t->fullHeight = h.full_height;
    return t;
}

// Frames are read and written on several threads at once, each with its own readers and
// writers, which share nothing but the library's name table (built for concurrent use)
// and the library's worker pool.  That pool is not used: frames are what run side by side,
// and the pool, started by whichever frame first reaches for it, would be fed by all.
void UseImageLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { OIIO::attribute("threads", 1); });
}

// What the chunks of a PNG file say before any is decoded: whether it is animated (an acTL
// chunk before the image data; the image library reads only the first frame) and whether
// it is whole (its chunks reach IEND inside the file).  The image library's reader leaks
// when the file ends early, so a file cut short is refused before it is decoded.
struct PngChunks {
    bool animated = false;
    bool whole = false;
};

PngChunks ReadPngChunks(const std::string& path) {
    PngChunks chunks;
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = file.tellg();
    file.seekg(8);
    unsigned char head[8];
    std::streamoff at = 8;
    bool imageData = false;
    while (at + 12 <= size && file.read(reinterpret_cast<char*>(head), 8)) {
        const std::uint32_t length = (std::uint32_t{head[0]} << 24) | (std::uint32_t{head[1]} << 16) |
                                     (std::uint32_t{head[2]} << 8) | head[3];
        if (!imageData && std::memcmp(head + 4, "acTL", 4) == 0) chunks.animated = true;
        if (std::memcmp(head + 4, "IDAT", 4) == 0) imageData = true;
        at += 12 + std::streamoff{length};
        if (at > size) break;
        if (std::memcmp(head + 4, "IEND", 4) == 0) {
            chunks.whole = true;
            break;
        }
        file.seekg(at);
    }
    return chunks;
}

// Opens a file for reading and checks it is one two-dimensional image.
std::unique_ptr<OIIO::ImageInput> OpenInput(const std::string& path) {
    UseImageLibrary();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) ThrowReadError(path, std::strerror(errno));
    if (S_ISDIR(st.st_mode)) ThrowReadError(path, "it is a folder");
    // Opened twice (header, then pixels), a pipe would wait for a writer forever.
    if (!S_ISREG(st.st_mode))
        ThrowReadError(path, "it is a named pipe or a device, which tonedot reads only as the one input of a "
                             "render (or - for standard input)");
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    if (!in) ThrowReadError(path, LibraryError(OIIO::geterror()));
    const OIIO::ImageSpec& header = in->spec();
    if (header.width <= 0 || header.height <= 0 || header.nchannels <= 0 || header.depth > 1)
        ThrowReadError(path, "not a two-dimensional image");
    if (static_cast<long long>(header.width) * header.height > 400000000LL)
        ThrowReadError(path, "the image is too large (" + std::to_string(header.width) + " x " +
                                 std::to_string(header.height) + ", at most 400 million pixels)");
    if (std::strcmp(in->format_name(), "png") == 0) {
        const PngChunks chunks = ReadPngChunks(path);
        if (chunks.animated)
            ThrowReadError(path, "it is an animated PNG; tonedot renders one image per file: write its frames out "
                                 "as a numbered sequence first and render that with --frames");
        if (!chunks.whole) ThrowReadError(path, "the file is damaged: it ends before its last chunk");
    }
    if (in->seek_subimage(1, 0)) {
        int count = 2;
        while (count < 10000 && in->seek_subimage(count, 0)) ++count;
        ThrowReadError(path, "it holds " + std::to_string(count) + (count == 10000 ? " or more" : "") +
                                 " images (an animation, pages or parts); tonedot renders one image per file: "
                                 "write them out as a numbered sequence first and render that with --frames");
    }
    in->geterror();  // the failed seek's message
    if (!in->seek_subimage(0, 0)) ThrowReadError(path, LibraryError(in->geterror()));
    return in;
}

// Decodes the image strip by strip (tile rows for tiled files) straight into the picture.
template <class P>
Picture ReadAs(OIIO::ImageInput& in, const std::string& path) {
    using C = typename FileChannel<P>::Type;
    const OIIO::ImageSpec& header = in.spec();
    const int w = header.width, h = header.height, n = header.nchannels;
    int alpha = header.alpha_channel;
    if (alpha < 0 && (n == 2 || n == 4)) alpha = n - 1;
    const bool grey = n < 3;
    const bool associated = alpha >= 0 && header.get_int_attribute("oiio:UnassociatedAlpha", 0) == 0;
    // Only the channels used are read: the colours, and alpha in a strip of its own when it
    // comes after other channels (a file may hold a thousand).
    const int colours = grey ? 1 : 3;
    const int m = alpha >= 0 && alpha <= colours ? std::max(colours, alpha + 1) : colours;
    const bool alphaApart = alpha > colours;
    const int strip = StripRows(header, m + (alphaApart ? 1 : 0), sizeof(C));
    std::vector<C> buffer(static_cast<std::size_t>(w) * strip * m);
    std::vector<C> alphas(alphaApart ? static_cast<std::size_t>(w) * strip : 0);
    Picture picture(DepthOf<P>::value, w, h);
    auto read = [&](int y0, int y1, int chbegin, int chend, C* into) {
        return header.tile_width > 0
                   ? in.read_tiles(0, 0, header.x, header.x + w, header.y + y0, header.y + y1, header.z,
                                   header.z + std::max(1, header.depth), chbegin, chend, FileChannel<P>::Desc(), into)
                   : in.read_scanlines(0, 0, header.y + y0, header.y + y1, header.z, chbegin, chend,
                                       FileChannel<P>::Desc(), into);
    };
    for (int y0 = 0; y0 < h; y0 += strip) {
        const int y1 = std::min(h, y0 + strip);
        if (!read(y0, y1, 0, m, buffer.data()) || (alphaApart && !read(y0, y1, alpha, alpha + 1, alphas.data())))
            ThrowReadError(path, LibraryError(in.geterror()));
        for (int y = y0; y < y1; ++y) {
            const C* s = &buffer[static_cast<std::size_t>(y - y0) * w * m];
            const C* a = alphaApart ? &alphas[static_cast<std::size_t>(y - y0) * w] : nullptr;
            for (int x = 0; x < w; ++x, s += m) {
                P& d = picture.At<P>(x, y);
                d.red = ToHost(P{}, s[0]);
                d.green = ToHost(P{}, grey ? s[0] : s[1]);
                d.blue = ToHost(P{}, grey ? s[0] : s[2]);
                d.alpha = alpha < 0 ? PixelTraits<P>::Full() : ToHost(P{}, alphaApart ? a[x] : s[alpha]);
                if (associated) {
                    d.red = Unpremultiply<P>(d.red, d.alpha);
                    d.green = Unpremultiply<P>(d.green, d.alpha);
                    d.blue = Unpremultiply<P>(d.blue, d.alpha);
                }
            }
        }
    }
    // Readers that carry on over damage (a truncated JPEG fills the rest with grey) say
    // so only in their messages.
    if (in.has_error()) ThrowReadError(path, "the file is damaged: " + LibraryError(in.geterror()));
    return picture;
}

// ---- writing ---------------------------------------------------------------------------

// The writers' output: every write is checked, and so are the flush and close at the end.
// A failed write is remembered and reported after the writer finishes; the writer itself
// is told it succeeded, so that no library takes its own fatal-error path (which for some
// ends the process).
class CheckedOutput : public OIIO::Filesystem::IOFile {
public:
    explicit CheckedOutput(FILE* file) : IOFile(file, Write), file_(file) {
        if (!file_) error_ = errno ? errno : EIO;
    }
    ~CheckedOutput() override {
        if (file_) std::fclose(file_);
    }
    // Not "file": writers would then take the FILE* and write around the checks.
    const char* proxytype() const override { return "tonedot-checked"; }
    size_t write(const void* buf, size_t size) override {
        if (error_ == 0 && IOFile::write(buf, size) != size) error_ = errno ? errno : EIO;
        return size;
    }
    size_t pwrite(const void* buf, size_t size, int64_t offset) override {
        if (error_ == 0 && IOFile::pwrite(buf, size, offset) != size) error_ = errno ? errno : EIO;
        return size;
    }

    // 0 when every byte reached the file and the file was closed cleanly, else the errno.
    int Finish() {
        if (file_) {
            if (error_ == 0 && std::fflush(file_) != 0) error_ = errno ? errno : EIO;
            if (error_ == 0 && fsync(fileno(file_)) != 0 && errno != EINVAL) error_ = errno;
            if (std::fclose(file_) != 0 && error_ == 0) error_ = errno ? errno : EIO;
            file_ = nullptr;
        }
        return error_;
    }

private:
    FILE* file_;
    int error_ = 0;
};

struct OutputLayout {
    OIIO::TypeDesc type;
    int colours = 3;  // 1 grey or 3
    bool alpha = true;
    bool premultiply = false;
};

// Whether the view is opaque everywhere, and grey (red = green = blue) everywhere.
template <class P>
void Survey(const PixelView& v, bool& opaque, bool& grey) {
    opaque = grey = true;
    for (int y = 0; y < v.height && (opaque || grey); ++y) {
        const P* row = reinterpret_cast<const P*>(v.Row(y));
        for (int x = 0; x < v.width; ++x) {
            const P& p = row[x];
            opaque = opaque && p.alpha == PixelTraits<P>::Full();
            grey = grey && p.red == p.green && p.green == p.blue;
        }
    }
}

OutputLayout LayoutFor(OIIO::ImageOutput& out, Depth depth, bool opaque, bool grey, const SourceTraits* source,
                       bool& alphaLost) {
    const std::string format = out.format_name();
    OutputLayout l;
    l.type = depth == Depth::Bits8 ? OIIO::TypeDesc::UINT8
             : depth == Depth::Bits16 ? OIIO::TypeDesc::UINT16
                                      : OIIO::TypeDesc::FLOAT;
    if (format == "png") {
        if (depth == Depth::Float32) l.type = OIIO::TypeDesc::UINT16;
    } else if (format == "jpeg") {
        l.type = OIIO::TypeDesc::UINT8;
    } else if (format == "openexr") {
        l.type = depth == Depth::Float32 ? OIIO::TypeDesc::FLOAT : OIIO::TypeDesc::HALF;
        l.premultiply = true;
    }
    // The source's own pixel type where it was read at this depth and the format holds it.
    if (source && DepthOfType(source->type) == depth && source->format == format) l.type = source->type;
    l.colours = source && source->grey && grey ? 1 : 3;
    const bool wantAlpha = !opaque || (source && source->alpha);
    const bool canAlpha = out.supports("alpha");
    l.alpha = wantAlpha && canAlpha;
    alphaLost = !opaque && !canAlpha;
    return l;
}

// The file's compression attribute ("name" or "name:level") from the options, the source
// and the format.
std::string CompressionFor(const std::string& format, const WriteOptions& options) {
    if (format == "jpeg") return "jpeg:" + std::to_string(options.jpegQuality > 0 ? options.jpegQuality : 95);
    if (!options.compression.empty())
        return options.compression +
               (options.compressionLevel >= 0 ? ":" + std::to_string(options.compressionLevel) : std::string());
    if (options.source && options.source->format == format && !options.source->compression.empty())
        return options.source->compression;
    if (format == "tiff") return "none";
    return "";
}

// Fills rows [y0, y1) of the output in the file's channel order, in the depth's own
// channel type (exact for 8 and 16-bit) or as float (premultiplied when asked).
template <class P, class C>
void FillStrip(const PixelView& v, int y0, int y1, const OutputLayout& l, C* out) {
    using T = PixelTraits<P>;
    for (int y = y0; y < y1; ++y) {
        const P* row = reinterpret_cast<const P*>(v.Row(y));
        for (int x = 0; x < v.width; ++x) {
            const P& p = row[x];
            if constexpr (std::is_same_v<C, float>) {
                const float a = static_cast<float>(T::ToUnit(p.alpha));
                const float m = l.premultiply ? a : 1.0f;
                *out++ = static_cast<float>(T::ToUnit(p.red)) * m;
                if (l.colours == 3) {
                    *out++ = static_cast<float>(T::ToUnit(p.green)) * m;
                    *out++ = static_cast<float>(T::ToUnit(p.blue)) * m;
                }
                if (l.alpha) *out++ = a;
            } else {
                *out++ = ToFile(P{}, p.red);
                if (l.colours == 3) {
                    *out++ = ToFile(P{}, p.green);
                    *out++ = ToFile(P{}, p.blue);
                }
                if (l.alpha) *out++ = ToFile(P{}, p.alpha);
            }
        }
    }
}

// Writes every strip; false on the writer's error.
template <class P>
bool WriteStrips(OIIO::ImageOutput& out, const PixelView& v, const OutputLayout& l, int channels, int originY) {
    const bool native = !l.premultiply && ((v.depth == Depth::Bits8 && l.type == OIIO::TypeDesc::UINT8) ||
                                          (v.depth == Depth::Bits16 && l.type == OIIO::TypeDesc::UINT16));
    const int rows = StripRows(v.width, v.height, channels, sizeof(float));
    const std::size_t values = static_cast<std::size_t>(v.width) * rows * channels;
    if (native) {
        using C = typename FileChannel<P>::Type;
        std::vector<C> buffer(values);
        for (int y0 = 0; y0 < v.height; y0 += rows) {
            const int y1 = std::min(v.height, y0 + rows);
            FillStrip<P>(v, y0, y1, l, buffer.data());
            if (!out.write_scanlines(originY + y0, originY + y1, 0, FileChannel<P>::Desc(), buffer.data()))
                return false;
        }
    } else {
        std::vector<float> buffer(values);
        for (int y0 = 0; y0 < v.height; y0 += rows) {
            const int y1 = std::min(v.height, y0 + rows);
            FillStrip<P>(v, y0, y1, l, buffer.data());
            if (!out.write_scanlines(originY + y0, originY + y1, 0, OIIO::TypeDesc::FLOAT, buffer.data()))
                return false;
        }
    }
    return true;
}

// Whether every strip (or row of tiles) of the open image decodes, its colours and alpha
// read as float a strip at a time.
bool ReadsToTheEnd(OIIO::ImageInput& in) {
    const OIIO::ImageSpec& h = in.spec();
    const int channels = std::min(h.nchannels, 4);
    const int rows = StripRows(h, channels, sizeof(float));
    std::vector<float> strip(static_cast<std::size_t>(h.width) * rows * channels);
    for (int y0 = 0; y0 < h.height; y0 += rows) {
        const int y1 = std::min(h.height, y0 + rows);
        const bool ok = h.tile_width > 0
                            ? in.read_tiles(0, 0, h.x, h.x + h.width, h.y + y0, h.y + y1, h.z,
                                            h.z + std::max(1, h.depth), 0, channels, OIIO::TypeDesc::FLOAT, strip.data())
                            : in.read_scanlines(0, 0, h.y + y0, h.y + y1, h.z, 0, channels, OIIO::TypeDesc::FLOAT,
                                                strip.data());
        if (!ok) return false;
    }
    return !in.has_error();
}

// A file written without the checked output is read back whole, strip by strip, before
// it may replace anything.
void VerifyByReading(const std::string& temp, const std::string& path, int width, int height) {
    auto in = OIIO::ImageInput::open(temp);
    const bool ok = in && in->spec().width == width && in->spec().height == height && ReadsToTheEnd(*in);
    if (!ok) ThrowWriteError(path, "the written file does not read back whole");
}

}  // namespace

std::string EmbeddedColourProfile(const SourceTraits* traits) {
    if (!traits) return "";
    const OIIO::ParamValue* p = traits->metadata.find_pv("ICCProfile");
    if (!p || p->type().basetype != OIIO::TypeDesc::UINT8) return "";
    return std::string(static_cast<const char*>(p->data()), p->type().size() * static_cast<std::size_t>(p->nvalues()));
}

std::string ExtensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

ImageHeader ReadImageHeader(const std::string& path) {
    auto in = OpenInput(path);
    const OIIO::ImageSpec& h = in->spec();
    ImageHeader header;
    const int orientation = h.get_int_attribute("Orientation", 1);
    const bool swap = orientation >= 5 && orientation <= 8;
    header.width = swap ? h.height : h.width;
    header.height = swap ? h.width : h.height;
    header.channels = h.nchannels;
    header.fileDepth = DepthOfType(h.format);
    in->close();
    return header;
}

LoadedImage ReadImage(const std::string& path, std::optional<Depth> depth) {
    auto in = OpenInput(path);
    const OIIO::ImageSpec& header = in->spec();
    LoadedImage loaded;
    loaded.fileDepth = DepthOfType(header.format);
    const Depth use = depth.value_or(loaded.fileDepth);
    loaded.picture = WithPixelType(use, [&](auto p) { return ReadAs<decltype(p)>(*in, path); });
    loaded.picture = Upright(std::move(loaded.picture), header.get_int_attribute("Orientation", 1));
    auto traits = TraitsOf(*in);
    loaded.hasAlpha = traits->alpha;
    loaded.traits = std::move(traits);
    in->close();
    return loaded;
}

bool DecodesWhole(const std::string& path) {
    try {
        return ReadsToTheEnd(*OpenInput(path));
    } catch (const CliError&) {
        return false;
    }
}

void CheckWritableFormat(const std::string& path) {
    UseImageLibrary();
    const std::string ext = ExtensionOf(path);
    auto out = ext.empty() ? nullptr : OIIO::ImageOutput::create(path);
    if (!out) {
        OIIO::geterror();
        throw UsageError("cannot write \"" + path + "\": unknown image format" +
                         (ext.empty() ? " (the name has no extension)" : " \"." + ext + "\"") +
                         "; use .png, .jpg, .tif or .exr.");
    }
}

struct ImageStripWriter::State {
    explicit State(const std::string& path) : file(path) {}
    AtomicFile file;
    std::unique_ptr<CheckedOutput> proxy;  // outlived by the writer that uses it
    std::unique_ptr<OIIO::ImageOutput> out;
    OutputLayout layout;
    int channels = 0, originY = 0;
};

ImageStripWriter::ImageStripWriter(const std::string& path, int width, int height, Depth depth, bool opaque,
                                   bool grey, const WriteOptions& options)
    : path_(path), width_(width), height_(height), depth_(depth) {
    UseImageLibrary();
    CheckWritableFormat(path);
    state_ = std::make_unique<State>(path);
    AtomicFile& file = state_->file;
    state_->out = OIIO::ImageOutput::create(file.TempPath());
    if (!state_->out) ThrowWriteError(path, file.Shown(LibraryError(OIIO::geterror())));
    OIIO::ImageOutput& out = *state_->out;
    const std::string format = out.format_name();
    bool alphaLost = false;
    const OutputLayout layout = state_->layout = LayoutFor(out, depth, opaque, grey, options.source, alphaLost);
    if (alphaLost)
        Warn("\"" + path + "\" cannot hold transparency (" + format +
             "); its transparent pixels are written opaque.  Use .png, .tif or .exr to keep them.");
    const int channels = state_->channels = layout.colours + (layout.alpha ? 1 : 0);
    OIIO::ImageSpec header(width, height, channels, layout.type);
    if (options.source) {
        const SourceTraits& s = *options.source;
        for (const OIIO::ParamValue& p : s.metadata) header.attribute(p.name().string(), p.type(), p.data());
        if (out.supports("origin")) {
            header.x = s.x;
            header.y = s.y;
        }
        if (out.supports("displaywindow") && s.fullWidth > 0 && s.fullHeight > 0) {
            header.full_x = s.fullX;
            header.full_y = s.fullY;
            header.full_width = s.fullWidth;
            header.full_height = s.fullHeight;
        }
    }
    state_->originY = header.y;
    if (options.dpi > 0) {
        header.attribute("XResolution", static_cast<float>(options.dpi));
        header.attribute("YResolution", static_cast<float>(options.dpi));
        header.attribute("ResolutionUnit", "in");
    }
    header.channelnames.clear();
    if (layout.colours == 1) header.channelnames.push_back("Y");
    else header.channelnames = {"R", "G", "B"};
    if (layout.alpha) {
        header.channelnames.push_back("A");
        header.alpha_channel = channels - 1;
        if (!layout.premultiply) header.attribute("oiio:UnassociatedAlpha", 1);
    } else {
        header.alpha_channel = -1;
    }
    const std::string compression = CompressionFor(format, options);
    if (!compression.empty()) {
        header.attribute("compression", compression);
        const std::size_t colon = compression.find(':');
        const int level = colon == std::string::npos ? -1 : std::atoi(compression.c_str() + colon + 1);
        if (format == "png" && level >= 0) header.attribute("png:compressionLevel", level);
        if (format == "tiff" && level > 0 && compression.compare(0, 3, "zip") == 0)
            header.attribute("tiff:zipquality", level);
        if (format == "tiff" && (layout.type == OIIO::TypeDesc::HALF)) header.attribute("tiff:half", 1);
    }
    // The TIFF writer finishes some files (colour-space tags) outside its proxy, so TIFF
    // files are written directly and read back instead.
    if (out.supports("ioproxy") && format != "tiff") {
        state_->proxy = std::make_unique<CheckedOutput>(std::fopen(file.TempPath().c_str(), "w+b"));
        // Some writers take the proxy from the header, others from set_ioproxy.
        OIIO::Filesystem::IOProxy* io = state_->proxy.get();
        header.attribute("oiio:ioproxy", OIIO::TypeDesc::PTR, &io);
        out.set_ioproxy(io);
    }
    if (!out.open(file.TempPath(), header)) ThrowWriteError(path, file.Shown(LibraryError(out.geterror())));
}

ImageStripWriter::~ImageStripWriter() = default;

void ImageStripWriter::Write(const PixelView& rows) {
    if (rows.width != width_ || rows.depth != depth_ || rows.height > height_ - written_)
        throw std::logic_error("rows that are not the next of the picture");
    const bool ok = WithPixelType(depth_, [&](auto p) {
        return WriteStrips<decltype(p)>(*state_->out, rows, state_->layout, state_->channels,
                                        state_->originY + written_);
    });
    if (!ok) ThrowWriteError(path_, state_->file.Shown(LibraryError(state_->out->geterror())));
    written_ += rows.height;
}

void ImageStripWriter::Finish() {
    if (written_ != height_) throw std::logic_error("a picture finished before its last row");
    AtomicFile& file = state_->file;
    if (!state_->out->close()) ThrowWriteError(path_, file.Shown(LibraryError(state_->out->geterror())));
    state_->out.reset();
    if (state_->proxy) {
        if (const int e = state_->proxy->Finish()) ThrowWriteError(path_, std::strerror(e));
    } else {
        VerifyByReading(file.TempPath(), path_, width_, height_);
    }
    file.Commit();
}

void WriteImage(const std::string& path, const PixelView& pixels, const WriteOptions& options) {
    bool opaque = true, grey = false;
    WithPixelType(pixels.depth, [&](auto p) { Survey<decltype(p)>(pixels, opaque, grey); });
    ImageStripWriter writer(path, pixels.width, pixels.height, pixels.depth, opaque, grey, options);
    writer.Write(pixels);
    writer.Finish();
}

}  // namespace tonedot::cli
