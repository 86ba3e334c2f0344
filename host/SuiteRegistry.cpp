#include "host/SuiteRegistry.h"

namespace tonedot {

void SuiteRegistry::Provide(const std::string& name, int32 version, const void* table) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[{name, version}].table = table;
}

void SuiteRegistry::Withhold(const std::string& name, int32 version, bool withheld) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[{name, version}].withheld = withheld;
}

bool SuiteRegistry::IsWithheld(const std::string& name, int32 version) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find({name, version});
    return it != entries_.end() && it->second.withheld;
}

SPErr SuiteRegistry::Acquire(const char* name, int32 version, const void** suite) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (suite) *suite = nullptr;
    if (!name || !suite) return kSPSuiteNotFoundError;
    auto it = entries_.find({name, version});
    if (it == entries_.end() || it->second.withheld || !it->second.table) {
        return kSPSuiteNotFoundError;
    }
    ++it->second.acquires;
    ++it->second.held;
    *suite = it->second.table;
    return kSPNoError;
}

SPErr SuiteRegistry::Release(const char* name, int32 version) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = name ? entries_.find({name, version}) : entries_.end();
    if (it == entries_.end() || it->second.held == 0) {
        ++strayReleases_;
        return kSPSuiteNotFoundError;
    }
    ++it->second.releases;
    --it->second.held;
    return kSPNoError;
}

size_t SuiteRegistry::AcquireCount(const std::string& name, int32 version) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find({name, version});
    return it == entries_.end() ? 0 : it->second.acquires;
}

size_t SuiteRegistry::ReleaseCount(const std::string& name, int32 version) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find({name, version});
    return it == entries_.end() ? 0 : it->second.releases;
}

size_t SuiteRegistry::TotalAcquires() {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t total = 0;
    for (auto& entry : entries_) total += entry.second.acquires;
    return total;
}

long SuiteRegistry::Outstanding() {
    std::lock_guard<std::mutex> lock(mutex_);
    long total = 0;
    for (auto& entry : entries_) total += entry.second.held;
    return total;
}

bool SuiteRegistry::Balanced() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (strayReleases_) return false;
    for (auto& entry : entries_) {
        if (entry.second.held) return false;
    }
    return true;
}

std::vector<std::pair<SuiteRegistry::Key, long>> SuiteRegistry::Unbalanced() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::pair<Key, long>> result;
    for (auto& entry : entries_) {
        if (entry.second.held) result.emplace_back(entry.first, entry.second.held);
    }
    if (strayReleases_) result.emplace_back(Key{"(releases of suites not held)", 0},
                                            -static_cast<long>(strayReleases_));
    return result;
}

void SuiteRegistry::ResetCounts() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& entry : entries_) {
        entry.second.acquires = entry.second.releases = 0;
        entry.second.held = 0;
    }
    strayReleases_ = 0;
}

}  // namespace tonedot
