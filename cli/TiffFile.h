// TIFF files of raw channels (plates, CMYK), written through the image library a band of
// rows at a time and read back whole before they count as written.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tonedot::cli {

// A TIFF of 8-bit channels (1-bit when `bits` is 1: a value of 128 or more is a set bit)
// written to `temp`; `target` is the name errors give.  `colourSpace` ("CMYK" or "") and
// `iccProfile` (bytes or "") are stored when given; the resolution is `dpi` pixels per
// inch.  Rows are handed over in order; Finish() reads the file back and throws unless it
// holds every row as written.
class TiffStripWriter {
public:
    TiffStripWriter(const std::string& temp, const std::string& target, int width, int height,
                    const std::vector<std::string>& channels, int bits, const std::string& colourSpace,
                    const std::string& iccProfile, double dpi);
    ~TiffStripWriter();
    TiffStripWriter(const TiffStripWriter&) = delete;
    TiffStripWriter& operator=(const TiffStripWriter&) = delete;
    // `rows` rows of width x channels values each.
    void Write(const std::uint8_t* data, int rows);
    void Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The whole picture at once.
void WriteTiff(const std::string& temp, const std::string& target, int width, int height,
               const std::vector<std::string>& channels, const std::vector<std::uint8_t>& data, int bits,
               const std::string& colourSpace, const std::string& iccProfile, double dpi);

}  // namespace tonedot::cli
