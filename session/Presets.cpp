#include "session/Presets.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <set>
#include <sstream>
#include <strings.h>

#include "AEUtil/Platform.h"
#include "session/ClosestNames.h"
#include "session/Errors.h"
#include "effect/Identity.h"

namespace tonedot::session {
namespace {

constexpr const char* kSection = Identity::kSettingsSection;

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::vector<std::string> KnownKeys(const RegisteredParams& params) {
    std::vector<std::string> keys;
    for (const ParamInfo& p : params.All()) {
        if (p.index == 0 || !p.Storable()) continue;
        if (p.kind == ParamKind::Color) {
            for (const char* c : {".r", ".g", ".b", ".a"}) keys.push_back(p.name + c);
        } else {
            keys.push_back(p.name);
        }
    }
    return keys;
}

}  // namespace

void ReadPreset(const std::string& path, const RegisteredParams& params, ParamSettings& settings) {
    // One reading, capped, of a regular file or a pipe; UTF-16 text is converted.
    std::string text;
    errno = 0;
    const auto status = AEUtil::Platform::ReadSettingsFile(path.c_str(), text);
    if (status != AEUtil::Platform::SettingsFileStatus::Read) {
        const int error = errno;
        std::string why = AEUtil::Platform::SettingsFileProblem(status);
        if (status == AEUtil::Platform::SettingsFileStatus::Unreadable && error != 0) why = std::strerror(error);
        throw IOError("cannot read preset \"" + path + "\": " + why + ".");
    }
    std::istringstream file(text);
    std::string line;
    int lineNumber = 0;
    // As the effect reads its settings file: the first section of the name is the one
    // used, and in it the first key of a name; later duplicates are ignored.
    bool inSection = false, sawSection = false;
    std::set<std::string> seenKeys;
    // Colour channels are collected first, so that ".r" alone keeps green and blue.
    std::map<int, PF_Pixel> colors;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (lineNumber == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        const std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        const std::string where = "preset \"" + path + "\" line " + std::to_string(lineNumber);
        if (t[0] == '[') {
            if (t.back() != ']') throw UsageError(where + ": malformed section header.");
            inSection = !sawSection && strcasecmp(Trim(t.substr(1, t.size() - 2)).c_str(), kSection) == 0;
            sawSection = sawSection || inSection;
            continue;
        }
        if (!inSection) continue;
        const std::size_t eq = t.find('=');
        if (eq == std::string::npos) throw UsageError(where + ": expected KEY=VALUE.");
        const std::string key = Trim(t.substr(0, eq));
        std::string value = Trim(t.substr(eq + 1));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);

        std::string name = key;
        char channel = 0;
        if (key.size() > 2 && key[key.size() - 2] == '.') {
            const ParamInfo* colour = params.Find(key.substr(0, key.size() - 2));
            if (colour && colour->kind == ParamKind::Color) {
                name = key.substr(0, key.size() - 2);
                channel = static_cast<char>(std::tolower(static_cast<unsigned char>(key.back())));
            }
        }
        std::string folded = key;
        for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!seenKeys.insert(folded).second) continue;
        const ParamInfo* info = params.Find(name);
        if (!info || !info->Storable() || (info->kind == ParamKind::Color && channel == 0) ||
            (channel != 0 && std::strchr("rgba", channel) == nullptr))
            throw UsageError(where + ": unknown key \"" + key + "\"." + DidYouMean(key, KnownKeys(params)));
        try {
            if (info->kind == ParamKind::Color) {
                if (channel == 'a') continue;  // stored but never read, as the effect does
                long long v = -1;
                const auto r = std::from_chars(value.data(), value.data() + value.size(), v);
                if (r.ec != std::errc() || r.ptr != value.data() + value.size() || v < 0 || v > 255)
                    throw UsageError("bad value \"" + value + "\" for \"" + key +
                                     "\": expected a whole number from 0 to 255.");
                auto it = colors.find(info->index);
                if (it == colors.end()) {
                    auto current = settings.find(info->index);
                    const PF_Pixel start = current != settings.end() ? current->second.color
                                                                     : RegisteredValue(*info).color;
                    it = colors.emplace(info->index, start).first;
                }
                const A_u_char c = static_cast<A_u_char>(v);
                if (channel == 'r') it->second.red = c;
                if (channel == 'g') it->second.green = c;
                if (channel == 'b') it->second.blue = c;
            } else {
                settings[info->index] = ParseValue(*info, value);
            }
        } catch (const Error& e) {
            throw UsageError(where + ": " + e.what());
        }
    }
    if (!sawSection)
        throw UsageError("preset \"" + path + "\" has no [" + std::string(kSection) +
                         "] section; it is not a tonedot preset or stored-defaults file.");
    for (const auto& c : colors) {
        ParamValue v = settings.count(c.first) ? settings[c.first] : ParamValue{};
        v.color = c.second;
        v.color.alpha = 255;
        settings[c.first] = v;
    }
}

std::vector<std::string> UnstorableSettings(const RegisteredParams& params, const ParamSettings& settings) {
    std::vector<std::string> names;
    for (const ParamInfo& p : params.All())
        if (p.index != 0 && p.Settable() && !p.Storable() && settings.count(p.index)) names.push_back(p.name);
    return names;
}

std::string PresetText(const RegisteredParams& params, const ParamSettings& settings) {
    std::ostringstream out;
    out << "[" << kSection << "]\n";
    for (const ParamInfo& p : params.All()) {
        if (p.index == 0 || !p.Storable()) continue;
        auto it = settings.find(p.index);
        const ParamValue v = it != settings.end() ? it->second : RegisteredValue(p);
        switch (p.kind) {
            case ParamKind::FloatSlider:
            case ParamKind::Angle:
                // What no reader would accept is not written (a value the host holds but
                // the rule does not, from outside this program).
                if (!NumberInRange(p, StoredNumber(v.number)))
                    throw UsageError("\"" + p.name + "\" is " + StoredNumberText(v.number) +
                                     ", which is not " + AcceptedText(p) + "; give it with --set.");
                out << p.name << "=" << StoredNumberText(v.number) << "\n";
                break;
            case ParamKind::Slider:
            case ParamKind::Checkbox:
            case ParamKind::Popup:
                out << p.name << "=" << v.integer << "\n";
                break;
            case ParamKind::Color:
                out << p.name << ".r=" << int(v.color.red) << "\n"
                    << p.name << ".g=" << int(v.color.green) << "\n"
                    << p.name << ".b=" << int(v.color.blue) << "\n"
                    << p.name << ".a=" << int(v.color.alpha) << "\n";
                break;
            default:
                break;
        }
    }
    return out.str();
}

}  // namespace tonedot::session
