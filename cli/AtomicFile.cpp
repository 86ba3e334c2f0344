#include "cli/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/ExitCodes.h"
#include "cli/Progress.h"

namespace tonedot::cli {
namespace {

// The temporary files of the run, in fixed slots a signal handler can walk without locks
// or allocation: a slot is claimed (1) while its name is copied, and ready (2) after.
constexpr int kSlots = 1024;
struct PendingSlot {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
PendingSlot gPending[kSlots];

int ClaimSlot(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (gPending[i].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(gPending[i].path, path.c_str(), path.size() + 1);
            gPending[i].state.store(2);
            return i;
        }
    }
    return -1;
}

void ReleaseSlot(int slot) {
    if (slot >= 0) gPending[slot].state.store(0);
}

// What a name that exists but is no regular file stands for ("" for a regular file or a name
// that is not there).  A link counts as what it leads to.
std::string NotARegularFile(const std::string& path) {
    // A link to a descriptor (/dev/stdout, /proc/self/fd/1) is the stream, whatever it
    // leads to: renaming over it would replace the link itself.
    std::string hop = path;
    for (int i = 0; i < 40; ++i) {
        if (hop.compare(0, 6, "/proc/") == 0 || hop.compare(0, 8, "/dev/fd/") == 0 || hop == "/dev/stdout" ||
            hop == "/dev/stderr")
            return "it is a stream (" + hop + "), and tonedot replaces only regular files (-o - writes to standard output)";
        char next[PATH_MAX];
        const ssize_t n = readlink(hop.c_str(), next, sizeof next - 1);
        if (n <= 0) break;
        next[n] = '\0';
        const std::size_t slash = hop.find_last_of('/');
        hop = next[0] == '/' || slash == std::string::npos ? std::string(next) : hop.substr(0, slash + 1) + next;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return "";
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    const char* kind = S_ISCHR(st.st_mode) ? "a device" : S_ISBLK(st.st_mode) ? "a disk device"
                       : S_ISFIFO(st.st_mode) ? "a named pipe" : S_ISSOCK(st.st_mode) ? "a socket" : "not a file";
    return std::string("it is ") + kind + ", and tonedot replaces only regular files (-o - writes to standard output)";
}

// NAME_MAX: the temporary name "." + stem + ".tonedot-XXXXXX" + ext must fit as well.
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kTempMarkBytes = sizeof(".tonedot-XXXXXX") - 1;

}  // namespace

void ThrowWriteError(const std::string& path, const std::string& reason) {
    throw IOError("cannot write \"" + path + "\": " + reason + ".");
}

int WriteAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty()) ThrowWriteError(target, "not a file name");
    if (const std::string why = NotARegularFile(target); !why.empty()) ThrowWriteError(target, why);
    if (name.size() > kMaxNameBytes) ThrowWriteError(target, "the name is longer than 255 bytes");
    // The temporary name keeps the target's extension, which tells the image writers the
    // file format: ".<stem>.tonedot-XXXXXX<.ext>", the stem shortened to fit.
    const std::size_t dot = name.find_last_of('.');
    std::string ext = dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
    if (ext.size() + 1 + kTempMarkBytes > kMaxNameBytes) ext.clear();
    std::string stem = name.substr(0, name.size() - ext.size());
    stem.resize(std::min(stem.size(), kMaxNameBytes - 1 - kTempMarkBytes - ext.size()));
    const std::string pattern = folder + "." + stem + ".tonedot-XXXXXX" + ext;
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemps(buffer.data(), static_cast<int>(ext.size()));
    if (fd < 0) ThrowWriteError(target, std::strerror(errno));
    close(fd);
    temp_ = buffer.data();
    slot_ = ClaimSlot(temp_);
    if (slot_ < 0) {
        std::remove(temp_.c_str());
        ThrowWriteError(target, "too many files in progress");
    }
}

std::string AtomicFile::Shown(std::string message) const {
    const std::size_t slash = temp_.find_last_of('/');
    const std::size_t targetSlash = target_.find_last_of('/');
    for (const auto& [hidden, shown] :
         {std::make_pair(temp_, target_),
          std::make_pair(temp_.substr(slash == std::string::npos ? 0 : slash + 1),
                         target_.substr(targetSlash == std::string::npos ? 0 : targetSlash + 1))})
        for (std::size_t at = 0; (at = message.find(hidden, at)) != std::string::npos; at += shown.size())
            message.replace(at, hidden.size(), shown);
    return message;
}

AtomicFile::~AtomicFile() {
    if (!committed_) std::remove(temp_.c_str());
    ReleaseSlot(slot_);
}

void AtomicFile::Commit() {
    // Whatever the writer believed, the bytes must be on the disk before the old file goes.
    const int fd = open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowWriteError(target_, std::strerror(errno));
    const bool synced = fsync(fd) == 0;
    const int syncError = errno;
    close(fd);
    if (!synced && syncError != EINVAL) ThrowWriteError(target_, std::strerror(syncError));

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
    // What came in the target's place meanwhile is not replaced either.
    if (const std::string why = NotARegularFile(target_); !why.empty()) ThrowWriteError(target_, why);
    // A frame that was still being written when the run was interrupted is not kept.
    if (Interrupted()) throw CliError(InterruptExitCode(), "interrupted; nothing partial was written.");
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) ThrowWriteError(target_, std::strerror(errno));
    committed_ = true;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

void WriteTextFileAtomically(const std::string& path, const std::string& text) {
    AtomicFile file(path);
    const int fd = open(file.TempPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) ThrowWriteError(path, std::strerror(errno));
    const int writeError = WriteAll(fd, text.data(), text.size());
    const int closeError = close(fd) == 0 ? 0 : errno;
    if (writeError || closeError) ThrowWriteError(path, std::strerror(writeError ? writeError : closeError));
    file.Commit();
    std::string back;
    if (!ReadWholeFile(path, back) || back != text)
        ThrowWriteError(path, "the file does not hold what was written (read back " +
                                  std::to_string(back.size()) + " of " + std::to_string(text.size()) + " bytes)");
}

void RemovePendingTempFiles() {
    for (PendingSlot& slot : gPending)
        if (slot.state.load() == 2) unlink(slot.path);
}

void RemovePendingTempFilesInSignal() {
    for (PendingSlot& slot : gPending)
        if (slot.state.load() == 2) unlink(slot.path);
}

}  // namespace tonedot::cli
