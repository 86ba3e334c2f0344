// The effect's parameters as it registered them with the host at PF_Cmd_PARAMS_SETUP:
// names, ids, kinds, ranges, defaults and choice lists all come from the registered
// definitions, so the command line always speaks the effect's own vocabulary.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "AEUtil/HostApi.h"

namespace tonedot::session {

enum class ParamKind {
    Layer, Slider, FloatSlider, Angle, Checkbox, Color, Point, Popup, GroupStart, GroupEnd, Other
};

// "float slider", "popup", ... as the params listing shows it.
const char* KindName(ParamKind kind);

struct ParamInfo {
    int index = 0;   // host index (0 is the input layer)
    A_long id = 0;   // the id stored in projects
    std::string name;
    ParamKind kind = ParamKind::Other;
    PF_ParamDef def{};                 // the definition as registered (default included)
    std::vector<std::string> choices;  // popups: the items, "(-" marking separators
    std::string group;                 // the group the parameter sits in, "" at the top

    bool Settable() const;  // takes a value from --set (not a layer, group or the input)
    bool Storable() const;  // has keys in the stored-defaults format
    bool Percent() const;   // a float slider shown in percent
};

class RegisteredParams {
public:
    // From the definitions the host recorded, host index order, index 0 the input layer.
    explicit RegisteredParams(const std::vector<PF_ParamDef>& registered);

    const std::vector<ParamInfo>& All() const { return params_; }
    std::size_t Count() const { return params_.size(); }  // including the input layer
    // The parameter with this display name (exact, then ignoring case); null when none.
    const ParamInfo* Find(const std::string& name) const;
    // Like Find, but a usage error listing the closest names when there is none.
    const ParamInfo& Require(const std::string& name, const char* what = "parameter") const;
    const ParamInfo* ById(A_long id) const;
    std::vector<std::string> Names() const;  // every named, non-input parameter

private:
    std::vector<ParamInfo> params_;
};

// The choice items of a "|"-separated popup string.
std::vector<std::string> SplitChoices(const char* names);

}  // namespace tonedot::session
