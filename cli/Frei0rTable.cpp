#include "cli/Frei0rTable.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <memory>
#include <unistd.h>

#include "cli/ExitCodes.h"
#include "session/EffectSession.h"

#ifdef TONEDOT_HAS_FREI0R_H
extern "C" {
#include <frei0r.h>
}
#endif

#ifndef TONEDOT_BUILT_FREI0R_PATH
#define TONEDOT_BUILT_FREI0R_PATH ""
#endif

namespace tonedot::cli {

std::string FindFrei0rFilter(const std::string& explicitPath) {
    if (!explicitPath.empty()) return explicitPath;
    if (const char* env = std::getenv("TONEDOT_FREI0R"); env && *env) return env;
    // Installed: <prefix>/bin/tonedot and <prefix>/lib/frei0r-1/tonedot.so (cmake/Packaging.cmake).
    const std::string installed = session::ProgramFolder() + "/../lib/frei0r-1/tonedot.so";
    if (access(installed.c_str(), R_OK) == 0) return installed;
    return TONEDOT_BUILT_FREI0R_PATH;
}

#ifdef TONEDOT_HAS_FREI0R_H

namespace {

const char* TypeName(int type) {
    switch (type) {
        case F0R_PARAM_BOOL: return "bool";
        case F0R_PARAM_DOUBLE: return "double";
        case F0R_PARAM_COLOR: return "color";
        case F0R_PARAM_POSITION: return "position";
        case F0R_PARAM_STRING: return "string";
    }
    return "?";
}

struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};

}  // namespace

std::string Frei0rTable(const std::string& filterPath) {
    if (filterPath.empty())
        throw RenderError("no frei0r filter to read: this build has none; name one with $TONEDOT_FREI0R.");
    std::unique_ptr<void, LibraryCloser> library(dlopen(filterPath.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!library) throw RenderError("cannot load the frei0r filter \"" + filterPath + "\": " + dlerror() + ".");
    auto init = reinterpret_cast<int (*)()>(dlsym(library.get(), "f0r_init"));
    auto deinit = reinterpret_cast<void (*)()>(dlsym(library.get(), "f0r_deinit"));
    auto pluginInfo = reinterpret_cast<void (*)(f0r_plugin_info_t*)>(dlsym(library.get(), "f0r_get_plugin_info"));
    auto paramInfo = reinterpret_cast<void (*)(f0r_param_info_t*, int)>(dlsym(library.get(), "f0r_get_param_info"));
    if (!init || !deinit || !pluginInfo || !paramInfo)
        throw RenderError("\"" + filterPath + "\" is not a frei0r filter.");
    if (!init()) throw RenderError("the frei0r filter \"" + filterPath + "\" could not be set up.");
    f0r_plugin_info_t plugin{};
    pluginInfo(&plugin);
    std::string text = "index  name                        type    value\n";
    for (int i = 0; i < plugin.num_params; ++i) {
        f0r_param_info_t info{};
        paramInfo(&info, i);
        char line[128];
        std::snprintf(line, sizeof line, "%-6d %-27s %-7s ", i, info.name ? info.name : "", TypeName(info.type));
        text += line + std::string(info.explanation ? info.explanation : "") + "\n";
    }
    deinit();
    return text;
}

#else

std::string Frei0rTable(const std::string&) {
    throw RenderError("this build has no frei0r filter (frei0r.h was not found when it was built).");
}

#endif

}  // namespace tonedot::cli
