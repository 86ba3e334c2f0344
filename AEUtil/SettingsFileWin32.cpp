// Settings files on Windows: read whole in one opening, and replaced through a temporary
// file in the same folder while a mutex named after the file is held, with the text rules
// every platform shares (ProfileText).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "AEUtil/AsciiCase.h"
#include "AEUtil/Platform.h"
#include "AEUtil/ProfileText.h"

namespace AEUtil {
namespace Platform {
namespace {

std::atomic<std::size_t> g_opens{0};

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (Valid()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

SettingsFileStatus LoadBytes(const char* path, std::string& bytes) {
    bytes.clear();
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                   ? SettingsFileStatus::Missing
                   : SettingsFileStatus::Unreadable;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return SettingsFileStatus::NotAFile;
    ++g_opens;
    const Handle file(CreateFileA(path, GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return SettingsFileStatus::Unreadable;
    const DWORD type = GetFileType(file.Get());
    if (type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE) return SettingsFileStatus::NotAFile;
    if (type == FILE_TYPE_DISK) {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.Get(), &size)) return SettingsFileStatus::Unreadable;
        if (static_cast<std::uint64_t>(size.QuadPart) > kSettingsFileLimit)
            return SettingsFileStatus::TooLarge;
    }
    char chunk[8192];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.Get(), chunk, sizeof chunk, &n, nullptr)) {
            if (GetLastError() == ERROR_BROKEN_PIPE) break;  // the writer closed the pipe
            return SettingsFileStatus::Unreadable;
        }
        if (n == 0) break;
        bytes.append(chunk, n);
        if (bytes.size() > kSettingsFileLimit) {
            bytes.clear();
            return SettingsFileStatus::TooLarge;
        }
    }
    return SettingsFileStatus::Read;
}

SettingsFileStatus LoadText(const char* path, std::string& text, ProfileText::Encoding& encoding) {
    std::string bytes;
    const SettingsFileStatus status = LoadBytes(path, bytes);
    if (status != SettingsFileStatus::Read) return status;
    if (!ProfileText::Decode(bytes, text, encoding)) return SettingsFileStatus::BadText;
    return status;
}

// Replaces `target` by a file holding `bytes`: written and flushed under a temporary name in
// the same folder, then moved over the target, so readers see the old or the new file.
bool ReplaceFileContents(const std::string& target, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    std::string temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = target + ".~" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(counter++);
        h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        const DWORD piece = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD written = 0;
        ok = WriteFile(h, bytes.data() + done, piece, &written, nullptr) && written > 0;
        done += written;
    }
    ok = ok && FlushFileBuffers(h);
    ok = CloseHandle(h) && ok;
    ok = ok && MoveFileExA(temp.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileA(temp.c_str());
    return ok;
}

// A mutex named after the file (its path folded to lower case), held while the object
// lives; every writer of this layer takes it, so two writes never interleave.
class FileLock {
public:
    explicit FileLock(const std::string& target) {
        std::string name = "Local\\T_Tonedot.settings.";
        for (char c : target) name += c == '\\' ? '/' : FoldAsciiCase(c);
        if (name.size() >= MAX_PATH) name = name.substr(name.size() - (MAX_PATH - 1));
        mutex_ = CreateMutexA(nullptr, FALSE, name.c_str());
        if (!mutex_) return;
        const DWORD waited = WaitForSingleObject(mutex_, INFINITE);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~FileLock() {
        if (held_) ReleaseMutex(mutex_);
        if (mutex_) CloseHandle(mutex_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return held_; }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
};

}  // namespace

SettingsFileStatus ReadSettingsFile(const char* path, std::string& text) {
    text.clear();
    if (!path || !path[0]) return SettingsFileStatus::Missing;
    ProfileText::Encoding encoding{};
    return LoadText(path, text, encoding);
}

std::size_t SettingsFileOpenCount() { return g_opens.load(); }

bool ProfileWriteStrings(const char* section,
                         const std::vector<std::pair<std::string, std::string>>& values,
                         const char* file) {
    if (!section || !file || !file[0]) return false;
    const std::string target(file);
    const FileLock lock(target);
    if (!lock.Held()) return false;
    std::string text;
    ProfileText::Encoding encoding = ProfileText::Encoding::Bytes;
    const SettingsFileStatus loaded = LoadText(file, text, encoding);
    if (loaded != SettingsFileStatus::Read && loaded != SettingsFileStatus::Missing) return false;
    const bool existed = loaded == SettingsFileStatus::Read;
    if (existed && (GetFileAttributesA(file) & FILE_ATTRIBUTE_READONLY)) return false;
    const std::string before = text;
    if (!ProfileText::SetValues(text, section, values)) return false;
    if (existed && text == before) return true;  // nothing to change
    return ReplaceFileContents(target, ProfileText::Encode(text, encoding));
}

}  // namespace Platform
}  // namespace AEUtil
