// The descriptor kinds, one per host parameter kind.  Each stores what it needs to describe
// its parameter to the host; BaseParam holds the value-record binding.
#pragma once
#include "params/BaseParam.h"

namespace Params {

// Opens a parameter group (PF_Param_GROUP_START).  Never fetches.
class ParamAddTopic : public BaseParam {
public:
    ParamAddTopic(const char* name, const PF_ParamDef* templateDef);
    PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) override;
};

// Closes a parameter group (PF_Param_GROUP_END): no name, zeroed definition.
class ParamEndTopic : public BaseParam {
public:
    ParamEndTopic();
    PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) override;
};

// Integer slider (PF_Param_SLIDER); value int32.
class ParamAddSlider : public BaseParam {
public:
    ParamAddSlider(int32_t recordOffset, const char* name, const PF_ParamDef* templateDef,
                   A_long validMin, A_long validMax, A_long sliderMin, A_long sliderMax,
                   A_long dflt);
    PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) override;
    void SaveDefault(PF_InData* in_data, const char* iniPath) override;

    A_long validMin, validMax, sliderMin, sliderMax, dflt;
};

// Float slider (PF_Param_FLOAT_SLIDER); value double.
class ParamAddFloatSlider : public BaseParam {
public:
    ParamAddFloatSlider(int32_t recordOffset, const char* name, const PF_ParamDef* templateDef,
                        float validMin, float validMax, float sliderMin, float sliderMax,
                        float dflt, A_short precision, A_short displayFlags, A_long wantPhase);
    PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) override;
    void SaveDefault(PF_InData* in_data, const char* iniPath) override;

    float validMin, validMax, sliderMin, sliderMax;
    float dflt;
    A_short precision;
    A_short displayFlags;
    A_long wantPhase;
};

// Angle (PF_Param_ANGLE); value int32 16.16 fixed degrees.
class ParamAddAngle : public BaseParam {
public:
    ParamAddAngle(int32_t recordOffset, const char* name, const PF_ParamDef* templateDef,
                  PF_Fixed dflt);
    PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) override;
    void SaveDefault(PF_InData* in_data, const char* iniPath) override;

    PF_Fixed dflt;
};

// Colour (PF_Param_COLOR); value 4 bytes alpha, red, green, blue.
class ParamAddColor : public BaseParam {
public:
    ParamAddColor(int32_t recordOffset, const char* name, const PF_ParamDef* templateDef,
                  PF_Pixel dflt);
    PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) override;
    void SaveDefault(PF_InData* in_data, const char* iniPath) override;

    PF_Pixel dflt;
};

// Checkbox (PF_Param_CHECKBOX); value one byte, 0 or 1.
class ParamAddCheckbox : public BaseParam {
public:
    ParamAddCheckbox(int32_t recordOffset, const char* name, const PF_ParamDef* templateDef,
                     const char* label, uint8_t dflt, PF_ParamFlags extraFlags);
    PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) override;
    void SaveDefault(PF_InData* in_data, const char* iniPath) override;

    const char* label;
    uint8_t dflt;
    PF_ParamFlags extraFlags;
};

// Point (PF_Param_POINT); value x then y, int32 16.16 each.  Defaults are percent of the
// layer size.
class ParamAddPoint : public BaseParam {
public:
    ParamAddPoint(int32_t recordOffset, const char* name, const PF_ParamDef* templateDef,
                  PF_Fixed defaultX, PF_Fixed defaultY, uint8_t restrictBounds);
    PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) override;

    PF_Fixed defaultX, defaultY;
    uint8_t restrictBounds;
};

// Popup (PF_Param_POPUP); value int32 1-based choice.  `choices` is "|"-separated; an item
// "(-" is a separator.
class ParamAddPopup : public BaseParam {
public:
    ParamAddPopup(int32_t recordOffset, const char* name, const PF_ParamDef* templateDef,
                  A_short numChoices, A_short dflt, const char* choices);
    PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) override;
    void SaveDefault(PF_InData* in_data, const char* iniPath) override;

    // True when choice `choice` (1-based) is a separator item of `choices`.
    bool IsSeparator(A_long choice) const;

    A_short numChoices;
    A_short dflt;
    const char* choices;
};

// Layer (PF_Param_LAYER); value a pointer to the checked-out layer, or null.
class ParamAddLayer : public BaseParam {
public:
    ParamAddLayer(int32_t recordOffset, const char* name, const PF_ParamDef* templateDef,
                  A_long dflt);
    PF_Err Fetch(void* record, ParamGetter& getter) override;
    PF_Err AddToHost(PF_InData* in_data, A_long id, const char* iniPath) override;

    A_long dflt;  // PF_LayerDefault_NONE or PF_LayerDefault_MYSELF
};

}  // namespace Params
