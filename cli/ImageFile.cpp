#include "cli/ImageFile.h"

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <vector>

#include "cli/AtomicFile.h"
#include "cli/ExitCodes.h"

namespace tonedot::cli {
namespace {

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

std::string LibraryError(const std::string& text) {
    std::string t = text;
    while (!t.empty() && (t.back() == '\n' || t.back() == '.')) t.pop_back();
    return t.empty() ? "not a readable image" : t;
}

template <class P>
Picture ReadAs(OIIO::ImageInput& in, const std::string& path) {
    using C = typename FileChannel<P>::Type;
    const OIIO::ImageSpec& header = in.spec();
    const int w = header.width, h = header.height, n = header.nchannels;
    std::vector<C> buffer(static_cast<std::size_t>(w) * h * n);
    if (!in.read_image(0, 0, 0, n, FileChannel<P>::Desc(), buffer.data()))
        throw IOError("cannot read \"" + path + "\": " + LibraryError(in.geterror()) + ".");

    int alpha = header.alpha_channel;
    if (alpha < 0 && (n == 2 || n == 4)) alpha = n - 1;
    const bool grey = n < 3;
    const bool associated = alpha >= 0 && header.get_int_attribute("oiio:UnassociatedAlpha", 0) == 0;
    Picture picture(DepthOf<P>::value, w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const C* s = &buffer[(static_cast<std::size_t>(y) * w + x) * n];
            P& d = picture.At<P>(x, y);
            d.red = ToHost(P{}, s[0]);
            d.green = ToHost(P{}, grey ? s[0] : s[1]);
            d.blue = ToHost(P{}, grey ? s[0] : s[2]);
            d.alpha = alpha >= 0 ? ToHost(P{}, s[alpha]) : PixelTraits<P>::Full();
            if (associated) {
                d.red = Unpremultiply<P>(d.red, d.alpha);
                d.green = Unpremultiply<P>(d.green, d.alpha);
                d.blue = Unpremultiply<P>(d.blue, d.alpha);
            }
        }
    }
    return picture;
}

struct OutputLayout {
    OIIO::TypeDesc type;
    bool alpha = true;
    bool premultiply = false;
};

OutputLayout LayoutFor(const std::string& format, Depth depth) {
    OutputLayout l;
    const OIIO::TypeDesc natural = depth == Depth::Bits8 ? OIIO::TypeDesc::UINT8
                                   : depth == Depth::Bits16 ? OIIO::TypeDesc::UINT16
                                                            : OIIO::TypeDesc::FLOAT;
    l.type = natural;
    if (format == "png") {
        if (depth == Depth::Float32) l.type = OIIO::TypeDesc::UINT16;
    } else if (format == "jpeg") {
        l.type = OIIO::TypeDesc::UINT8;
        l.alpha = false;
    } else if (format == "openexr") {
        l.type = depth == Depth::Float32 ? OIIO::TypeDesc::FLOAT : OIIO::TypeDesc::HALF;
        l.premultiply = true;
    }
    return l;
}

// Fills an RGBA float buffer (straight or premultiplied) from the picture.
template <class P>
void ToFloatRgba(const Picture& picture, std::vector<float>& out, int channels, bool premultiply) {
    using T = PixelTraits<P>;
    out.resize(static_cast<std::size_t>(picture.Width()) * picture.Height() * channels);
    std::size_t k = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const P& p = picture.At<P>(x, y);
            const float a = static_cast<float>(T::ToUnit(p.alpha));
            const float m = premultiply ? a : 1.0f;
            out[k++] = static_cast<float>(T::ToUnit(p.red)) * m;
            out[k++] = static_cast<float>(T::ToUnit(p.green)) * m;
            out[k++] = static_cast<float>(T::ToUnit(p.blue)) * m;
            if (channels == 4) out[k++] = a;
        }
    }
}

// Fills a buffer in the picture's own channel type (exact for 8 and 16-bit).
template <class P>
void ToNative(const Picture& picture, std::vector<unsigned char>& bytes, int channels) {
    using C = typename FileChannel<P>::Type;
    bytes.resize(static_cast<std::size_t>(picture.Width()) * picture.Height() * channels * sizeof(C));
    C* out = reinterpret_cast<C*>(bytes.data());
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const P& p = picture.At<P>(x, y);
            *out++ = ToFile(P{}, p.red);
            *out++ = ToFile(P{}, p.green);
            *out++ = ToFile(P{}, p.blue);
            if (channels == 4) *out++ = ToFile(P{}, p.alpha);
        }
    }
}

