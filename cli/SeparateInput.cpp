#include "cli/SeparateInput.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include <OpenImageIO/imageio.h>

#include "cli/ExitCodes.h"

namespace tonedot::cli {
namespace {

bool NamesLinear(std::string space) {
    for (char& c : space) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return space == "linear" || space == "scene_linear" || space == "lin_srgb" || space == "lin_rec709" ||
           space == "linear rec.709 (srgb)" || space == "srgb_linear";
}

bool NamesDisplay(std::string space) {
    for (char& c : space) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return space == "srgb" || space == "srgb_texture" || space == "srgb_rec709_scene" || space == "rec709" ||
           space.rfind("gamma", 0) == 0;
}

// A CMYK file opened as stored, or none.
std::unique_ptr<OIIO::ImageInput> OpenCmyk(const std::string& path) {
    OIIO::ImageSpec config;
    config.attribute("oiio:RawColor", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    if (!in) {
        OIIO::geterror();
        return nullptr;
    }
    const OIIO::ImageSpec& s = in->spec();
    const bool cmyk = s.nchannels >= 4 && s.channelnames.size() >= 4 && s.channelnames[0] == "C" &&
                      s.channelnames[1] == "M" && s.channelnames[2] == "Y" && s.channelnames[3] == "K";
    return cmyk ? std::move(in) : nullptr;
}

}  // namespace

float LinearToSrgb(float v) {
    return v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
}

float SrgbToLinear(float v) {
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

SeparateSource ReadSeparateSource(const std::string& path) {
    SeparateSource source;
    if (auto in = OpenCmyk(path)) {
        const OIIO::ImageSpec& s = in->spec();
        source.cmyk = true;
        source.fileDepth = s.format.basetype == OIIO::TypeDesc::UINT8 ? Depth::Bits8
                           : s.format.basetype == OIIO::TypeDesc::UINT16 ? Depth::Bits16 : Depth::Float32;
        source.picture = Picture(Depth::Float32, s.width, s.height);
        std::vector<float> inks(static_cast<std::size_t>(s.width) * s.height * 4);
        if (!in->read_image(0, 0, 0, 4, OIIO::TypeDesc::FLOAT, inks.data()))
            throw IOError("cannot read \"" + path + "\": " + in->geterror());
        auto* pixels = reinterpret_cast<Pixel32*>(source.picture.Data());
        for (std::size_t i = 0; i < inks.size() / 4; ++i)
            pixels[i] = Pixel32{inks[i * 4 + 3], inks[i * 4], inks[i * 4 + 1], inks[i * 4 + 2]};
        if (s.nchannels > 4) source.warnings.push_back("the CMYK input's channels beyond C, M, Y, K are not printed");
    } else {
        std::string space;
        bool floating = false;
        if (auto header = OIIO::ImageInput::open(path)) {
            space = header->spec().get_string_attribute("oiio:ColorSpace");
            floating = header->spec().format.is_floating_point();
        } else {
            OIIO::geterror();
        }
        LoadedImage loaded = ReadImage(path, Depth::Float32);
        source.picture = std::move(loaded.picture);
        source.fileDepth = loaded.fileDepth;
        source.traits = loaded.traits;
        source.embeddedProfile = EmbeddedColourProfile(loaded.traits.get());
        source.linear = NamesLinear(space);
        if (!source.linear && floating && !NamesDisplay(space))
            source.warnings.push_back("the input holds floating-point values in " +
                                      (space.empty() ? std::string("no named colour space") : "colour space \"" + space + "\"") +
                                      "; they are taken as sRGB display values");
    }
    // The values' policy, before anything else sees them.
    auto* pixels = reinterpret_cast<Pixel32*>(source.picture.Data());
    const std::size_t n = static_cast<std::size_t>(source.picture.Width()) * source.picture.Height();
    std::size_t undefined = 0;
    for (std::size_t i = 0; i < n; ++i) {
        Pixel32& p = pixels[i];
        if (std::isnan(p.red) || std::isnan(p.green) || std::isnan(p.blue) || std::isnan(p.alpha)) {
            p = source.cmyk ? Pixel32{0, 0, 0, 0} : Pixel32{0, 1, 1, 1};
            ++undefined;
            continue;
        }
        for (float* c : {&p.red, &p.green, &p.blue}) {
            if (source.linear) *c = *c > 0 ? LinearToSrgb(std::min(*c, 1.0f)) : 0.0f;
            *c = std::clamp(*c, 0.0f, 1.0f);
        }
        p.alpha = std::clamp(p.alpha, 0.0f, 1.0f);
    }
    if (undefined)
        source.warnings.push_back(std::to_string(undefined) + " pixels hold NaN; they print as empty paper");
    return source;
}

}  // namespace tonedot::cli
