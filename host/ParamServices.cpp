#include "host/ParamServices.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <sstream>

#include "host/Host.h"

namespace tonedot {
namespace {

double Seconds(A_long time, A_u_long scale) {
    return scale != 0 ? static_cast<double>(time) / scale : static_cast<double>(time);
}

PF_ParamDef InputLayerDef() {
    PF_ParamDef def;
    std::memset(&def, 0, sizeof(def));
    def.param_type = PF_Param_LAYER;
    return def;
}

Instance* InstanceOf(PF_ProgPtr ref) { return Instance::FromRef(ref); }

// ---- interaction callbacks ----------------------------------------------------------------------
PF_Err AddParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDefPtr def) {
    Instance* instance = InstanceOf(ref);
    if (instance == nullptr || def == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return Catalog(instance->host()).Add(index, *def);
}

PF_Err CheckoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long step,
                     A_u_long scale, PF_ParamDef* out) {
    Instance* instance = InstanceOf(ref);
    if (instance == nullptr || out == nullptr) {
        if (out != nullptr) std::memset(out, 0, sizeof(*out));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return Params(*instance).Checkout(index, time, step, scale, out);
}

PF_Err CheckinParam(PF_ProgPtr ref, PF_ParamDef* def) {
    Instance* instance = InstanceOf(ref);
    if (instance == nullptr || def == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return Params(*instance).Checkin(def);
}

// ---- "PF Param Utils Suite" ------------------------------------------------------------------------
PF_Err UpdateParamUI(PF_ProgPtr ref, PF_ParamIndex index, const PF_ParamDef* def) {
    Instance* instance = InstanceOf(ref);
    if (instance == nullptr || def == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return Params(*instance).UpdateParamUI(index, def);
}

// The suite's other services are not offered by the stand-in host.
PF_Err GetCurrentStateObsolete(PF_ProgPtr, PF_State*) { return PF_Err_INVALID_CALLBACK; }
PF_Err HasParamChangedObsolete(PF_ProgPtr, const PF_State*, PF_ParamIndex, PF_Boolean*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err HaveInputsChangedObsolete(PF_ProgPtr, const PF_State*, const A_Time*, const A_Time*,
                                 PF_Boolean*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err GetCurrentState(PF_ProgPtr, PF_ParamIndex, const A_Time*, const A_Time*, PF_State*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err AreStatesIdentical(PF_ProgPtr, const PF_State*, const PF_State*, A_Boolean*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err IsIdenticalCheckout(PF_ProgPtr, PF_ParamIndex, A_long, A_long, A_u_long, A_long, A_long,
                           A_u_long, PF_Boolean*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err FindKeyframeTime(PF_ProgPtr, PF_ParamIndex, A_long, A_u_long, PF_TimeDir, PF_Boolean*,
                        PF_KeyIndex*, A_long*, A_u_long*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err GetKeyframeCount(PF_ProgPtr, PF_ParamIndex, PF_KeyIndex*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err CheckoutKeyframe(PF_ProgPtr, PF_ParamIndex, PF_KeyIndex, A_long*, A_u_long*,
                        PF_ParamDef*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err CheckinKeyframe(PF_ProgPtr, PF_ParamDef*) { return PF_Err_INVALID_CALLBACK; }
PF_Err KeyIndexToTime(PF_ProgPtr, PF_ParamIndex, PF_KeyIndex, A_long*, A_u_long*) {
    return PF_Err_INVALID_CALLBACK;
}

// ---- "PF AE App Suite" 7 ------------------------------------------------------------------------------
PF_Err AppGetLanguage(A_char* tag) {
    Host* host = Host::Current();
    if (host == nullptr || tag == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return Catalog(*host).Language(tag);
}
template <typename... A>
PF_Err AppNotOfferedWith(A...) {
    return PF_Err_INVALID_CALLBACK;
}

const char* KindName(PF_ParamType kind) {
    switch (kind) {
    case PF_Param_LAYER: return "layer";
    case PF_Param_SLIDER: return "slider";
    case PF_Param_ANGLE: return "angle";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_COLOR: return "color";
    case PF_Param_POINT: return "point";
    case PF_Param_POPUP: return "popup";
    case PF_Param_FLOAT_SLIDER: return "float";
    case PF_Param_GROUP_START: return "group";
    case PF_Param_GROUP_END: return "group-end";
    default: return "other";
    }
}

}  // namespace

const PF_ParamUtilsSuite1 kParamUtilsSuite2 = {
    &UpdateParamUI,       &GetCurrentStateObsolete, &HasParamChangedObsolete,
    &HaveInputsChangedObsolete, &IsIdenticalCheckout, &FindKeyframeTime,
    &GetKeyframeCount,    &CheckoutKeyframe,       &CheckinKeyframe,
    &KeyIndexToTime};
const PF_ParamUtilsSuite3 kParamUtilsSuite3 = {
    &UpdateParamUI,    &GetCurrentState,  &AreStatesIdentical, &IsIdenticalCheckout,
    &FindKeyframeTime, &GetKeyframeCount, &CheckoutKeyframe,   &CheckinKeyframe,
    &KeyIndexToTime};
const PFAppSuite5 kAppSuite7 = {
    &AppNotOfferedWith<PF_App_Color*>,
    &AppNotOfferedWith<PF_App_ColorType, PF_App_Color*>,
    &AppGetLanguage,
    &AppNotOfferedWith<PF_AppPersonalTextInfo*>,
    &AppNotOfferedWith<PF_FontStyleSheet, PF_FontName*, A_short*, A_short*, A_short*>,
    &AppNotOfferedWith<PF_CursorType>,
    &AppNotOfferedWith<PF_Boolean*>,
    &AppNotOfferedWith<const A_char*, const PF_PixelFloat*, PF_Boolean, PF_PixelFloat*>,
    &AppNotOfferedWith<PF_Point*>,
    &AppNotOfferedWith<PF_ContextH, const PF_Rect*>,
    &AppNotOfferedWith<const PF_Point*, PF_Point*>,
    &AppNotOfferedWith<const PF_Point*, A_short, PF_EyeDropperSampleMode, PF_PixelFloat*>,
};

// ---- ParamCatalog ----------------------------------------------------------------------------------------
ParamCatalog::ParamCatalog(Instance&) { defs_.push_back(InputLayerDef()); }

std::vector<PF_ParamDef> ParamCatalog::Definitions() {
    std::lock_guard<std::mutex> lock(mutex_);
    return defs_;
}

A_long ParamCatalog::Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<A_long>(defs_.size());
}

A_long ParamCatalog::IndexOf(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 1; i < defs_.size(); ++i) {
        if (name == defs_[i].name) return static_cast<A_long>(i);
    }
    return 0;
}

A_long ParamCatalog::IndexOfId(A_long id) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 1; i < defs_.size(); ++i) {
        if (defs_[i].uu.id == id) return static_cast<A_long>(i);
    }
    return 0;
}

bool ParamCatalog::Definition(A_long index, PF_ParamDef* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<size_t>(index) >= defs_.size()) return false;
    *out = defs_[static_cast<size_t>(index)];
    return true;
}

void ParamCatalog::FailAddAfter(size_t after, PF_Err error) {
    std::lock_guard<std::mutex> lock(mutex_);
    failAfter_ = after;
    failError_ = error;
}

void ParamCatalog::SetLanguage(const std::string& tag, PF_Err error) {
    std::lock_guard<std::mutex> lock(mutex_);
    language_ = tag;
    languageError_ = error;
}

void ParamCatalog::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    defs_.assign(1, InputLayerDef());
}

PF_Err ParamCatalog::Add(PF_ParamIndex index, const PF_ParamDef& def) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (defs_.size() - 1 >= failAfter_) return failError_;
    if (index != -1 && static_cast<size_t>(index) != defs_.size()) return PF_Err_INVALID_INDEX;
    defs_.push_back(def);
    return PF_Err_NONE;
}

PF_Err ParamCatalog::Language(A_char* tag) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (languageError_ != PF_Err_NONE) return languageError_;
    // The query writes five letters and a zero, as the real host does.
    std::snprintf(tag, PF_APP_LANG_TAG_SIZE, "%s", language_.c_str());
    return PF_Err_NONE;
}

// ---- InstanceParams ------------------------------------------------------------------------------------------
InstanceParams::InstanceParams(Instance& instance) : instance_(instance) {}

bool InstanceParams::Registered(A_long index, PF_ParamDef* out) {
    return Catalog(instance_.host()).Definition(index, out);
}

void InstanceParams::SetValue(A_long index, const PF_ParamDefUnion& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    keys_.erase(index);
    values_[index] = value;
}

void InstanceParams::SetValueAt(A_long index, double seconds, const PF_ParamDefUnion& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    keys_[index][seconds] = value;
}

void InstanceParams::Modify(A_long index, void (*edit)(PF_ParamDef&, const void*),
                            const void* arg) {
    PF_ParamDef def;
    if (ValueAt(index, 0, 1, &def) != PF_Err_NONE) return;
    edit(def, arg);
    SetValue(index, def.u);
}

void InstanceParams::SetPopup(A_long index, A_long choice) {
    Modify(index, [](PF_ParamDef& d, const void* v) { d.u.pd.value = *static_cast<const A_long*>(v); },
           &choice);
}

void InstanceParams::SetSlider(A_long index, A_long value) {
    Modify(index, [](PF_ParamDef& d, const void* v) { d.u.sd.value = *static_cast<const A_long*>(v); },
           &value);
}

void InstanceParams::SetFloat(A_long index, double value) {
    Modify(index,
           [](PF_ParamDef& d, const void* v) { d.u.fs_d.value = *static_cast<const double*>(v); },
           &value);
}

void InstanceParams::SetAngle(A_long index, double degrees) {
    const PF_Fixed fixed = static_cast<PF_Fixed>(std::lround(degrees * 65536.0));
    Modify(index,
           [](PF_ParamDef& d, const void* v) { d.u.ad.value = *static_cast<const PF_Fixed*>(v); },
           &fixed);
}

void InstanceParams::SetCheckbox(A_long index, bool on) {
    const A_long value = on ? 1 : 0;
    Modify(index, [](PF_ParamDef& d, const void* v) { d.u.bd.value = *static_cast<const A_long*>(v); },
           &value);
}

void InstanceParams::SetColor(A_long index, A_u_char red, A_u_char green, A_u_char blue) {
    const PF_Pixel color{255, red, green, blue};
    Modify(index,
           [](PF_ParamDef& d, const void* v) { d.u.cd.value = *static_cast<const PF_Pixel*>(v); },
           &color);
}

void InstanceParams::SetPoint(A_long index, double x, double y) {
    const PF_Fixed xy[2] = {static_cast<PF_Fixed>(std::lround(x * 65536.0)),
                            static_cast<PF_Fixed>(std::lround(y * 65536.0))};
    Modify(index,
           [](PF_ParamDef& d, const void* v) {
               d.u.td.x_value = static_cast<const PF_Fixed*>(v)[0];
               d.u.td.y_value = static_cast<const PF_Fixed*>(v)[1];
           },
           xy);
}

void InstanceParams::SetLayer(A_long index, const PF_LayerDef* layer) {
    std::lock_guard<std::mutex> lock(mutex_);
    layers_[index] = layer;
}

PF_Err InstanceParams::ValueAtLocked(A_long index, double seconds, PF_ParamDef* out) {
    if (!Registered(index, out)) {
        std::memset(out, 0, sizeof(*out));
        return PF_Err_INVALID_INDEX;
    }
    auto keys = keys_.find(index);
    if (keys != keys_.end() && !keys->second.empty()) {
        auto it = keys->second.upper_bound(seconds);
        if (it != keys->second.begin()) --it;
        out->u = it->second;
    } else if (auto value = values_.find(index); value != values_.end()) {
        out->u = value->second;
    } else if (out->param_type == PF_Param_POINT) {
        // A point never set reports its registered default, a percentage of the layer, as
        // a position in the layer's pixels at the current downsampling, as the real host does.
        const InstanceContext& c = instance_.context;
        auto toPixels = [](PF_Fixed percent, A_long size, PF_RationalScale ds) {
            const double scale = ds.den ? static_cast<double>(ds.num) / ds.den : 1.0;
            return static_cast<PF_Fixed>(
                std::lround(percent / 65536.0 / 100.0 * size * scale * 65536.0));
        };
        out->u.td.x_value = toPixels(out->u.td.x_dephault, c.width, c.downsampleX);
        out->u.td.y_value = toPixels(out->u.td.y_dephault, c.height, c.downsampleY);
    }
    if (out->param_type == PF_Param_LAYER) {
        const PF_LayerDef* layer = nullptr;
        if (auto it = layers_.find(index); it != layers_.end()) layer = it->second;
        const A_long dephault = out->u.ld.dephault;
        if (layer != nullptr) {
            out->u.ld = *layer;
        } else {
            std::memset(&out->u.ld, 0, sizeof(out->u.ld));
        }
        out->u.ld.dephault = dephault;
    }
    auto flags = uiFlags_.find(index);
    out->ui_flags = flags != uiFlags_.end() ? flags->second : 0;
    return PF_Err_NONE;
}

PF_Err InstanceParams::ValueAt(A_long index, A_long time, A_u_long scale, PF_ParamDef* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    return ValueAtLocked(index, Seconds(time, scale), out);
}

ParamArray InstanceParams::MakeParamArray(A_long time, A_u_long scale) {
    ParamArray array;
    const A_long count = Catalog(instance_.host()).Count();
    array.defs.resize(static_cast<size_t>(count));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (A_long i = 0; i < count; ++i) {
            PF_ParamDef& d = array.defs[static_cast<size_t>(i)];
            ValueAtLocked(i, Seconds(time, scale), &d);
            d.uu.change_flags = 0;  // in a command's array the union carries change flags
        }
    }
    for (PF_ParamDef& d : array.defs) array.pointers.push_back(&d);
    array.pointers.push_back(nullptr);
    return array;
}

void InstanceParams::TakeChangedValues(const ParamArray& array) {
    for (size_t i = 1; i < array.defs.size(); ++i) {
        if (array.defs[i].uu.change_flags & PF_ChangeFlag_CHANGED_VALUE) {
            SetValue(static_cast<A_long>(i), array.defs[i].u);
        }
    }
}

PF_ParamUIFlags InstanceParams::UIFlags(A_long index) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = uiFlags_.find(index);
    return it != uiFlags_.end() ? it->second : 0;
}

void InstanceParams::SetUIFlags(A_long index, PF_ParamUIFlags flags) {
    std::lock_guard<std::mutex> lock(mutex_);
    uiFlags_[index] = flags;
}

std::vector<ParamUIUpdate> InstanceParams::UIUpdates() {
    std::lock_guard<std::mutex> lock(mutex_);
    return uiUpdates_;
}

void InstanceParams::ClearUIUpdates() {
    std::lock_guard<std::mutex> lock(mutex_);
    uiUpdates_.clear();
}

int InstanceParams::Checkouts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return checkouts_;
}

int InstanceParams::Checkins() {
    std::lock_guard<std::mutex> lock(mutex_);
    return checkins_;
}

std::vector<A_long> InstanceParams::CheckedOutIndices() {
    std::lock_guard<std::mutex> lock(mutex_);
    return checkedOut_;
}

int InstanceParams::Outstanding() {
    std::lock_guard<std::mutex> lock(mutex_);
    return checkouts_ - checkins_;
}

PF_Err InstanceParams::Checkout(PF_ParamIndex index, A_long time, A_long /*step*/,
                                A_u_long scale, PF_ParamDef* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    const PF_Err err = ValueAtLocked(index, Seconds(time, scale), out);
    if (err == PF_Err_NONE) {
        ++checkouts_;
        checkedOut_.push_back(index);
    }
    return err;
}

PF_Err InstanceParams::Checkin(PF_ParamDef*) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (checkins_ >= checkouts_) return PF_Err_BAD_CALLBACK_PARAM;  // nothing to give back
    ++checkins_;
    return PF_Err_NONE;
}

