// Presets: files in the stored-defaults format ("[Version=1.5]", one key per parameter
// named by its display name, colours as "<name>.r/.g/.b/.a"), read with the same checks as
// --set and written as the effect itself writes its stored defaults.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "session/ParamValue.h"
#include "session/RegisteredParams.h"

namespace tonedot::session {

// The values of one parameter setting, by host index.
using ParamSettings = std::map<int, ParamValue>;

// Reads a preset into `settings`, replacing the values it names.  The file is read once,
// as the effect reads its stored defaults (AEUtil::Platform::ReadSettingsFile: a regular
// file or a pipe of at most 1 MiB; UTF-16 with a byte-order mark is converted).  A file
// that is missing, unreadable, larger, a folder or a device is an IO error; a file without the "[Version=1.5]" section, an unknown key (with
// the closest names) or a bad value (with the range or form) is a usage error naming the
// file and line.
void ReadPreset(const std::string& path, const RegisteredParams& params, ParamSettings& settings);

// The display names of the values in `settings` that the format cannot hold (points).
std::vector<std::string> UnstorableSettings(const RegisteredParams& params, const ParamSettings& settings);

// The text of a preset holding every storable parameter, in host order.
std::string PresetText(const RegisteredParams& params, const ParamSettings& settings);

}  // namespace tonedot::session
