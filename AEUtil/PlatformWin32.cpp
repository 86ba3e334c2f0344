// Platform services on Windows: the shell's application-data folder, the kernel's
// private-profile functions, the shell's command-line splitter, the user's UI language and
// the keyboard state.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <climits>
#include <cstring>

#include "AEUtil/Platform.h"

#ifdef _MSC_VER
#pragma comment(lib, "shell32.lib")
#pragma comment(lib, "user32.lib")
#endif

namespace AEUtil {
namespace Platform {
namespace {

// A wide text in the ANSI code page; false when a character has no exact ANSI form (a path
// with such characters would name another file).
bool WideToAnsi(const wchar_t* wide, std::string& out) {
    out.clear();
    const UINT codePage = GetACP();
    const bool utf8 = codePage == CP_UTF8;
    BOOL lossy = FALSE;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size = WideCharToMultiByte(codePage, flags, wide, -1, nullptr, 0, nullptr,
                                         utf8 ? nullptr : &lossy);
    if (size <= 0 || lossy) return false;
    std::string buffer(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(codePage, flags, wide, -1, &buffer[0], size, nullptr,
                            utf8 ? nullptr : &lossy) != size ||
        lossy) {
        return false;
    }
    buffer.resize(static_cast<std::size_t>(size) - 1);
    out.swap(buffer);
    return true;
}

std::string WideToUtf8(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string buffer(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &buffer[0], size, nullptr, nullptr);
    buffer.resize(static_cast<std::size_t>(size) - 1);
    return buffer;
}

bool HasLineBreak(const char* s) {
    for (; *s; ++s)
        if (*s == '\r' || *s == '\n') return true;
    return false;
}

}  // namespace

namespace Native {

std::string AppDataFolder() {
    // CSIDL_APPDATA without CSIDL_FLAG_CREATE: the folder is looked up, never created.
    wchar_t wide[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, wide)))
        return std::string();
    std::string folder;
    if (!WideToAnsi(wide, folder)) return std::string();
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!list) return arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(WideToUtf8(list[i]));
    LocalFree(list);
    return arguments;
}

std::uint16_t UserUILanguage() { return static_cast<std::uint16_t>(GetUserDefaultUILanguage()); }

bool ShiftKeyHeld() { return GetKeyState(VK_SHIFT) < 0; }

}  // namespace Native

bool FolderExists(const char* path) {
    if (!path || !path[0]) return false;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderTree(const char* path) {
    if (!path || !path[0]) return false;
    const int result = SHCreateDirectoryExA(nullptr, path, nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS && result != ERROR_FILE_EXISTS)
        return false;
    return FolderExists(path);
}

bool RemoveEmptyFolder(const char* path) {
    return path && path[0] && RemoveDirectoryA(path) != 0;
}

bool DeleteFileAt(const char* path) { return path && path[0] && DeleteFileA(path) != 0; }

int ProfileReadInt(const char* section, const char* key, int fallback, const char* file) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, file));
}

std::size_t ProfileReadString(const char* section, const char* key, const char* fallback,
                              char* out, std::size_t outSize, const char* file) {
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    const DWORD size = outSize > static_cast<std::size_t>(INT_MAX) ? static_cast<DWORD>(INT_MAX)
                                                                   : static_cast<DWORD>(outSize);
    const DWORD copied =
        GetPrivateProfileStringA(section, key, fallback ? fallback : "", out, size, file);
    out[size - 1] = '\0';
    return copied < size ? copied : size - 1;
}

bool ProfileWriteString(const char* section, const char* key, const char* value,
                        const char* file) {
    // The kernel writes texts as they are; a line break would add lines to the file.
    if (!section[0] || !key[0] || key[0] == '[' || std::strchr(key, '=') ||
        HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) {
        return false;
    }
    return WritePrivateProfileStringA(section, key, value, file) != 0;
}

}  // namespace Platform
}  // namespace AEUtil