PF_Err InstanceParams::UpdateParamUI(PF_ParamIndex index, const PF_ParamDef* def) {
    PF_ParamDef registered;
    if (index < 1 || !Registered(index, &registered)) return PF_Err_INVALID_INDEX;
    std::lock_guard<std::mutex> lock(mutex_);
    uiUpdates_.push_back({index, *def});
    uiFlags_[index] = def->ui_flags;
    return PF_Err_NONE;
}

// ---- the host's side -----------------------------------------------------------------------------------------------
ParamCatalog& Catalog(Host& host) { return host.Main().Extension<ParamCatalog>(); }

InstanceParams& Params(Instance& instance) { return instance.Extension<InstanceParams>(); }

void InstallParamServices(Host& host) {
    host.interact.add_param = &AddParam;
    host.interact.checkout_param = &CheckoutParam;
    host.interact.checkin_param = &CheckinParam;
    host.Suites().Provide(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1, &kParamUtilsSuite2);
    host.Suites().Provide(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, &kParamUtilsSuite3);
    host.Suites().Provide(kPFAppSuite, kPFAppSuiteVersion5, &kAppSuite7);
}

void BeforeParamCommand(Host& host, PF_Cmd cmd) {
    if (cmd == PF_Cmd_PARAMS_SETUP) Catalog(host).Reset();
}

