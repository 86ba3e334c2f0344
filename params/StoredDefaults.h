// The user's stored parameter defaults: one INI file below the application-data folder,
// in the folder and under the file and section names the effect's identity gives
// (EffectIdentity), one key per parameter named by the parameter's display name.
//
// Readers take the file path (null: no stored defaults), the parameter's name and its
// built-in default, and answer the built-in default whenever the file cannot give a usable
// value.  Writers do nothing without a path.  Both do nothing while `SettingsSection` is
// empty.  Reals are always written with a decimal point and read with a point or a comma,
// whatever the C runtime locale.
#pragma once
#include <cstddef>

#include "AEUtil/HostApi.h"

namespace Params {

// Size of a settings path buffer (the Windows MAX_PATH, terminator included).
constexpr std::size_t kSettingsPathSize = 260;
// Size of the section name buffer (terminator included).
constexpr std::size_t kSettingsSectionSize = 128;

// Fills `out` with the settings file's full path.  When the application-data folder is
// unknown or not absolute, or the path does not fit in `outSize` (at most
// kSettingsPathSize), `out` is made empty and the answer is false: no stored defaults.
bool GetSettingsPath(char* out, std::size_t outSize);
inline bool GetSettingsPath(char (&out)[kSettingsPathSize]) {
    return GetSettingsPath(out, kSettingsPathSize);
}

// The section name readers and writers use; empty when stored defaults do not apply.
const char* SettingsSection();
// Sets it (cut to kSettingsSectionSize - 1 characters); null or "" makes it empty.  Called
// from PF_Cmd_PARAMS_SETUP only.
void SetSettingsSection(const char* section);

// One reading of the stored-defaults file, made when a reader first asks for a value.
// While one lives, the readers below on its thread answer for its path from that reading
// instead of opening the file again: a parameter setup reads the file at most once, and
// every value it gets comes from the same version of the file.  A file the platform layer
// does not read (larger than its limit, not a file, not text) gives no stored defaults.
class StoredDefaultsReading {
public:
    explicit StoredDefaultsReading(const char* iniPath);
    ~StoredDefaultsReading();
    StoredDefaultsReading(const StoredDefaultsReading&) = delete;
    StoredDefaultsReading& operator=(const StoredDefaultsReading&) = delete;
    struct Snapshot;

private:
    Snapshot* snapshot_;
    Snapshot* outer_;
};

// One save of the stored defaults.  While one lives, the writers below on its thread
// collect their values for its path; Commit writes them all in one replacement of the file
// (AEUtil::Platform::ProfileWriteStrings), so no reader ever sees part of a save.  Values
// not committed are dropped.
class StoredDefaultsSave {
public:
    explicit StoredDefaultsSave(const char* iniPath);
    ~StoredDefaultsSave();
    StoredDefaultsSave(const StoredDefaultsSave&) = delete;
    StoredDefaultsSave& operator=(const StoredDefaultsSave&) = delete;
    // False when nothing was written.
    bool Commit();
    struct Pending;

private:
    Pending* pending_;
    Pending* outer_;
};

// An integer from the value's leading digits (blanks and a sign may precede them), held to
// the 32-bit range.  Without digits: `fallback`.
A_long ReadIniInt(const char* iniPath, const char* name, A_long fallback);
// A finite real from the value's leading number.  Without one: `fallback`.
double ReadIniReal(const char* iniPath, const char* name, double fallback);
// Red, green and blue from the keys "<name>.r", "<name>.g", "<name>.b", each held to
// 0..255 and each falling back to its own component of `fallback`; alpha is `fallback`'s.
PF_Pixel ReadIniColor(const char* iniPath, const char* name, const PF_Pixel& fallback);

// "%d" of the value.
void WriteIniInt(const char* iniPath, const char* name, A_long value);
// "%f" of the value (six decimals, decimal point).  Values that are not finite or too long
// for the 256-character value buffer are not written.
void WriteIniReal(const char* iniPath, const char* name, double value);
// "%d" of red, green, blue and alpha under "<name>.r", ".g", ".b", ".a".
void WriteIniColor(const char* iniPath, const char* name, const PF_Pixel& value);

// Creates the folder holding the settings file, with every missing parent.  True when it
// exists afterwards.
bool CreateSettingsFolder(const char* iniPath);

// Deletes the settings file, then removes its folder and each folder above it that the
// identity's settings folder names, while they are empty; never the application-data
// folder or anything outside it.
void DeleteStoredDefaults(const char* iniPath);

}  // namespace Params
