#include "session/RegisteredParams.h"

#include <cstring>
#include <strings.h>

#include "session/ClosestNames.h"
#include "session/Errors.h"

namespace tonedot::session {

const char* KindName(ParamKind kind) {
    switch (kind) {
        case ParamKind::Layer: return "layer";
        case ParamKind::Slider: return "integer slider";
        case ParamKind::FloatSlider: return "float slider";
        case ParamKind::Angle: return "angle";
        case ParamKind::Checkbox: return "checkbox";
        case ParamKind::Color: return "colour";
        case ParamKind::Point: return "point";
        case ParamKind::Popup: return "popup";
        case ParamKind::GroupStart: return "group";
        case ParamKind::GroupEnd: return "group end";
        case ParamKind::Other: break;
    }
    return "other";
}

bool ParamInfo::Settable() const {
    switch (kind) {
        case ParamKind::Slider: case ParamKind::FloatSlider: case ParamKind::Angle:
        case ParamKind::Checkbox: case ParamKind::Color: case ParamKind::Point:
        case ParamKind::Popup:
            return true;
        default:
            return false;
    }
}

bool ParamInfo::Storable() const { return Settable() && kind != ParamKind::Point; }

bool ParamInfo::Percent() const {
    return kind == ParamKind::FloatSlider &&
           (def.u.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
}

std::vector<std::string> SplitChoices(const char* names) {
    std::vector<std::string> items;
    if (!names) return items;
    std::string current;
    for (const char* p = names; *p; ++p) {
        if (*p == '|') {
            items.push_back(current);
            current.clear();
        } else {
            current.push_back(*p);
        }
    }
    items.push_back(current);
    return items;
}

RegisteredParams::RegisteredParams(const std::vector<PF_ParamDef>& registered) {
    std::string group;
    for (std::size_t i = 0; i < registered.size(); ++i) {
        const PF_ParamDef& def = registered[i];
        ParamInfo info;
        info.index = static_cast<int>(i);
        info.id = def.uu.id;
        info.def = def;
        info.name.assign(def.name, strnlen(def.name, sizeof def.name));
        switch (def.param_type) {
            case PF_Param_LAYER: info.kind = ParamKind::Layer; break;
            case PF_Param_SLIDER: info.kind = ParamKind::Slider; break;
            case PF_Param_FLOAT_SLIDER: info.kind = ParamKind::FloatSlider; break;
            case PF_Param_ANGLE: info.kind = ParamKind::Angle; break;
            case PF_Param_CHECKBOX: info.kind = ParamKind::Checkbox; break;
            case PF_Param_COLOR: info.kind = ParamKind::Color; break;
            case PF_Param_POINT: info.kind = ParamKind::Point; break;
            case PF_Param_POPUP:
                info.kind = ParamKind::Popup;
                info.choices = SplitChoices(def.u.pd.u.namesptr);
                break;
            case PF_Param_GROUP_START: info.kind = ParamKind::GroupStart; break;
            case PF_Param_GROUP_END: info.kind = ParamKind::GroupEnd; break;
            default: info.kind = ParamKind::Other; break;
        }
        if (info.kind == ParamKind::GroupEnd) {
            info.group = group;
            group.clear();
        } else if (info.kind == ParamKind::GroupStart) {
            group = info.name;
            info.group.clear();
        } else {
            info.group = group;
        }
        params_.push_back(info);
    }
}

const ParamInfo* RegisteredParams::Find(const std::string& name) const {
    for (const ParamInfo& p : params_)
        if (p.index > 0 && !p.name.empty() && p.name == name) return &p;
    for (const ParamInfo& p : params_)
        if (p.index > 0 && !p.name.empty() && strcasecmp(p.name.c_str(), name.c_str()) == 0) return &p;
    return nullptr;
}

const ParamInfo& RegisteredParams::Require(const std::string& name, const char* what) const {
    if (const ParamInfo* p = Find(name)) return *p;
    throw UsageError(std::string("unknown ") + what + " \"" + name + "\"." +
                     DidYouMean(name, Names()) + " \"tonedot params\" lists them all.");
}

const ParamInfo* RegisteredParams::ById(A_long id) const {
    for (const ParamInfo& p : params_)
        if (p.index > 0 && p.id == id) return &p;
    return nullptr;
}

std::vector<std::string> RegisteredParams::Names() const {
    std::vector<std::string> names;
    for (const ParamInfo& p : params_)
        if (p.index > 0 && !p.name.empty() && p.kind != ParamKind::GroupEnd) names.push_back(p.name);
    return names;
}

}  // namespace tonedot::session
