// Layer images of a run: files without a frame field are read once and shared by every
// frame.
#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

#include "session/Picture.h"
#include "cli/Names.h"

namespace tonedot::cli {

class LayerFiles {
public:
    // The file's picture, read on first use and shared after.
    std::shared_ptr<const Picture> Get(const std::string& path, Depth depth, bool luma, const std::string& param);

    // Reads a layer file; a mask from a file without alpha would be opaque everywhere, so
    // it gets a warning (once per file) unless its luminance is asked for.
    std::shared_ptr<const Picture> Read(const std::string& path, Depth depth, bool luma, const std::string& param);

private:
    std::mutex mutex_, warnMutex_;
    std::set<std::string> warned_;
    std::map<std::tuple<std::string, Depth, bool>, std::shared_ptr<const Picture>> cache_;
};

}  // namespace tonedot::cli