// The image library's readers and writers are used one at a time: its shared tables (names,
// plugins) are not meant for concurrent first use, and image input and output is a small
// part of a frame's time next to the render.
// The library's own worker threads are not used either: frames are what run in parallel.
std::mutex& ImageLibraryMutex() {
    static std::mutex m;
    static const bool singleThreaded = OIIO::attribute("threads", 1);
    (void)singleThreaded;
    return m;
}

}  // namespace

std::string ExtensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

LoadedImage ReadImage(const std::string& path, std::optional<Depth> depth) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        throw IOError("cannot read \"" + path + "\": " + std::strerror(errno) + ".");
    if (S_ISDIR(st.st_mode)) throw IOError("cannot read \"" + path + "\": it is a folder.");
    std::lock_guard<std::mutex> lock(ImageLibraryMutex());
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    if (!in) throw IOError("cannot read \"" + path + "\": " + LibraryError(OIIO::geterror()) + ".");
    const OIIO::ImageSpec& header = in->spec();
    if (header.width <= 0 || header.height <= 0 || header.nchannels <= 0 || header.depth > 1)
        throw IOError("cannot read \"" + path + "\": not a two-dimensional image.");
    if (static_cast<long long>(header.width) * header.height > 400000000LL)
        throw IOError("cannot read \"" + path + "\": the image is too large.");
    LoadedImage loaded;
    loaded.fileDepth = DepthOfType(header.format);
    const Depth use = depth.value_or(loaded.fileDepth);
    loaded.picture = WithPixelType(use, [&](auto p) { return ReadAs<decltype(p)>(*in, path); });
    in->close();
    return loaded;
}

void CheckWritableFormat(const std::string& path) {
    const std::string ext = ExtensionOf(path);
    std::lock_guard<std::mutex> lock(ImageLibraryMutex());
    auto out = ext.empty() ? nullptr : OIIO::ImageOutput::create(path);
    if (!out) {
        OIIO::geterror();
        throw UsageError("cannot write \"" + path + "\": unknown image format" +
                         (ext.empty() ? " (the name has no extension)" : " \"." + ext + "\"") +
                         "; use .png, .jpg, .tif or .exr.");
    }
}

void WriteImage(const std::string& path, const Picture& picture) {
    CheckWritableFormat(path);
    AtomicFile file(path);
    std::unique_lock<std::mutex> lock(ImageLibraryMutex());
    auto out = OIIO::ImageOutput::create(file.TempPath());
    if (!out) throw IOError("cannot write \"" + path + "\": " + LibraryError(OIIO::geterror()) + ".");
    const std::string format = out->format_name();
    const OutputLayout layout = LayoutFor(format, picture.GetDepth());
    const int channels = layout.alpha ? 4 : 3;
    OIIO::ImageSpec header(picture.Width(), picture.Height(), channels, layout.type);
    if (layout.alpha) {
        header.alpha_channel = 3;
        if (!layout.premultiply) header.attribute("oiio:UnassociatedAlpha", 1);
    }
    if (format == "jpeg") header.attribute("Compression", "jpeg:95");
    if (!out->open(file.TempPath(), header))
        throw IOError("cannot write \"" + path + "\": " + LibraryError(out->geterror()) + ".");

    bool ok;
    const bool native = !layout.premultiply &&
                        ((picture.GetDepth() == Depth::Bits8 && layout.type == OIIO::TypeDesc::UINT8) ||
                         (picture.GetDepth() == Depth::Bits16 && layout.type == OIIO::TypeDesc::UINT16));
    if (native) {
        std::vector<unsigned char> bytes;
        OIIO::TypeDesc type;
        if (picture.GetDepth() == Depth::Bits8) {
            ToNative<Pixel8>(picture, bytes, channels);
            type = OIIO::TypeDesc::UINT8;
        } else {
            ToNative<Pixel16>(picture, bytes, channels);
            type = OIIO::TypeDesc::UINT16;
        }
        ok = out->write_image(type, bytes.data());
    } else {
        std::vector<float> pixels;
        WithPixelType(picture.GetDepth(), [&](auto p) {
            ToFloatRgba<decltype(p)>(picture, pixels, channels, layout.premultiply);
        });
        ok = out->write_image(OIIO::TypeDesc::FLOAT, pixels.data());
    }
    const std::string writeError = ok ? std::string() : out->geterror();
    const bool closed = out->close();
    if (!ok || !closed)
        throw IOError("cannot write \"" + path + "\": " +
                      LibraryError(ok ? out->geterror() : writeError) + ".");
    out.reset();
    lock.unlock();
    file.Commit();
}

}  // namespace tonedot::cli
