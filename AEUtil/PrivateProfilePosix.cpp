// Private-profile (INI) files without the Windows kernel: the same file format and the
// reading rules Windows applies (ProfileText), so a file written on one system reads the
// same on the other.  Files are read whole in one opening and replaced through a temporary
// file in the same folder, under a lock on that folder.
#include "AEUtil/Platform.h"

#include <atomic>
#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AEUtil/ProfileText.h"

namespace AEUtil {
namespace Platform {
namespace {

using ProfileText::Trim;

std::atomic<std::size_t> g_opens{0};

// The file's bytes, at most kSettingsFileLimit of them, from one opening.
SettingsFileStatus LoadBytes(const char* path, std::string& bytes, struct stat& info) {
    bytes.clear();
    // Devices and folders are refused before they are opened (opening some has effects).
    if (stat(path, &info) != 0) {
        return errno == ENOENT ? SettingsFileStatus::Missing : SettingsFileStatus::Unreadable;
    }
    if (!S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode)) return SettingsFileStatus::NotAFile;
    if (S_ISREG(info.st_mode) && static_cast<unsigned long long>(info.st_size) > kSettingsFileLimit)
        return SettingsFileStatus::TooLarge;
    ++g_opens;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? SettingsFileStatus::Missing : SettingsFileStatus::Unreadable;
    if (fstat(fd, &info) != 0 || (!S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode))) {
        close(fd);
        return SettingsFileStatus::NotAFile;
    }
    char chunk[8192];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            bytes.append(chunk, static_cast<std::size_t>(n));
            if (bytes.size() > kSettingsFileLimit) {
                close(fd);
                bytes.clear();
                return SettingsFileStatus::TooLarge;
            }
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            close(fd);
            return SettingsFileStatus::Unreadable;
        }
    }
    close(fd);
    return SettingsFileStatus::Read;
}

SettingsFileStatus LoadText(const char* path, std::string& text, ProfileText::Encoding& encoding,
                            struct stat& info) {
    std::string bytes;
    const SettingsFileStatus status = LoadBytes(path, bytes, info);
    if (status != SettingsFileStatus::Read) return status;
    if (!ProfileText::Decode(bytes, text, encoding)) return SettingsFileStatus::BadText;
    return status;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            return false;
        }
    }
    return true;
}

// Replaces `target` by a file holding `bytes`: written and flushed under a temporary name in
// the same folder, then renamed over the target, so readers see the old or the new file.
bool ReplaceFileContents(const std::string& target, const std::string& bytes,
                         const struct stat* previous) {
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".~" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = true;
    if (previous) ok = fchmod(fd, previous->st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, bytes) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

// An exclusive lock on the folder that holds `target`, held while the object lives; every
// writer of this layer takes it, so two writes never interleave.
class FolderLock {
public:
    explicit FolderLock(const std::string& target) {
        const std::size_t slash = target.rfind('/');
        const std::string folder =
            slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
        fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) return;
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace

SettingsFileStatus ReadSettingsFile(const char* path, std::string& text) {
    text.clear();
    if (!path || !path[0]) return SettingsFileStatus::Missing;
    struct stat info {};
    ProfileText::Encoding encoding{};
    return LoadText(path, text, encoding, info);
}

std::size_t SettingsFileOpenCount() { return g_opens.load(); }

std::size_t ProfileReadString(const char* section, const char* key, const char* fallback,
                              char* out, std::size_t outSize, const char* file) {
    assert(section && key && file);
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    if (Trim(key).empty()) return 0;

    std::string_view source;
    std::string text;
    std::map<std::string, std::string> values;
    const std::string* found = nullptr;
    if (ReadSettingsFile(file, text) == SettingsFileStatus::Read) {
        values = ProfileText::SectionValues(text, section);
        found = ProfileText::FindValue(values, key);
    }
    if (found) {
        source = *found;
    } else {
        source = fallback ? std::string_view(fallback) : std::string_view();
        while (!source.empty() && source.back() == ' ') source.remove_suffix(1);
        // One pair of matching quotes around the whole value is dropped.
        if (source.size() >= 2 && (source.front() == '"' || source.front() == '\'') &&
            source.back() == source.front()) {
            source = source.substr(1, source.size() - 2);
        }
    }
    const std::size_t count = source.size() < outSize - 1 ? source.size() : outSize - 1;
    source.copy(out, count);
    out[count] = '\0';
    return count;
}

int ProfileReadInt(const char* section, const char* key, int fallback, const char* file) {
    char text[30];
    if (ProfileReadString(section, key, "", text, sizeof text, file) == 0) return fallback;
    // Decimal digits after optional blanks and a sign; the value wraps like an unsigned
    // 32-bit number, as the Windows conversion does.
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    unsigned value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10u + static_cast<unsigned>(*p++ - '0');
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

bool ProfileWriteStrings(const char* section,
                         const std::vector<std::pair<std::string, std::string>>& values,
                         const char* file) {
    assert(section && file);
    // Write through a symbolic link to the file it names.
    std::string target(file);
    struct stat linkInfo {};
    if (lstat(file, &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        char* resolved = realpath(file, nullptr);
        if (!resolved) return false;
        target = resolved;
        std::free(resolved);
    }

    // Only a regular file is replaced (a pipe is not even read).
    struct stat existing {};
    if (stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) return false;
    const FolderLock lock(target);
    if (!lock.Held()) return false;
    std::string text;
    ProfileText::Encoding encoding = ProfileText::Encoding::Bytes;
    struct stat info {};
    const SettingsFileStatus loaded = LoadText(target.c_str(), text, encoding, info);
    if (loaded != SettingsFileStatus::Read && loaded != SettingsFileStatus::Missing) return false;
    const bool existed = loaded == SettingsFileStatus::Read;
    if (existed && (!S_ISREG(info.st_mode) || access(target.c_str(), W_OK) != 0)) return false;

    const std::string before = text;
    if (!ProfileText::SetValues(text, section, values)) return false;
    if (existed && text == before) return true;  // nothing to change
    return ReplaceFileContents(target, ProfileText::Encode(text, encoding),
                               existed ? &info : nullptr);
}

bool ProfileWriteString(const char* section, const char* key, const char* value,
                        const char* file) {
    assert(section && key && value && file);
    return ProfileWriteStrings(section, {{key, value}}, file);
}

}  // namespace Platform
}  // namespace AEUtil