std::string DescribeParams(Host& host) {
    std::ostringstream out;
    const std::vector<PF_ParamDef> defs = Catalog(host).Definitions();
    char line[256];
    for (size_t i = 1; i < defs.size(); ++i) {
        const PF_ParamDef& d = defs[i];
        std::string range = "-", dflt = "-";
        char buf[128];
        switch (d.param_type) {
        case PF_Param_SLIDER:
            std::snprintf(buf, sizeof buf, "%d..%d (slider %d..%d)", d.u.sd.valid_min,
                          d.u.sd.valid_max, d.u.sd.slider_min, d.u.sd.slider_max);
            range = buf;
            dflt = std::to_string(d.u.sd.dephault);
            break;
        case PF_Param_FLOAT_SLIDER:
            std::snprintf(buf, sizeof buf, "%g..%g (slider %g..%g)%s", d.u.fs_d.valid_min,
                          d.u.fs_d.valid_max, d.u.fs_d.slider_min, d.u.fs_d.slider_max,
                          (d.u.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT) ? " %" : "");
            range = buf;
            std::snprintf(buf, sizeof buf, "%g", d.u.fs_d.dephault);
            dflt = buf;
            break;
        case PF_Param_ANGLE:
            std::snprintf(buf, sizeof buf, "%g", d.u.ad.dephault / 65536.0);
            dflt = buf;
            break;
        case PF_Param_CHECKBOX:
            dflt = d.u.bd.dephault ? "on" : "off";
            break;
        case PF_Param_COLOR:
            std::snprintf(buf, sizeof buf, "%d,%d,%d", d.u.cd.dephault.red,
                          d.u.cd.dephault.green, d.u.cd.dephault.blue);
            dflt = buf;
            break;
        case PF_Param_POINT:
            std::snprintf(buf, sizeof buf, "%g%%,%g%%", d.u.td.x_dephault / 65536.0,
                          d.u.td.y_dephault / 65536.0);
            dflt = buf;
            break;
        case PF_Param_POPUP:
            std::snprintf(buf, sizeof buf, "1..%d", d.u.pd.num_choices);
            range = buf;
            dflt = std::to_string(d.u.pd.dephault);
            if (d.u.pd.u.namesptr != nullptr) {
                range += std::string(" \"") + d.u.pd.u.namesptr + "\"";
            }
            break;
        case PF_Param_LAYER:
            dflt = d.u.ld.dephault == PF_LayerDefault_MYSELF ? "this layer" : "none";
            break;
        default:
            break;
        }
        std::snprintf(line, sizeof line, "%3zu %4d %-24s %-9s ", i, d.uu.id,
                      ("\"" + std::string(d.name) + "\"").c_str(), KindName(d.param_type));
        out << line << "range " << range << "  default " << dflt << "\n";
    }
    return out.str();
}

}  // namespace tonedot
