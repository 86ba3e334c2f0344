#include "params/ParamDescriptors.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "params/StoredDefaults.h"

namespace Params {

namespace {

template <typename T>
T Clamp(T v, T lo, T hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Degrees to 16.16 fixed, truncated toward zero; angles beyond the 16.16 range saturate.
PF_Fixed DegreesToFixed(double degrees) {
    const double raw = std::trunc(degrees * 65536.0);
    if (raw >= static_cast<double>(std::numeric_limits<PF_Fixed>::max())) {
        return std::numeric_limits<PF_Fixed>::max();
    }
    if (raw <= static_cast<double>(std::numeric_limits<PF_Fixed>::min())) {
        return std::numeric_limits<PF_Fixed>::min();
    }
    return static_cast<PF_Fixed>(raw);
}

// The stored default to use, or null when the built-in default must be used.
const char* DefaultsFile(const PF_InData* in_data, const char* iniPath) {
    return (iniPath != nullptr && StoredDefaultsApply(in_data)) ? iniPath : nullptr;
}

}  // namespace

// ---- group markers ----------------------------------------------------------------------

ParamAddTopic::ParamAddTopic(const char* name, const PF_ParamDef* templateDef)
    : BaseParam(0, 0, name, templateDef) {}

PF_Err ParamAddTopic::AddToHost(PF_InData* in_data, A_long id, const char*) {
    BeginDef(in_data, PF_Param_GROUP_START, id, true);
    return AddDef(in_data);
}

ParamEndTopic::ParamEndTopic() : BaseParam(0, 0, "", nullptr) {}

PF_Err ParamEndTopic::AddToHost(PF_InData* in_data, A_long id, const char*) {
    BeginDef(in_data, PF_Param_GROUP_END, id, false);
    return AddDef(in_data);
}

// ---- integer slider ---------------------------------------------------------------------

ParamAddSlider::ParamAddSlider(int32_t recordOffset, const char* name,
                               const PF_ParamDef* templateDef, A_long validMin, A_long validMax,
                               A_long sliderMin, A_long sliderMax, A_long dflt)
    : BaseParam(recordOffset, sizeof(A_long), name, templateDef), validMin(validMin),
      validMax(validMax), sliderMin(sliderMin), sliderMax(sliderMax), dflt(dflt) {}

PF_Err ParamAddSlider::AddToHost(PF_InData* in_data, A_long id, const char* iniPath) {
    A_long value = dflt;
    if (const char* file = DefaultsFile(in_data, iniPath)) {
        value = Clamp(ReadIniInt(file, name, dflt), validMin, validMax);
    }
    BeginDef(in_data, PF_Param_SLIDER, id, true);
    PF_SliderDef& sd = def.u.sd;
    sd.valid_min = validMin;
    sd.valid_max = validMax;
    sd.slider_min = sliderMin;
    sd.slider_max = sliderMax;
    sd.value = value;
    sd.dephault = value;
    sd.value_str[0] = '\0';
    sd.value_desc[0] = '\0';
    return AddDef(in_data);
}

void ParamAddSlider::SaveDefault(PF_InData*, const char* iniPath) {
    if (iniPath != nullptr) {
        WriteIniInt(iniPath, name, def.u.sd.value);
    }
}

// ---- float slider -----------------------------------------------------------------------

ParamAddFloatSlider::ParamAddFloatSlider(int32_t recordOffset, const char* name,
                                         const PF_ParamDef* templateDef, float validMin,
                                         float validMax, float sliderMin, float sliderMax,
                                         float dflt, A_short precision, A_short displayFlags,
                                         A_long wantPhase)
    : BaseParam(recordOffset, sizeof(double), name, templateDef), validMin(validMin),
      validMax(validMax), sliderMin(sliderMin), sliderMax(sliderMax), dflt(dflt),
      precision(precision), displayFlags(displayFlags), wantPhase(wantPhase) {}

PF_Err ParamAddFloatSlider::AddToHost(PF_InData* in_data, A_long id, const char* iniPath) {
    float value = dflt;
    if (const char* file = DefaultsFile(in_data, iniPath)) {
        const double stored = ReadIniReal(file, name, static_cast<double>(dflt));
        if (std::isfinite(stored)) {
            // The limits are floats, so a value clamped to them stays within them as float.
            value = static_cast<float>(Clamp(stored, static_cast<double>(validMin),
                                             static_cast<double>(validMax)));
        }
    }
    BeginDef(in_data, PF_Param_FLOAT_SLIDER, id, true);
    PF_FloatSliderDef& fs = def.u.fs_d;
    fs.valid_min = validMin;
    fs.valid_max = validMax;
    fs.slider_min = sliderMin;
    fs.slider_max = sliderMax;
    fs.precision = precision;
    fs.display_flags = displayFlags;
    if (wantPhase != 0) {
        fs.fs_flags |= PF_FSliderFlag_WANT_PHASE;
    }
    fs.curve_tolerance = 0.05f;
    fs.value = static_cast<double>(value);
    fs.dephault = value;
    return AddDef(in_data);
}

void ParamAddFloatSlider::SaveDefault(PF_InData*, const char* iniPath) {
    if (iniPath != nullptr) {
        WriteIniReal(iniPath, name, def.u.fs_d.value);
    }
}

// ---- angle ------------------------------------------------------------------------------

ParamAddAngle::ParamAddAngle(int32_t recordOffset, const char* name,
                             const PF_ParamDef* templateDef, PF_Fixed dflt)
    : BaseParam(recordOffset, sizeof(PF_Fixed), name, templateDef), dflt(dflt) {}

PF_Err ParamAddAngle::AddToHost(PF_InData* in_data, A_long id, const char* iniPath) {
    PF_Fixed value = dflt;
    if (const char* file = DefaultsFile(in_data, iniPath)) {
        const double degrees = ReadIniReal(file, name, dflt / 65536.0);
        if (std::isfinite(degrees)) {
            value = DegreesToFixed(degrees);
        }
    }
    BeginDef(in_data, PF_Param_ANGLE, id, true);
    def.u.ad.value = value;
    def.u.ad.dephault = value;
    return AddDef(in_data);
}

void ParamAddAngle::SaveDefault(PF_InData*, const char* iniPath) {
    if (iniPath != nullptr) {
        WriteIniReal(iniPath, name, def.u.ad.value / 65536.0);
    }
}

// ---- colour -----------------------------------------------------------------------------

ParamAddColor::ParamAddColor(int32_t recordOffset, const char* name,
                             const PF_ParamDef* templateDef, PF_Pixel dflt)
    : BaseParam(recordOffset, sizeof(PF_Pixel), name, templateDef), dflt(dflt) {}

PF_Err ParamAddColor::AddToHost(PF_InData* in_data, A_long id, const char* iniPath) {
    PF_Pixel value = dflt;
    if (const char* file = DefaultsFile(in_data, iniPath)) {
        value = ReadIniColor(file, name, dflt);
    }
    value.alpha = 255;
    BeginDef(in_data, PF_Param_COLOR, id, true);
    def.u.cd.value = value;
    def.u.cd.dephault = value;
    return AddDef(in_data);
}

void ParamAddColor::SaveDefault(PF_InData*, const char* iniPath) {
    if (iniPath != nullptr) {
        WriteIniColor(iniPath, name, def.u.cd.value);
    }
}

// ---- checkbox ---------------------------------------------------------------------------

ParamAddCheckbox::ParamAddCheckbox(int32_t recordOffset, const char* name,
                                   const PF_ParamDef* templateDef, const char* label,
                                   uint8_t dflt, PF_ParamFlags extraFlags)
    : BaseParam(recordOffset, 1, name, templateDef), label(label), dflt(dflt),
      extraFlags(extraFlags) {}

PF_Err ParamAddCheckbox::AddToHost(PF_InData* in_data, A_long id, const char* iniPath) {
    uint8_t value = dflt;
    if (const char* file = DefaultsFile(in_data, iniPath)) {
        value = ReadIniInt(file, name, dflt) != 0 ? 1 : 0;
    }
    BeginDef(in_data, PF_Param_CHECKBOX, id, true);
    def.flags |= extraFlags;
    def.u.bd.u.nameptr = label;
    def.u.bd.value = value;
    def.u.bd.dephault = static_cast<PF_Boolean>(value);
    return AddDef(in_data);
}

void ParamAddCheckbox::SaveDefault(PF_InData*, const char* iniPath) {
    if (iniPath != nullptr) {
        WriteIniInt(iniPath, name, def.u.bd.value);
    }
}

// ---- point ------------------------------------------------------------------------------

ParamAddPoint::ParamAddPoint(int32_t recordOffset, const char* name,
                             const PF_ParamDef* templateDef, PF_Fixed defaultX,
                             PF_Fixed defaultY, uint8_t restrictBounds)
    : BaseParam(recordOffset, 2 * sizeof(PF_Fixed), name, templateDef), defaultX(defaultX),
      defaultY(defaultY), restrictBounds(restrictBounds) {}

PF_Err ParamAddPoint::AddToHost(PF_InData* in_data, A_long id, const char*) {
    BeginDef(in_data, PF_Param_POINT, id, true);
    PF_PointDef& td = def.u.td;
    td.restrict_bounds = static_cast<PF_Boolean>(restrictBounds);
    // The host takes point defaults as whole percentages.
    td.x_value = td.x_dephault = defaultX & ~0xFFFF;
    td.y_value = td.y_dephault = defaultY & ~0xFFFF;
    return AddDef(in_data);
}

// ---- popup ------------------------------------------------------------------------------

ParamAddPopup::ParamAddPopup(int32_t recordOffset, const char* name,
                             const PF_ParamDef* templateDef, A_short numChoices, A_short dflt,
                             const char* choices)
    : BaseParam(recordOffset, sizeof(A_long), name, templateDef), numChoices(numChoices),
      dflt(dflt), choices(choices) {}

bool ParamAddPopup::IsSeparator(A_long choice) const {
    const char* item = choices;
    for (A_long i = 1; i < choice; ++i) {
        item = std::strchr(item, '|');
        if (item == nullptr) {
            return false;
        }
        ++item;
    }
    return std::strncmp(item, "(-", 2) == 0 && (item[2] == '|' || item[2] == '\0');
}

PF_Err ParamAddPopup::AddToHost(PF_InData* in_data, A_long id, const char* iniPath) {
    A_short value = dflt;
    if (const char* file = DefaultsFile(in_data, iniPath)) {
        const A_long stored = Clamp<A_long>(ReadIniInt(file, name, dflt), 1, numChoices);
        // A separator line cannot be chosen in the host; never hand it one as the default.
        value = IsSeparator(stored) ? dflt : static_cast<A_short>(stored);
    }
    BeginDef(in_data, PF_Param_POPUP, id, true);
    PF_PopupDef& pd = def.u.pd;
    pd.value = value;
    pd.dephault = value;
    pd.num_choices = numChoices;
    pd.u.namesptr = choices;
    return AddDef(in_data);
}

void ParamAddPopup::SaveDefault(PF_InData*, const char* iniPath) {
    if (iniPath != nullptr) {
        WriteIniInt(iniPath, name, def.u.pd.value);
    }
}

// ---- layer ------------------------------------------------------------------------------

ParamAddLayer::ParamAddLayer(int32_t recordOffset, const char* name,
                             const PF_ParamDef* templateDef, A_long dflt)
    : BaseParam(recordOffset, sizeof(PF_LayerDef*), name, templateDef), dflt(dflt) {}

PF_Err ParamAddLayer::Fetch(void* record, ParamGetter& getter) {
    if (recordSize == 0) {
        return PF_Err_NONE;
    }
    PF_LayerDef** slot = nullptr;
    if (record != nullptr) {
        slot = reinterpret_cast<PF_LayerDef**>(static_cast<char*>(record) + recordOffset);
        *slot = nullptr;
    }
    if (!getter.IsEnabled(index) || getter.IsCopyOnly()) {
        return PF_Err_NONE;
    }
    const PF_Err err = getter.GetParam(index, &def);
    if (err != PF_Err_NONE) {
        return err;
    }
    held_ = true;
    if (slot != nullptr) {
        *slot = &def.u.ld;
    }
    return PF_Err_NONE;
}

PF_Err ParamAddLayer::AddToHost(PF_InData* in_data, A_long id, const char*) {
    BeginDef(in_data, PF_Param_LAYER, id, true);
    def.u.ld.dephault = dflt;
    return AddDef(in_data);
}

}  // namespace Params
