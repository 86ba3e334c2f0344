// Whether a frame fits in the memory there is, weighed before it is decoded.
#pragma once
#include <cstdint>
#include <string>

#include "session/Picture.h"
#include "cli/Names.h"

namespace tonedot::cli {

// The memory the process may still take: the machine's available memory, and the
// address-space limit (ulimit -v) less what the process already maps.
std::uint64_t AvailableMemory();

// "12 MB", rounded up.
std::string Megabytes(std::uint64_t bytes);

// What a frame of this size holds at its peak: the decoded picture, the host's input and
// the effect's checkout of it, the output, and two images (the picture and the host's
// copy) per layer file; plus room for the effect's dot records.
std::uint64_t FrameNeed(int width, int height, Depth depth, int layerFiles, int dx, int dy);

}  // namespace tonedot::cli
