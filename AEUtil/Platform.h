// The operating-system services the effect uses, behind one thin interface.  Windows gets
// them from the shell and kernel (PlatformWin32.cpp); elsewhere PlatformPosix.cpp supplies
// equivalents, including a private-profile (INI) reader and writer with the Windows file
// format and reading rules.
//
// Paths and profile texts are narrow strings in the system's narrow encoding (the ANSI code
// page on Windows, bytes elsewhere).  Command-line arguments are UTF-8.
//
// A few answers depend on the machine (application-data folder, command line, UI language,
// Shift key).  Tests and tools replace them with the Set...Override functions; an override
// stays until it is cleared.  Overrides are meant to be set before the effect is used and
// are not synchronised.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace AEUtil {
namespace Platform {

// The separator this platform puts between folder names when it builds a path.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Windows language id of Japanese (LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN).
constexpr std::uint16_t kLangIdJapanese = 0x0411;
// Windows language id of US English, what the portable layer answers for any other locale.
constexpr std::uint16_t kLangIdEnglishUS = 0x0409;

// ---- folders and files ----------------------------------------------------------------------

// The current user's application-data folder without a trailing separator, never created
// by this call.  Empty when it cannot be determined.
std::string AppDataFolder();

// Creates `path` and every missing parent folder.  True when the folder exists afterwards.
bool CreateFolderTree(const char* path);

// Removes the folder `path` when it is empty.  False when it was not removed.
bool RemoveEmptyFolder(const char* path);

// Deletes the file `path`.  False when it was not deleted (missing, in use, no right).
bool DeleteFileAt(const char* path);

// True when `path` names an existing folder.
bool FolderExists(const char* path);

// ---- private-profile (INI) files ------------------------------------------------------------
// Same contract as the Windows functions GetPrivateProfileIntA, GetPrivateProfileStringA and
// WritePrivateProfileStringA for a named section and key.  `section`, `key` and `file` must
// not be null; `file` should be an absolute path.

// The key's value read as a decimal integer from its leading digits (optional blanks and
// sign first; no digits give 0); `fallback` when the file, section or key is missing or the
// value is empty.
int ProfileReadInt(const char* section, const char* key, int fallback, const char* file);

// Copies the key's value (or `fallback`, or "" when `fallback` is null) into `out`: blanks
// around the value trimmed, one pair of matching surrounding quotes removed, cut to
// `outSize` - 1 characters and always terminated when `outSize` > 0.  Returns the number of
// characters copied, without the terminator.
std::size_t ProfileReadString(const char* section, const char* key, const char* fallback,
                              char* out, std::size_t outSize, const char* file);

// Sets the key's value, creating the file (when its folder exists), the section or the key
// as needed and keeping every other line.  The file is replaced as a whole, so a failed
// write leaves the old file.  False when nothing was written.
bool ProfileWriteString(const char* section, const char* key, const char* value,
                        const char* file);

// ---- settings files (stored defaults and presets) -------------------------------------------
// The largest settings file read: 1 MiB.  A larger one is not read at all.
constexpr std::size_t kSettingsFileLimit = std::size_t(1) << 20;

enum class SettingsFileStatus {
    Read,        // `text` holds the file's text
    Missing,     // no such file
    TooLarge,    // more than kSettingsFileLimit bytes
    NotAFile,    // a folder or a device
    BadText,     // marked as UTF-16 but not UTF-16
    Unreadable,  // any other failure
};

// Reads a settings file whole, opening it once: a regular file, or a pipe (FIFO) read once
// to its end; folders and devices are not opened.  Text in UTF-16 with a byte-order mark
// (little- or big-endian) is converted to UTF-8 without the mark; other bytes are given as
// they are.
SettingsFileStatus ReadSettingsFile(const char* path, std::string& text);

// What is wrong with a settings file of that status, for a message ("larger than 1 MiB").
const char* SettingsFileProblem(SettingsFileStatus status);

// How many times this process has opened a settings file for reading through this layer
// (the profile readers and writers included).
std::size_t SettingsFileOpenCount();

// Sets every key of `values` in `section` of `file` in one replacement of the file, made
// while no other writer of this layer (in any process) writes it: the file is read once,
// written whole under a temporary name in its folder and renamed over the old one, so a
// reader sees the old file or the new one, never a mix.  A UTF-16 file stays UTF-16.
// False when nothing was written: the same refusals as ProfileWriteString, and a file
// that is too large, not a file or not readable is left as it is.
bool ProfileWriteStrings(const char* section,
                         const std::vector<std::pair<std::string, std::string>>& values,
                         const char* file);

// ---- process and user ----------------------------------------------------------------------

// The arguments the process was started with, program name first, as UTF-8.  Empty when
// they cannot be obtained.
std::vector<std::string> CommandLineArguments();

// The user's default user-interface language as a Windows language id.
std::uint16_t UserUILanguage();

// True while the Shift key is held down.
bool ShiftKeyHeld();

// ---- overrides for tests and tools ------------------------------------------------------------

void SetAppDataFolderOverride(const std::string& folder);
void ClearAppDataFolderOverride();
void SetCommandLineOverride(const std::vector<std::string>& arguments);
void ClearCommandLineOverride();
void SetUILanguageOverride(std::uint16_t langId);
void ClearUILanguageOverride();
void SetShiftKeyOverride(bool held);
void ClearShiftKeyOverride();

namespace Native {
// The machine's own answers, implemented per platform; the public functions above consult
// the overrides first.
std::string AppDataFolder();
std::vector<std::string> CommandLineArguments();
std::uint16_t UserUILanguage();
bool ShiftKeyHeld();
}  // namespace Native

}  // namespace Platform
}  // namespace AEUtil
