#include "cli/LayerFiles.h"

#include "cli/ExitCodes.h"
#include "cli/ImageFile.h"

namespace tonedot::cli {

std::shared_ptr<const Picture> LayerFiles::Get(const std::string& path, Depth depth, bool luma,
                                               const std::string& param) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto key = std::make_tuple(path, depth, luma);
    auto it = cache_.find(key);
    if (it == cache_.end()) it = cache_.emplace(key, Read(path, depth, luma, param)).first;
    return it->second;
}

std::shared_ptr<const Picture> LayerFiles::Read(const std::string& path, Depth depth, bool luma,
                                                const std::string& param) {
    LoadedImage loaded = ReadImage(path, depth);
    if (luma) return std::make_shared<const Picture>(LuminanceAsAlpha(std::move(loaded.picture)));
    if (!loaded.hasAlpha && param.find("Mask") != std::string::npos) {
        std::lock_guard<std::mutex> lock(warnMutex_);
        if (warned_.insert(path).second)
            Warn("\"" + path + "\" has no alpha channel, so as \"" + param +
                 "\" it is opaque everywhere; to use its brightness instead give --layer \"" + param + "=" + path +
                 ":luma\".");
    }
    return std::make_shared<const Picture>(std::move(loaded.picture));
}

}  // namespace tonedot::cli
