// TIFF files of raw channels (plates, CMYK), written through the image library and read
// back whole before they count as written.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tonedot::cli {

// A TIFF of 8-bit channels (1-bit when `bits` is 1) written to `temp` and read back whole;
// `target` is the name errors give.  `colourSpace` ("CMYK" or "") and `iccProfile` (bytes
// or "") are stored when given; the resolution is `dpi` pixels per inch.
void WriteTiff(const std::string& temp, const std::string& target, int width, int height,
               const std::vector<std::string>& channels, const std::vector<std::uint8_t>& data, int bits,
               const std::string& colourSpace, const std::string& iccProfile, double dpi);

}  // namespace tonedot::cli
