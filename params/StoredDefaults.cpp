// The stored-defaults file: its location, its section and the typed readers and writers.
#include "params/StoredDefaults.h"

#include <filesystem>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "AEUtil/EffectIdentity.h"
#include "AEUtil/Platform.h"
#include "AEUtil/ProfileText.h"

namespace Params {

namespace {

using AEUtil::Platform::kPathSeparator;

char g_section[kSettingsSectionSize] = "";

// Value texts are read into a buffer of this size (127 characters and the terminator).
constexpr std::size_t kValueReadSize = 128;
// Value texts are formatted into a buffer of this size.
constexpr std::size_t kValueWriteSize = 256;
// Colour keys ("<name>.r") are formatted into a buffer of this size.
constexpr std::size_t kColorKeySize = 1024;

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

bool IsAbsolutePath(const std::string& path) {
#ifdef _WIN32
    const bool drive = path.size() >= 3 && path[1] == ':' && IsSeparator(path[2]) &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    const bool share = path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]);
    return drive || share;
#else
    return !path.empty() && path[0] == '/';
#endif
}

// The folder part of `path`, without its last separator; empty when there is none.
std::string ParentFolder(const std::string& path) {
    std::size_t i = path.size();
    while (i > 0 && !IsSeparator(path[i - 1])) --i;
    if (i == 0) return std::string();
    return path.substr(0, i - 1);
}

// True when `folder` lies strictly below `base` (byte-wise comparison).
bool IsStrictlyInside(const std::string& folder, std::string base) {
    while (base.size() > 1 && IsSeparator(base.back())) base.pop_back();
    if (folder.size() <= base.size() || folder.compare(0, base.size(), base) != 0) return false;
    return IsSeparator(base.back()) || IsSeparator(folder[base.size()]);
}

bool SettingsUsable(const char* iniPath, const char* name) {
    return iniPath && iniPath[0] && name && name[0] && g_section[0];
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* SkipBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

// The leading integer of `text`, held to the 32-bit range; false when it has no digits.
bool ParseLeadingInt(const char* text, A_long& value) {
    const char* p = SkipBlanks(text);
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    if (!IsDigit(*p)) return false;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT32_MIN) : INT32_MAX;
    std::int64_t magnitude = 0;
    for (; IsDigit(*p); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > limit) {
            magnitude = limit;
            while (IsDigit(p[1])) ++p;
        }
    }
    value = static_cast<A_long>(negative ? -magnitude : magnitude);
    return true;
}

// The leading decimal number of `text` (sign, digits, a point or a comma, digits, an
// exponent), independent of the C runtime locale; false when there is none or it is not a
// finite double.
bool ParseLeadingReal(const char* text, double& value) {
    const char* p = SkipBlanks(text);
    std::string number;
    if (*p == '+' || *p == '-') {
        if (*p == '-') number += '-';
        ++p;
    }
    std::size_t digits = 0;
    for (; IsDigit(*p); ++p, ++digits) number += *p;
    if (*p == '.' || *p == ',') {
        number += '.';
        for (++p; IsDigit(*p); ++p, ++digits) number += *p;
    }
    if (digits == 0) return false;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (IsDigit(*q)) {
            number.append(p, q);
            for (; IsDigit(*q); ++q) number += *q;
        }
    }
    double parsed = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), parsed);
    if (result.ec != std::errc() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

// The values of the stored defaults' section as one reading of the file found them.
std::map<std::string, std::string> ReadSection(const char* iniPath) {
    // Only a regular file: a pipe in its place would hold the parameter setup until someone
    // wrote to it.
    std::error_code error;
    const auto kind = std::filesystem::status(iniPath, error).type();
    if (kind != std::filesystem::file_type::regular) return {};
    std::string text;
    if (AEUtil::Platform::ReadSettingsFile(iniPath, text) != AEUtil::Platform::SettingsFileStatus::Read)
        return {};
    return AEUtil::Platform::ProfileText::SectionValues(text, g_section);
}

}  // namespace

