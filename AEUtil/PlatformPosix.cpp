// Platform services on POSIX systems: the user's configuration folder stands in for the
// application-data folder, the locale environment for the user-interface language.
#include "AEUtil/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace AEUtil {
namespace Platform {
namespace {

bool IsAbsolute(const char* path) { return path && path[0] == '/'; }

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && IsAbsolute(home)) return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        IsAbsolute(found->pw_dir)) {
        return found->pw_dir;
    }
    return std::string();
}

// True when a locale name such as "ja", "ja_JP.UTF-8" or "ja@cjknarrow" names Japanese.
bool NamesJapanese(const char* locale) {
    if (!((locale[0] == 'j' || locale[0] == 'J') && (locale[1] == 'a' || locale[1] == 'A')))
        return false;
    const char next = locale[2];
    return next == '\0' || next == '_' || next == '.' || next == '@' || next == '-';
}

}  // namespace

namespace Native {

std::string AppDataFolder() {
    // XDG_CONFIG_HOME counts only when absolute; a relative value is to be ignored.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && IsAbsolute(xdg)) return WithoutTrailingSlashes(xdg);
    const std::string home = HomeFolder();
    if (home.empty()) return std::string();
    return WithoutTrailingSlashes(home) + (home == "/" ? ".config" : "/.config");
}

std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> arguments;
    std::FILE* file = std::fopen("/proc/self/cmdline", "rb");
    if (!file) return arguments;
    std::string text;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
    std::fclose(file);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        arguments.emplace_back(text, start, end - start);
        start = end + 1;
    }
    return arguments;
}

std::uint16_t UserUILanguage() {
    // The first of these that is set and not empty decides, as for message catalogues.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && value[0]) return NamesJapanese(value) ? kLangIdJapanese : kLangIdEnglishUS;
    }
    return kLangIdEnglishUS;
}

bool ShiftKeyHeld() { return false; }

}  // namespace Native

bool FolderExists(const char* path) {
    struct stat info {};
    return path && path[0] && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateFolderTree(const char* path) {
    if (!path || !path[0]) return false;
    std::string partial;
    const std::string full(path);
    std::size_t pos = 0;
    while (pos <= full.size()) {
        std::size_t next = full.find('/', pos);
        if (next == std::string::npos) next = full.size();
        partial.assign(full, 0, next);
        if (!partial.empty() && partial != "." && partial != "..")
            if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
        pos = next + 1;
    }
    return FolderExists(path);
}

bool RemoveEmptyFolder(const char* path) { return path && path[0] && rmdir(path) == 0; }

bool DeleteFileAt(const char* path) {
    struct stat info {};
    if (!path || !path[0] || lstat(path, &info) != 0 || S_ISDIR(info.st_mode)) return false;
    return unlink(path) == 0;
}

}  // namespace Platform
}  // namespace AEUtil
