// The stand-in host's suite broker behind SPBasicSuite: serves function tables by (name,
// version), can withhold any of them, and counts acquires against releases.
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>
#include "AEUtil/HostApi.h"

namespace tonedot {

class SuiteRegistry {
public:
    using Key = std::pair<std::string, int32>;

    // Serves `table` under (name, version) from now on.
    void Provide(const std::string& name, int32 version, const void* table);
    // A withheld suite is answered as absent until it is served again.
    void Withhold(const std::string& name, int32 version, bool withheld = true);
    bool IsWithheld(const std::string& name, int32 version);

    SPErr Acquire(const char* name, int32 version, const void** suite);
    SPErr Release(const char* name, int32 version);

    size_t AcquireCount(const std::string& name, int32 version);
    size_t ReleaseCount(const std::string& name, int32 version);
    size_t TotalAcquires();
    // Acquired suites not yet released, over all pairs.
    long Outstanding();
    // True when every pair was released as often as it was acquired and nothing released a
    // suite it did not hold.
    bool Balanced();
    // Pairs with their outstanding count, for messages.
    std::vector<std::pair<Key, long>> Unbalanced();
    void ResetCounts();

private:
    struct Entry {
        const void* table = nullptr;
        bool withheld = false;
        size_t acquires = 0;
        size_t releases = 0;
        long held = 0;
    };
    std::mutex mutex_;
    std::map<Key, Entry> entries_;
    size_t strayReleases_ = 0;
};

}  // namespace tonedot
