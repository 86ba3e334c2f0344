#include "cli/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/ExitCodes.h"

namespace tonedot::cli {
namespace {

std::mutex& PendingMutex() {
    static std::mutex m;
    return m;
}
std::set<std::string>& Pending() {
    static std::set<std::string> s;
    return s;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty()) throw IOError("cannot write \"" + target + "\": not a file name.");
    struct stat st;
    if (stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw IOError("cannot write \"" + target + "\": it is a folder.");
    // The temporary name keeps the target's extension, which tells the image writers the
    // file format: ".<stem>.tonedot-XXXXXX<.ext>".
    const std::size_t dot = name.find_last_of('.');
    const std::string ext = dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
    const std::string stem = name.substr(0, name.size() - ext.size());
    const std::string pattern = folder + "." + stem + ".tonedot-XXXXXX" + ext;
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemps(buffer.data(), static_cast<int>(ext.size()));
    if (fd < 0)
        throw IOError("cannot write \"" + target + "\": " + std::strerror(errno) + ".");
    close(fd);
    temp_ = buffer.data();
    std::lock_guard<std::mutex> lock(PendingMutex());
    Pending().insert(temp_);
}

AtomicFile::~AtomicFile() {
    if (!committed_) std::remove(temp_.c_str());
    std::lock_guard<std::mutex> lock(PendingMutex());
    Pending().erase(temp_);
}

void AtomicFile::Commit() {
    struct stat st;
    mode_t mode;
    if (stat(target_.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    chmod(temp_.c_str(), mode);
    if (std::rename(temp_.c_str(), target_.c_str()) != 0)
        throw IOError("cannot write \"" + target_ + "\": " + std::strerror(errno) + ".");
    committed_ = true;
}

void WriteTextFileAtomically(const std::string& path, const std::string& text) {
    AtomicFile file(path);
    std::FILE* f = std::fopen(file.TempPath().c_str(), "wb");
    if (!f) throw IOError("cannot write \"" + path + "\": " + std::strerror(errno) + ".");
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (!ok || !closed) throw IOError("cannot write \"" + path + "\": " + std::strerror(errno) + ".");
    file.Commit();
}

void RemovePendingTempFiles() {
    // Called from a signal-free context (after the render loop stopped), so locking is safe.
    std::lock_guard<std::mutex> lock(PendingMutex());
    for (const std::string& p : Pending()) std::remove(p.c_str());
}

}  // namespace tonedot::cli
