// A private folder for one fuzz run, in memory when the system has a tmpfs, removed with its
// files when the program ends.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace tonedot::fuzz {

class FuzzScratch {
public:
    FuzzScratch() {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/tonedot-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0])) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ~FuzzScratch() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    std::string operator/(const char* name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Writes `size` bytes to `path`, replacing the file.
inline void WriteFileBytes(const std::string& path, const unsigned char* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

}  // namespace tonedot::fuzz