struct StoredDefaultsReading::Snapshot {
    std::string path;
    std::string section;
    bool read = false;
    std::map<std::string, std::string> values;
};

struct StoredDefaultsSave::Pending {
    std::string path;
    std::vector<std::pair<std::string, std::string>> values;
};

namespace {

thread_local StoredDefaultsReading::Snapshot* t_reading = nullptr;
thread_local StoredDefaultsSave::Pending* t_save = nullptr;

// The key's value cut to kValueReadSize - 1 characters, from the live reading of this path
// or else from a reading of its own; false when it has none or it is empty.
bool ReadText(const char* iniPath, const char* key, char (&text)[kValueReadSize]) {
    text[0] = '\0';
    std::map<std::string, std::string> own;
    const std::map<std::string, std::string>* values = &own;
    if (t_reading && t_reading->path == iniPath && t_reading->section == g_section) {
        if (!t_reading->read) {
            t_reading->values = ReadSection(iniPath);
            t_reading->read = true;
        }
        values = &t_reading->values;
    } else {
        own = ReadSection(iniPath);
    }
    const std::string* value = AEUtil::Platform::ProfileText::FindValue(*values, key);
    if (!value || value->empty()) return false;
    const std::size_t count = value->size() < kValueReadSize - 1 ? value->size() : kValueReadSize - 1;
    value->copy(text, count);
    text[count] = '\0';
    return true;
}

A_long ReadIntKey(const char* iniPath, const char* key, A_long fallback) {
    char text[kValueReadSize];
    A_long value = 0;
    if (!ReadText(iniPath, key, text) || !ParseLeadingInt(text, value)) return fallback;
    return value;
}

void WriteText(const char* iniPath, const char* key, const char* text) {
    if (t_save && t_save->path == iniPath) {
        t_save->values.emplace_back(key, text);
        return;
    }
    AEUtil::Platform::ProfileWriteStrings(g_section, {{key, text}}, iniPath);
}

void WriteIntKey(const char* iniPath, const char* key, A_long value) {
    char text[kValueWriteSize];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    WriteText(iniPath, key, text);
}

// The names of the folders the identity's settings folder is made of, outermost first.
std::vector<std::string> SettingsFolderNames() {
    std::vector<std::string> names;
    const std::string folder = ThisEffect().settingsFolder;
    std::size_t start = 0;
    while (start <= folder.size()) {
        std::size_t end = folder.find('/', start);
        if (end == std::string::npos) end = folder.size();
        if (end > start) names.push_back(folder.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

A_u_char ToByte(A_long value) {
    return static_cast<A_u_char>(value < 0 ? 0 : value > 255 ? 255 : value);
}

}  // namespace

StoredDefaultsReading::StoredDefaultsReading(const char* iniPath)
    : snapshot_(new Snapshot{iniPath ? iniPath : "", g_section, false, {}}), outer_(t_reading) {
    t_reading = snapshot_;
}

StoredDefaultsReading::~StoredDefaultsReading() {
    t_reading = outer_;
    delete snapshot_;
}

StoredDefaultsSave::StoredDefaultsSave(const char* iniPath)
    : pending_(new Pending{iniPath ? iniPath : "", {}}), outer_(t_save) {
    t_save = pending_;
}

StoredDefaultsSave::~StoredDefaultsSave() {
    t_save = outer_;
    delete pending_;
}

bool StoredDefaultsSave::Commit() {
    if (pending_->path.empty() || !g_section[0]) return false;
    const bool written = pending_->values.empty() ||
                         AEUtil::Platform::ProfileWriteStrings(g_section, pending_->values,
                                                               pending_->path.c_str());
    pending_->values.clear();
    return written;
}

bool GetSettingsPath(char* out, std::size_t outSize) {
    if (!out || outSize == 0) return false;
    out[0] = '\0';
    const std::string folder = AEUtil::Platform::AppDataFolder();
    if (folder.empty() || !IsAbsolutePath(folder)) return false;
    std::string path = folder;
    if (!IsSeparator(path.back())) path += kPathSeparator;
    for (const std::string& name : SettingsFolderNames()) {
        path += name;
        path += kPathSeparator;
    }
    path += ThisEffect().settingsFile;
    const std::size_t room = outSize < kSettingsPathSize ? outSize : kSettingsPathSize;
    if (path.size() + 1 > room) return false;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return true;
}

const char* SettingsSection() { return g_section; }

void SetSettingsSection(const char* section) {
    g_section[0] = '\0';
    if (!section) return;
    std::strncpy(g_section, section, kSettingsSectionSize - 1);
    g_section[kSettingsSectionSize - 1] = '\0';
}

A_long ReadIniInt(const char* iniPath, const char* name, A_long fallback) {
    if (!SettingsUsable(iniPath, name)) return fallback;
    return ReadIntKey(iniPath, name, fallback);
}

double ReadIniReal(const char* iniPath, const char* name, double fallback) {
    if (!SettingsUsable(iniPath, name)) return fallback;
    char text[kValueReadSize];
    double value = 0.0;
    if (!ReadText(iniPath, name, text) || !ParseLeadingReal(text, value)) return fallback;
    return value;
}

PF_Pixel ReadIniColor(const char* iniPath, const char* name, const PF_Pixel& fallback) {
    PF_Pixel colour = fallback;
    if (!SettingsUsable(iniPath, name)) return colour;
    char key[kColorKeySize];
    const auto component = [&](const char* suffix, A_u_char builtIn) -> A_u_char {
        const int n = std::snprintf(key, sizeof key, "%s.%s", name, suffix);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof key) return builtIn;
        return ToByte(ReadIntKey(iniPath, key, builtIn));
    };
    colour.red = component("r", fallback.red);
    colour.green = component("g", fallback.green);
    colour.blue = component("b", fallback.blue);
    return colour;
}

void WriteIniInt(const char* iniPath, const char* name, A_long value) {
    if (!SettingsUsable(iniPath, name)) return;
    WriteIntKey(iniPath, name, value);
}

void WriteIniReal(const char* iniPath, const char* name, double value) {
    if (!SettingsUsable(iniPath, name) || !std::isfinite(value)) return;
    char text[kValueWriteSize];
    const auto result =
        std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) return;
    *result.ptr = '\0';
    WriteText(iniPath, name, text);
}

void WriteIniColor(const char* iniPath, const char* name, const PF_Pixel& value) {
    if (!SettingsUsable(iniPath, name)) return;
    char key[kColorKeySize];
    const struct {
        const char* suffix;
        A_u_char component;
    } parts[] = {{"r", value.red}, {"g", value.green}, {"b", value.blue}, {"a", value.alpha}};
    for (const auto& part : parts) {
        const int n = std::snprintf(key, sizeof key, "%s.%s", name, part.suffix);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof key) return;
        WriteIntKey(iniPath, key, part.component);
    }
}

bool CreateSettingsFolder(const char* iniPath) {
    if (!iniPath || !iniPath[0]) return false;
    const std::string folder = ParentFolder(iniPath);
    return !folder.empty() && AEUtil::Platform::CreateFolderTree(folder.c_str());
}

void DeleteStoredDefaults(const char* iniPath) {
    if (!iniPath || !iniPath[0]) return;
    AEUtil::Platform::DeleteFileAt(iniPath);
    const std::string appData = AEUtil::Platform::AppDataFolder();
    if (appData.empty()) return;
    // The file lives as many levels below the application-data folder as the settings
    // folder names folders.
    std::string folder = ParentFolder(iniPath);
    const std::size_t levels = SettingsFolderNames().size();
    for (std::size_t level = 0; level < levels; ++level) {
        if (!IsStrictlyInside(folder, appData)) return;
        if (!AEUtil::Platform::RemoveEmptyFolder(folder.c_str())) return;
        folder = ParentFolder(folder);
    }
}

}  // namespace Params
