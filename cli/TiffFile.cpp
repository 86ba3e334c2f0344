#include "cli/TiffFile.h"

#include <algorithm>
#include <stdexcept>

#include <OpenImageIO/imageio.h>

#include "cli/AtomicFile.h"
#include "cli/ExitCodes.h"
#include "cli/Progress.h"

namespace tonedot::cli {
namespace {

// A digest of the rows as they are stored (1-bit values as set or not).
struct RowDigest {
    std::uint64_t hash = 1469598103934665603ull;
    void Add(const std::uint8_t* data, std::size_t n, int bits) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t v = bits == 1 ? (data[i] >= 128 ? 255 : 0) : data[i];
            hash = (hash ^ v) * 1099511628211ull;
        }
    }
};

}  // namespace

struct TiffStripWriter::State {
    std::string temp, target;
    int width = 0, height = 0, channels = 0, bits = 8, written = 0;
    std::unique_ptr<OIIO::ImageOutput> out;
    RowDigest digest;
};

TiffStripWriter::TiffStripWriter(const std::string& temp, const std::string& target, int width, int height,
                                 const std::vector<std::string>& channels, int bits, const std::string& colourSpace,
                                 const std::string& iccProfile, double dpi)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.temp = temp;
    s.target = target;
    s.width = width;
    s.height = height;
    s.channels = static_cast<int>(channels.size());
    s.bits = bits;
    s.out = OIIO::ImageOutput::create(temp);
    if (!s.out) ThrowWriteError(target, OIIO::geterror());
    OIIO::ImageSpec layout(width, height, s.channels, OIIO::TypeDesc::UINT8);
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
    if (!s.out->open(temp, layout)) ThrowWriteError(target, s.out->geterror());
}

TiffStripWriter::~TiffStripWriter() = default;

void TiffStripWriter::Write(const std::uint8_t* data, int rows) {
    State& s = *state_;
    if (rows < 0 || rows > s.height - s.written) throw std::logic_error("more rows than the picture has");
    if (rows == 0) return;
    if (!s.out->write_scanlines(s.written, s.written + rows, 0, OIIO::TypeDesc::UINT8, data))
        ThrowWriteError(s.target, s.out->geterror());
    s.digest.Add(data, static_cast<std::size_t>(rows) * static_cast<std::size_t>(s.width) * s.channels, s.bits);
    s.written += rows;
}

void TiffStripWriter::Finish() {
    State& s = *state_;
    if (s.written != s.height) throw std::logic_error("a picture finished before its last row");
    if (!s.out->close()) ThrowWriteError(s.target, s.out->geterror());
    s.out.reset();
    // Read back as stored (no conversion of CMYK to RGB), a strip at a time.
    OIIO::ImageSpec config;
    config.attribute("oiio:RawColor", 1);
    auto in = OIIO::ImageInput::open(s.temp, &config);
    bool ok = in && in->spec().width == s.width && in->spec().height == s.height && in->spec().nchannels == s.channels;
    RowDigest back;
    const int strip = 64;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(s.width) * s.channels * strip);
    for (int y = 0; ok && y < s.height; y += strip) {
        if (Interrupted()) throw CliError(InterruptExitCode(), "interrupted; nothing was written.");
        const int n = std::min(strip, s.height - y);
        ok = in->read_scanlines(0, 0, y, y + n, 0, 0, s.channels, OIIO::TypeDesc::UINT8, rows.data());
        if (ok) back.Add(rows.data(), static_cast<std::size_t>(n) * s.width * s.channels, s.bits);
    }
    if (!ok || back.hash != s.digest.hash) ThrowWriteError(s.target, "the written file does not read back whole");
}

void WriteTiff(const std::string& temp, const std::string& target, int width, int height,
               const std::vector<std::string>& channels, const std::vector<std::uint8_t>& data, int bits,
               const std::string& colourSpace, const std::string& iccProfile, double dpi) {
    TiffStripWriter writer(temp, target, width, height, channels, bits, colourSpace, iccProfile, dpi);
    writer.Write(data.data(), height);
    writer.Finish();
}

}  // namespace tonedot::cli
