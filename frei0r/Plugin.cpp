// The frei0r entry points of tonedot.so.  Everything else in the library is hidden
// (frei0r/exports.map).
#include <cstdint>
#include <cstdio>
#include <dlfcn.h>
#include <exception>

extern "C" {
#include <frei0r.h>  // declares the functions without C linkage of its own
}

#include "TonedotVersion.h"
#include "effect/Identity.h"
#include "frei0r/Filter.h"

using tonedot::frei0r::Filter;

namespace {

// frei0r leaves the unit of the time it passes to f0r_update to the host: ffmpeg's filter
// passes milliseconds, MLT and GStreamer seconds.  The host is the program this library
// was loaded into, so its own libraries tell which: MLT and GStreamer first (MLT programs
// may have libavfilter loaded as well), then libavfilter.
double SecondsPerTimeUnit() {
    static const double unit = [] {
        const bool mlt = dlsym(RTLD_DEFAULT, "mlt_factory_init") != nullptr;
        const bool gst = dlsym(RTLD_DEFAULT, "gst_init") != nullptr;
        const bool avfilter = dlsym(RTLD_DEFAULT, "avfilter_graph_alloc") != nullptr;
        return !mlt && !gst && avfilter ? 0.001 : 1.0;
    }();
    return unit;
}


int Frei0rTypeOf(tonedot::frei0r::Frei0rType type) {
    switch (type) {
        case tonedot::frei0r::Frei0rType::Bool: return F0R_PARAM_BOOL;
        case tonedot::frei0r::Frei0rType::Double: return F0R_PARAM_DOUBLE;
        case tonedot::frei0r::Frei0rType::Color: return F0R_PARAM_COLOR;
        case tonedot::frei0r::Frei0rType::String: break;
    }
    return F0R_PARAM_STRING;
}

}  // namespace

extern "C" {

int f0r_init(void) { return tonedot::frei0r::Session() ? 1 : 0; }

void f0r_deinit(void) { tonedot::frei0r::ReleaseSession(); }

void f0r_get_plugin_info(f0r_plugin_info_t* info) {
    if (!info) return;
    info->name = "tonedot";
    info->author = Identity::kMaker;
    info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
    info->color_model = F0R_COLOR_MODEL_RGBA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = TONEDOT_VERSION_MAJOR;
    info->minor_version = TONEDOT_VERSION_MINOR;
    info->num_params = static_cast<int>(tonedot::frei0r::SessionParams().size());
    info->explanation = Identity::kSummary;
}

void f0r_get_param_info(f0r_param_info_t* info, int index) {
    const auto& params = tonedot::frei0r::SessionParams();
    if (!info || index < 0 || static_cast<std::size_t>(index) >= params.size()) return;
    const auto& p = params[static_cast<std::size_t>(index)];
    info->name = p.name.c_str();
    info->type = Frei0rTypeOf(p.type);
    info->explanation = p.explanation.c_str();
}

f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
    try {
        return new Filter(width, height, SecondsPerTimeUnit());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tonedot: the effect could not be set up: %s\n", e.what());
    }
    return nullptr;
}

void f0r_destruct(f0r_instance_t instance) { delete static_cast<Filter*>(instance); }

void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
    if (instance) static_cast<Filter*>(instance)->SetParam(param, index);
}

void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
    if (instance) static_cast<Filter*>(instance)->GetParam(param, index);
}

void f0r_update(f0r_instance_t instance, double time, const uint32_t* in, uint32_t* out) {
    if (instance) static_cast<Filter*>(instance)->Update(time, in, out);
}

}  // extern "C"
