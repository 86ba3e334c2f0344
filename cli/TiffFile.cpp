#include "cli/TiffFile.h"

#include <OpenImageIO/imageio.h>

#include "cli/AtomicFile.h"
#include "cli/ExitCodes.h"

namespace tonedot::cli {

void WriteTiff(const std::string& temp, const std::string& target, int width, int height,
               const std::vector<std::string>& channels, const std::vector<std::uint8_t>& data, int bits,
               const std::string& colourSpace, const std::string& iccProfile, double dpi) {
    auto out = OIIO::ImageOutput::create(temp);
    if (!out) ThrowWriteError(target, OIIO::geterror());
    OIIO::ImageSpec layout(width, height, static_cast<int>(channels.size()), OIIO::TypeDesc::UINT8);
    layout.channelnames = channels;
    layout.alpha_channel = -1;
    layout.attribute("compression", "lzw");
    if (bits != 8) layout.attribute("oiio:BitsPerSample", bits);
    layout.attribute("XResolution", static_cast<float>(dpi));
    layout.attribute("YResolution", static_cast<float>(dpi));
    layout.attribute("ResolutionUnit", "in");
    if (!colourSpace.empty()) layout.attribute("tiff:ColorSpace", colourSpace);
    if (!iccProfile.empty())
        layout.attribute("ICCProfile", OIIO::TypeDesc(OIIO::TypeDesc::UINT8, static_cast<int>(iccProfile.size())),
                       iccProfile.data());
    if (!out->open(temp, layout) || !out->write_image(OIIO::TypeDesc::UINT8, data.data()) || !out->close())
        ThrowWriteError(target, out->geterror());
    out.reset();
    // Read back as stored (no conversion of CMYK to RGB).
    OIIO::ImageSpec config;
    config.attribute("oiio:RawColor", 1);
    auto in = OIIO::ImageInput::open(temp, &config);
    std::vector<std::uint8_t> back(data.size());
    const bool ok = in && in->spec().width == width && in->spec().height == height &&
                    in->spec().nchannels == static_cast<int>(channels.size()) &&
                    in->read_image(0, 0, 0, in->spec().nchannels, OIIO::TypeDesc::UINT8, back.data()) && back == data;
    if (!ok) ThrowWriteError(target, "the written file does not read back whole");
}

}  // namespace tonedot::cli
